#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "health/HealthChart.h"
#include "health/HealthLayout.h"
#include "image/DeviceImage.h"

namespace carecfg {

class HealthNumbers;

// One row of a health list, every text in UTF-8: the row number (column 0), the time text
// (column 1) and one value text per quantity of the region (columns 2 on), each followed by a
// blank and the unit label where the quantity has one.
struct HealthRow {
    std::string number;
    std::string time;
    std::vector<std::string> values;
};

// The running extremes of a chart: the span of its thresholds and of every reading of both banks.
struct HealthExtremes {
    double maximum = 0.0;
    double minimum = 0.0;
};

// One chart of a health page: what it shows, and the numbers it was framed from.
struct HealthChartData {
    ReadingQuantity quantity = ReadingQuantity::Systolic;
    HealthChartModel model;
    HealthExtremes extremes;
    std::optional<ThresholdPair> thresholdLines;  // the values of its red lines, if it has them
};

enum class HealthDecodeStatus {
    Complete,
    BadTimeText,    // a reading's time text did not parse; decoding stopped there
    BadValueRange,  // a chart's value range was rejected; everything else is complete
    NotHealthRegion,
    OutOfMemory,
};

// Everything a health page shows: the lists of the two banks (ListView7/8, 9/10, 11/12) and its
// charts (Chart1-3, Chart4 or Chart5) in the order of the region's quantities.
struct HealthPage {
    RegionId region = RegionId::BloodPressure;
    bool alternativeUnit = false;  // from the region's header, not from the settings page
    std::array<std::vector<HealthRow>, HealthScheme::kBankCount> banks;
    std::vector<HealthChartData> charts;
    double earliest = 0.0;  // time of the earliest and the latest reading; 0 without readings
    double latest = 0.0;
    HealthDecodeStatus status = HealthDecodeStatus::Complete;

    bool ok() const { return status == HealthDecodeStatus::Complete; }
};

// What a decode needs besides the image.
struct HealthSources {
    // Item 0 (base unit) and item 1 (alternative unit) of the region's unit selector
    // (HealthRegionLayout::unitSelector), in UTF-8.
    std::array<std::string, 2> unitLabels;
    const HealthNumbers& numbers;
    // Written between the whole part and the decimal of one-decimal values: the user's in the
    // window, '.' on the command line.
    char decimalSeparator = '.';
};

// A page as it is before its first decode: empty lists, empty charts with automatic axes.
HealthPage NewHealthPage(RegionId region);

// Rebuilds the page of `page.region` from the image, as the page's widgets are rebuilt: lists and
// series refilled, axes framed, while what a failed decode does not reach keeps its state (the
// scroll bars of a decode stopped by a time text keep their range). Bank 1 slot i is read before
// bank 2 slot i; a slot whose hour byte is 0xFF or whose day byte is 0 is empty. Each list is
// sorted by time text and numbered from 1. On a bad time text decoding stops at once: the lists
// keep the rows added so far unsorted and unnumbered (the last with only its time text), the
// charts keep their points with automatic axes. True when the status is Complete.
bool DecodeHealthRegion(const DeviceImage& image, const HealthSources& sources, HealthPage& page);

// The same over a new page of the region.
HealthPage DecodeHealthRegion(const DeviceImage& image, RegionId region,
                              const HealthSources& sources);

// Empties the lists and the series of the page's charts; axes and scroll bars stay as they are.
void EmptyHealthPage(HealthPage& page);

// The value with 0 or 1 decimal, rounded half away from zero, the decimal after `separator`.
std::string FormatHealthNumber(double value, int decimals, char separator);

}  // namespace carecfg
