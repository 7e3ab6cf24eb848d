#include "app/HealthReportBuilder.h"

#include <QDateTime>

#include "app/HealthChartView.h"
#include "health/HealthDecoders.h"
#include "health/HealthLayout.h"
#include "health/HealthSummary.h"
#include "health/HealthTime.h"

namespace carecfg {

namespace {

// "yyyy-MM-dd hh:mm" of a reading time, without any time-zone shift.
QString TimeText(double dateTime) {
    return QDateTime::fromMSecsSinceEpoch(ChartTimeOf(dateTime), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

const HealthQuantityLayout* QuantityLayout(RegionId region, std::size_t quantity) {
    const HealthRegionLayout* layout = HealthLayoutOf(region);
    if (layout == nullptr || quantity >= layout->quantities.size()) {
        return nullptr;
    }
    return &layout->quantities[quantity];
}

// The rows of a bank as the page's list shows them: number, time text, one value per quantity.
std::vector<QStringList> ReadingRows(const std::vector<HealthRow>& rows) {
    std::vector<QStringList> cells;
    cells.reserve(rows.size());
    for (const HealthRow& row : rows) {
        QStringList& line = cells.emplace_back();
        line << QString::fromStdString(row.number) << QString::fromStdString(row.time);
        for (const std::string& value : row.values) {
            line << QString::fromStdString(value);
        }
    }
    return cells;
}

}  // namespace

QString HealthBankName(const HealthReportSources& sources, int bank) {
    if (sources.charts.empty() || sources.charts.front() == nullptr) {
        return QString::number(bank + 1);
    }
    return sources.charts.front()->SeriesTitle(bank);
}

QString HealthQuantityTitle(const HealthPage& page, const HealthReportSources& sources,
                            std::size_t quantity) {
    QString title;
    if (quantity < sources.charts.size() && sources.charts[quantity] != nullptr) {
        title = sources.charts[quantity]->LeftAxisTitle();
    }
    const QStringList& header = sources.listHeaders[0];
    const auto column = static_cast<qsizetype>(quantity) + 2;
    if (title.isEmpty() && column < header.size()) {
        title = header[column];
    }
    const HealthQuantityLayout* layout = QuantityLayout(page.region, quantity);
    if (layout == nullptr || !layout->unitLabel || sources.unit.isEmpty()) {
        return title;
    }
    return QStringLiteral("%1 (%2)").arg(title, sources.unit);
}

void ShowHealthChart(HealthChartView& view, const HealthPage& page, std::size_t index,
                     const QString& unit) {
    if (index >= page.charts.size()) {
        return;
    }
    if (const HealthQuantityLayout* quantity = QuantityLayout(page.region, index)) {
        view.SetValueUnit(quantity->unitLabel ? unit : QString());
        view.SetValueDecimals(
            (page.alternativeUnit ? quantity->alternative : quantity->base).decimals);
    }
    view.Show(page.charts[index].model);
}

HealthReportContent BuildHealthReport(const HealthPage& page, const HealthReportSources& sources) {
    const auto text = [&sources](const char* key) {
        return sources.text ? sources.text(key) : QString::fromLatin1(key);
    };
    const char separator = sources.decimalSeparator;
    const auto number = [separator](double value, int decimals) {
        return QString::fromStdString(FormatHealthNumber(value, decimals, separator));
    };
    const bool anyReading = !page.banks[0].empty() || !page.banks[1].empty();

    HealthReportContent report;
    report.title = FillPlaceholders(text("HealthReportTitle"), {text(sources.nameKey)});
    report.introduction.append(FillPlaceholders(
        text("HealthReportMade"),
        {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))}));
    report.introduction.append(
        anyReading ? FillPlaceholders(text("HealthReportPeriod"),
                                      {TimeText(page.earliest), TimeText(page.latest)})
                   : text("HealthReportNone"));
    report.pageNumber = text("HealthReportPage");

    report.summary.heading = text("HealthReportSummary");
    report.summary.emptyText = text("HealthReportNone");
    report.summary.table.header = {text("HealthReportQuantity"), text("HealthBank"),
                                   text("HealthReportCount"),    text("HealthReportMinimum"),
                                   text("HealthReportAverage"),  text("HealthReportMaximum"),
                                   text("HealthReportHigh"),     text("HealthReportLow")};
    const std::vector<HealthQuantitySummary> summaries = SummarizeHealthPage(page);
    for (std::size_t q = 0; q < summaries.size() && q < page.charts.size(); ++q) {
        const HealthQuantitySummary& s = summaries[q];
        const auto& lines = page.charts[q].thresholdLines;
        for (std::size_t bank = 0; bank < s.banks.size(); ++bank) {
            const HealthBankSummary& b = s.banks[bank];
            QStringList row;
            const bool first = bank == 0;
            row << (first ? HealthQuantityTitle(page, sources, q) : QString())
                << HealthBankName(sources, static_cast<int>(bank)) << QString::number(b.count);
            if (b.count > 0) {
                // The average one decimal finer than the readings.
                row << number(b.minimum, s.decimals) << number(b.average, s.decimals + 1)
                    << number(b.maximum, s.decimals);
            } else {
                row << QString() << QString() << QString();
            }
            if (first && lines) {
                row << number(lines->high, s.decimals) << number(lines->low, s.decimals);
            } else {
                row << QString() << QString();
            }
            report.summary.table.rows.push_back(row);
        }
    }

    report.chartsHeading = text("HealthReportCharts");
    for (const HealthChartView* chart : sources.charts) {
        if (chart != nullptr) {
            report.charts.push_back(chart);
        }
    }

    for (std::size_t bank = 0; bank < page.banks.size(); ++bank) {
        HealthReportSection& section = report.readings.emplace_back();
        section.heading = FillPlaceholders(text("HealthReportReadings"),
                                           {HealthBankName(sources, static_cast<int>(bank))});
        section.emptyText = text("HealthReportNone");
        section.table.header = sources.listHeaders[bank];
        section.table.rows = ReadingRows(page.banks[bank]);
    }
    return report;
}

}  // namespace carecfg
