#include "health/HealthSummary.h"

#include <algorithm>

namespace carecfg {

HealthBankSummary SummarizeReadings(std::span<const HealthPoint> readings) {
    HealthBankSummary summary;
    if (readings.empty()) {
        return summary;
    }
    double sum = 0.0;
    summary.minimum = readings.front().value;
    summary.maximum = readings.front().value;
    for (const HealthPoint& point : readings) {
        summary.minimum = std::min(summary.minimum, point.value);
        summary.maximum = std::max(summary.maximum, point.value);
        sum += point.value;
    }
    summary.count = readings.size();
    summary.average = sum / static_cast<double>(readings.size());
    return summary;
}

std::vector<HealthQuantitySummary> SummarizeHealthPage(const HealthPage& page) {
    std::vector<HealthQuantitySummary> summaries;
    const HealthRegionLayout* layout = HealthLayoutOf(page.region);
    for (std::size_t q = 0; q < page.charts.size(); ++q) {
        const HealthChartData& chart = page.charts[q];
        HealthQuantitySummary summary;
        summary.quantity = chart.quantity;
        if (layout != nullptr && q < layout->quantities.size()) {
            const HealthQuantityLayout& quantity = layout->quantities[q];
            summary.decimals =
                (page.alternativeUnit ? quantity.alternative : quantity.base).decimals;
        }
        summary.banks = {SummarizeReadings(chart.model.series[kBank1Series]),
                         SummarizeReadings(chart.model.series[kBank2Series])};
        summaries.push_back(summary);
    }
    return summaries;
}

}  // namespace carecfg
