#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "health/HealthChart.h"
#include "image/DeviceImage.h"

namespace carecfg {

// The scheme all three health regions share: a header with the display unit and the thresholds,
// then two banks of 100 reading slots of 16 bytes, each slot opening with a six-byte time stamp.
struct HealthScheme {
    static constexpr std::uint32_t kHeaderSize = 6;
    static constexpr std::uint32_t kUnitFlagOffset = 0;  // 1: the alternative unit
    static constexpr std::uint8_t kAlternativeUnitFlag = 1;
    static constexpr std::uint32_t kBankCount = 2;
    static constexpr std::uint32_t kBankOffsets[kBankCount] = {0x020, 0x820};
    static constexpr std::uint32_t kSlotsPerBank = 100;
    static constexpr std::uint32_t kSlotSize = 16;
    static constexpr std::uint32_t kStampSize = 6;
    static constexpr std::uint32_t kDayOffset = 2;   // 0: the slot is empty
    static constexpr std::uint32_t kHourOffset = 3;  // 0xFF: the slot is empty
};

// The quantities a health page shows, one chart and one list column each.
enum class ReadingQuantity { Systolic, Diastolic, HeartRate, Glucose, Weight };

// How a raw number becomes the value shown: raw × multiplier ÷ divisor, written with 0 or 1
// decimal.
struct HealthScale {
    double multiplier = 1.0;
    double divisor = 1.0;
    int decimals = 0;
};

// Where a quantity's two thresholds lie in the header: unsigned little-endian numbers of `width`
// bytes, divided by the unit's divisor.
struct HealthThresholdField {
    std::uint32_t highOffset = 0;
    std::uint32_t lowOffset = 0;
    std::uint32_t width = 1;
    double baseDivisor = 1.0;
    double alternativeDivisor = 1.0;
};

// One quantity of a region: its field in the reading slot, how it is shown in either unit, its
// thresholds, and the keys of its fixed chart range in either unit.
struct HealthQuantityLayout {
    ReadingQuantity quantity;
    std::uint32_t valueOffset;  // in the slot; an unsigned little-endian number
    std::uint32_t valueWidth;
    HealthScale base;
    HealthScale alternative;
    bool unitLabel;       // the value is followed by a blank and the unit selector's item text
    bool thresholdLines;  // the chart draws the two thresholds as lines
    HealthThresholdField thresholds;
    ValueRangeKeys baseKeys;
    ValueRangeKeys alternativeKeys;
};

// One health region: its quantities in column and chart order, the drop-down box whose two item
// texts are its unit labels, and the form its threshold lines take.
struct HealthRegionLayout {
    RegionId region;
    std::string_view unitSelector;
    TimeAxisForm form;
    std::span<const HealthQuantityLayout> quantities;
};

// The layouts of the blood-pressure, glucose and weight regions, in that order.
std::span<const HealthRegionLayout> HealthRegionLayouts();

// The layout of a health region, or nullptr for any other region.
const HealthRegionLayout* HealthLayoutOf(RegionId region);

bool IsHealthRegion(RegionId region);

}  // namespace carecfg
