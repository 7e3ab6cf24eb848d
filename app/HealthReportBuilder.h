#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <functional>
#include <vector>

#include "app/HealthReport.h"

namespace carecfg {

class HealthChartView;
struct HealthPage;

// What the doctor's report of a health page is made of besides the decoded page: the catalogue's
// MESSAGE texts, the page's chart views (their legend names the banks, their value axis titles
// name the quantities, they draw the charts) and the column headers of the page's two lists.
struct HealthReportSources {
    const char* nameKey = "";                    // MESSAGE key of the page's name
    std::function<QString(const char*)> text;    // MESSAGE text of a key
    char decimalSeparator = '.';                 // before the decimal of the figures
    QString unit;                                // the unit label of the decode
    std::vector<const HealthChartView*> charts;  // in the order of the page's charts
    std::array<QStringList, 2> listHeaders;      // bank 1 and bank 2
};

// The name of a bank: the legend title of the page's first chart, else its number.
QString HealthBankName(const HealthReportSources& sources, int bank);

// The value axis title of the quantity's chart (else the list header of its column), with the
// unit of the decode where the quantity has one.
QString HealthQuantityTitle(const HealthPage& page, const HealthReportSources& sources,
                            std::size_t quantity);

// Shows chart `index` of the page in the view as the page shows it: the unit after the value
// axis title where the quantity has one, the decimals of its readings, and the chart's model.
void ShowHealthChart(HealthChartView& view, const HealthPage& page, std::size_t index,
                     const QString& unit);

// The report of the page: title and introduction, the summary figures with the thresholds, the
// charts, and the readings of each bank with the same cells the page's lists show.
HealthReportContent BuildHealthReport(const HealthPage& page, const HealthReportSources& sources);

}  // namespace carecfg
