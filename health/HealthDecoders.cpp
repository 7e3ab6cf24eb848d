#include "health/HealthDecoders.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <new>
#include <span>

#include "health/HealthNumbers.h"
#include "health/HealthTime.h"

namespace carecfg {

namespace {

using Scheme = HealthScheme;

// The unsigned little-endian number of `width` bytes at the offset; bytes beyond the span read
// as erased, so a short region can never be read past its end.
std::uint32_t ReadNumber(std::span<const std::uint8_t> bytes, std::uint32_t offset,
                         std::uint32_t width) {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < width; ++i) {
        const std::size_t at = static_cast<std::size_t>(offset) + i;
        const std::uint32_t byte = at < bytes.size() ? bytes[at] : kErased;
        value |= byte << (8 * i);
    }
    return value;
}

std::array<std::uint8_t, Scheme::kSlotSize> SlotAt(std::span<const std::uint8_t> area,
                                                   std::uint32_t offset) {
    std::array<std::uint8_t, Scheme::kSlotSize> slot;
    slot.fill(kErased);
    if (offset < area.size()) {
        const std::size_t count = std::min<std::size_t>(slot.size(), area.size() - offset);
        std::copy_n(area.begin() + offset, count, slot.begin());
    }
    return slot;
}

bool IsEmptySlot(std::span<const std::uint8_t> slot) {
    return slot[Scheme::kHourOffset] == 0xFF || slot[Scheme::kDayOffset] == 0;
}

// Ascending, character by character, without regard to letter case.
bool TimeTextLess(const HealthRow& a, const HealthRow& b) {
    return std::lexicographical_compare(a.time.begin(), a.time.end(), b.time.begin(), b.time.end(),
                                        [](char x, char y) {
                                            return std::tolower(static_cast<unsigned char>(x)) <
                                                   std::tolower(static_cast<unsigned char>(y));
                                        });
}

// Fills a new page's chart list from the layout, or refreshes the facts of an existing one.
void PrepareCharts(const HealthRegionLayout& layout, HealthPage& page) {
    if (page.charts.size() != layout.quantities.size()) {
        page.charts.assign(layout.quantities.size(), HealthChartData{});
    }
    for (std::size_t i = 0; i < layout.quantities.size(); ++i) {
        page.charts[i].quantity = layout.quantities[i].quantity;
    }
}

// Decodes the header and the slots; the page's lists, points, extremes and times as far as the
// decode got. False on a bad time text.
bool ReadReadings(std::span<const std::uint8_t> area, const HealthRegionLayout& layout,
                  const HealthSources& sources, HealthPage& page) {
    const bool alternative =
        ReadNumber(area, Scheme::kUnitFlagOffset, 1) == Scheme::kAlternativeUnitFlag;
    page.alternativeUnit = alternative;
    const std::string& unitLabel = sources.unitLabels[alternative ? 1 : 0];

    std::vector<ThresholdPair> thresholds;
    for (std::size_t q = 0; q < layout.quantities.size(); ++q) {
        const HealthQuantityLayout& quantity = layout.quantities[q];
        const HealthThresholdField& field = quantity.thresholds;
        const double divisor = alternative ? field.alternativeDivisor : field.baseDivisor;
        const ThresholdPair pair{ReadNumber(area, field.highOffset, field.width) / divisor,
                                 ReadNumber(area, field.lowOffset, field.width) / divisor};
        thresholds.push_back(pair);
        HealthChartData& chart = page.charts[q];
        // Both thresholds lie inside the range whichever way round the unit holds them.
        chart.extremes = {std::max(pair.high, pair.low), std::min(pair.high, pair.low)};
        chart.thresholdLines =
            quantity.thresholdLines ? std::optional<ThresholdPair>(pair) : std::nullopt;
    }

    bool anyReading = false;
    for (std::uint32_t i = 0; i < Scheme::kSlotsPerBank; ++i) {
        for (std::uint32_t bank = 0; bank < Scheme::kBankCount; ++bank) {
            const auto slot = SlotAt(area, Scheme::kBankOffsets[bank] + Scheme::kSlotSize * i);
            if (IsEmptySlot(slot)) {
                continue;
            }
            std::vector<HealthRow>& rows = page.banks[bank];
            rows.push_back({{}, HealthTimeText(slot), {}});
            rows.back().values.resize(layout.quantities.size());
            const std::optional<double> time = ParseHealthTimeText(rows.back().time);
            if (!time) {
                return false;
            }
            const double t = *time;
            page.earliest = anyReading ? std::min(page.earliest, t) : t;
            page.latest = anyReading ? std::max(page.latest, t) : t;
            anyReading = true;
            for (std::size_t q = 0; q < layout.quantities.size(); ++q) {
                const HealthQuantityLayout& quantity = layout.quantities[q];
                const HealthScale& scale = alternative ? quantity.alternative : quantity.base;
                const double raw = ReadNumber(slot, quantity.valueOffset, quantity.valueWidth);
                const double value = raw * scale.multiplier / scale.divisor;
                std::string text =
                    FormatHealthNumber(value, scale.decimals, sources.decimalSeparator);
                if (quantity.unitLabel) {
                    text += ' ';
                    text += unitLabel;
                }
                rows.back().values[q] = std::move(text);

                HealthChartData& chart = page.charts[q];
                chart.model.series[bank].push_back({t, value});
                chart.extremes.maximum = std::max(chart.extremes.maximum, value);
                chart.extremes.minimum = std::min(chart.extremes.minimum, value);
                if (layout.form == TimeAxisForm::Glucose && quantity.thresholdLines) {
                    chart.model.series[kHighLineSeries].push_back({t, thresholds[q].high});
                    chart.model.series[kLowLineSeries].push_back({t, thresholds[q].low});
                }
            }
        }
    }
    return true;
}

}  // namespace

