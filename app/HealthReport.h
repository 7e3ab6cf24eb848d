#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <vector>

namespace carecfg {

class HealthChartView;

// A table of the report: its header row and its rows, every cell a display text.
struct HealthReportTable {
    QStringList header;
    std::vector<QStringList> rows;
};

// A heading with its table below; a table without rows shows `emptyText` instead.
struct HealthReportSection {
    QString heading;
    HealthReportTable table;
    QString emptyText;
};

// The carer's report of one health page for the doctor, in display texts: a title and a few
// lines about it, the summary figures, the page's charts over the whole period of its readings,
// and the readings of each bank.
struct HealthReportContent {
    QString title;
    QStringList introduction;
    HealthReportSection summary;
    QString chartsHeading;
    std::vector<const HealthChartView*> charts;
    std::vector<HealthReportSection> readings;
    QString pageNumber;  // "%1" the page, "%2" the number of pages
};

// The catalogue text with "%1", "%2" ... replaced by the values in turn; a text without such
// places (a key missing from the catalogue) is returned as it is.
QString FillPlaceholders(QString pattern, const QStringList& values);

// The report as a PDF document on A4 pages. Tables that do not fit on a page go on over the next
// with their header row repeated; a table too wide for the page is set in a smaller type; each
// chart is drawn whole, on a new page when the rest of one is too short. Empty when the document
// could not be made.
QByteArray HealthReportPdf(const HealthReportContent& content);

// Writes the report's PDF to the file atomically (a failed write leaves an existing file as it
// was); false when it could not be made or written.
bool WriteHealthReport(const HealthReportContent& content, const std::filesystem::path& path);

}  // namespace carecfg
