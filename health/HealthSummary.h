#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "health/HealthDecoders.h"

namespace carecfg {

// Count, minimum, average and maximum of one bank's readings of one quantity, in the unit the
// page shows; the three values are 0 when there is no reading.
struct HealthBankSummary {
    std::size_t count = 0;
    double minimum = 0.0;
    double average = 0.0;
    double maximum = 0.0;
};

// The figures of one quantity of a page for the carer's report; `decimals` is how many the
// page's lists show for it (0 or 1).
struct HealthQuantitySummary {
    ReadingQuantity quantity = ReadingQuantity::Systolic;
    int decimals = 0;
    std::array<HealthBankSummary, HealthScheme::kBankCount> banks;
};

HealthBankSummary SummarizeReadings(std::span<const HealthPoint> readings);

// One entry per quantity of the page, in chart order, from the reading points of both banks.
std::vector<HealthQuantitySummary> SummarizeHealthPage(const HealthPage& page);

}  // namespace carecfg