HealthPage NewHealthPage(RegionId region) {
    HealthPage page;
    page.region = region;
    if (const HealthRegionLayout* layout = HealthLayoutOf(region)) {
        PrepareCharts(*layout, page);
    }
    return page;
}

void EmptyHealthPage(HealthPage& page) {
    for (std::vector<HealthRow>& rows : page.banks) {
        rows.clear();
    }
    for (HealthChartData& chart : page.charts) {
        for (std::vector<HealthPoint>& points : chart.model.series) {
            points.clear();
        }
    }
}

bool DecodeHealthRegion(const DeviceImage& image, const HealthSources& sources, HealthPage& page) {
    const HealthRegionLayout* layout = HealthLayoutOf(page.region);
    if (layout == nullptr) {
        page.status = HealthDecodeStatus::NotHealthRegion;
        return false;
    }
    try {
        PrepareCharts(*layout, page);
        EmptyHealthPage(page);
        for (HealthChartData& chart : page.charts) {
            ResetHealthChart(chart.model);
        }
        page.earliest = 0.0;
        page.latest = 0.0;
        page.status = HealthDecodeStatus::Complete;

        if (!ReadReadings(image.RegionBytes(page.region), *layout, sources, page)) {
            page.status = HealthDecodeStatus::BadTimeText;
            return false;
        }
        for (std::vector<HealthRow>& rows : page.banks) {
            std::stable_sort(rows.begin(), rows.end(), TimeTextLess);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                rows[i].number = std::to_string(i + 1);
            }
        }
        for (HealthChartData& chart : page.charts) {
            FrameTimeAxis(chart.model, page.earliest, page.latest, chart.thresholdLines,
                          layout->form);
        }
        // Every chart is framed even when one range is rejected, so one bad pair of keys
        // leaves the other charts correct.
        for (std::size_t q = 0; q < page.charts.size(); ++q) {
            const HealthQuantityLayout& quantity = layout->quantities[q];
            HealthChartData& chart = page.charts[q];
            if (!FrameValueAxis(chart.model, chart.extremes.maximum, chart.extremes.minimum,
                                page.alternativeUnit ? quantity.alternativeKeys : quantity.baseKeys,
                                sources.numbers)) {
                page.status = HealthDecodeStatus::BadValueRange;
            }
        }
    } catch (const std::bad_alloc&) {
        page.status = HealthDecodeStatus::OutOfMemory;
    }
    return page.ok();
}

HealthPage DecodeHealthRegion(const DeviceImage& image, RegionId region,
                              const HealthSources& sources) {
    HealthPage page = NewHealthPage(region);
    DecodeHealthRegion(image, sources, page);
    return page;
}

std::string FormatHealthNumber(double value, int decimals, char separator) {
    decimals = std::clamp(decimals, 0, 6);
    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(value * scale);  // half away from zero
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18) {
        // Far beyond any reading: written plainly rather than through a 64-bit integer.
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::fixed, decimals);
        std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
        std::replace(text.begin(), text.end(), '.', separator);
        return text;
    }
    const auto units = static_cast<std::int64_t>(scaled);
    const std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const auto divisor = static_cast<std::uint64_t>(scale);
    std::string text = units < 0 ? "-" : "";
    text += std::to_string(magnitude / divisor);
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % divisor);
        text.push_back(separator);
        text.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
        text += fraction;
    }
    return text;
}

}  // namespace carecfg
