#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace carecfg {

class HealthNumbers;

// One point of a health chart: a date-time number (days, health/HealthTime.h) and a value.
struct HealthPoint {
    double time = 0.0;
    double value = 0.0;

    bool operator==(const HealthPoint&) const = default;
};

// The four series of every health chart.
enum HealthSeries : std::size_t {
    kBank1Series = 0,     // readings of bank 1
    kBank2Series = 1,     // readings of bank 2
    kHighLineSeries = 2,  // the high threshold line
    kLowLineSeries = 3,   // the low threshold line
    kHealthSeriesCount = 4
};

// The two ends of an axis.
struct AxisRange {
    double minimum = 0.0;
    double maximum = 0.0;

    bool operator==(const AxisRange&) const = default;
};

// An axis: the range last set, and whether the widget fits the range to the points itself (the
// range then is only what it was before).
struct HealthAxis {
    AxisRange range;
    bool automatic = true;
};

// The scroll bar below a chart: 0..maximum, in days.
struct HealthScrollBar {
    int maximum = 0;
    int position = 0;
};

// What a health chart widget shows, without the widget: four point series in the order they
// were added (a widget that draws in insertion order wants SortedByTime), the time axis (days),
// the value axis and the scroll bar.
struct HealthChartModel {
    std::array<std::vector<HealthPoint>, kHealthSeriesCount> series;
    HealthAxis timeAxis;
    HealthAxis valueAxis;
    HealthScrollBar scroll;
};

// One step of changing an axis range: set one end to a value.
struct RangeStep {
    enum class End { Minimum, Maximum };
    End end = End::Maximum;
    double value = 0.0;
};

// The order in which to set the two ends of an axis that shows `current` so that it shows
// `wanted` without ever holding a maximum below its minimum: the minimum first when the new
// maximum lies below the current minimum, else the maximum first. Nothing when `wanted` itself
// is inverted or not finite: such a range is rejected.
std::optional<std::array<RangeStep, 2>> RangeSteps(const AxisRange& current,
                                                   const AxisRange& wanted);

// Sets the axis to the range through RangeSteps and switches its automatic flag off; false, with
// the axis unchanged, when the range is rejected.
bool SetAxisRange(HealthAxis& axis, const AxisRange& wanted);

// Empties the four series and makes both axes automatic; the scroll bar and the ranges last set
// stay as they are.
void ResetHealthChart(HealthChartModel& chart);

// The high and the low value of a chart's threshold lines.
struct ThresholdPair {
    double high = 0.0;
    double low = 0.0;
};

// How the threshold lines of a page are closed at their right end; the weight page uses the
// glucose form.
enum class TimeAxisForm { BloodPressure, Glucose };

// Number of days a chart shows at once.
constexpr int kChartWindowDays = 10;

// The highest scroll position for readings from `earliest` to `latest` (date-time numbers; both
// 0 without readings): enough to bring the latest reading into the window.
int HealthScrollMaximum(double earliest, double latest);

// Frames the time axis of one chart of a page for readings from `earliest` to `latest`
// (date-time numbers; both 0 without readings): the window becomes the ten days from midnight of
// the earliest reading's day, a chart with thresholds gets the points of its two threshold lines
// (high on series 2, low on series 3, in the order the form gives), and the scroll bar gets its
// range with position 0. A page frames each of its charts with the same times and form.
void FrameTimeAxis(HealthChartModel& chart, double earliest, double latest,
                   const std::optional<ThresholdPair>& thresholds, TimeAxisForm form);

// The keys of a chart's fixed value range.
struct ValueRangeKeys {
    std::string_view maximum;
    std::string_view minimum;
};

// The value range for a chart whose readings and thresholds span `minimum`..`maximum`: with the
// integer "MZZB" not 0, that span widened on both sides by "MF" percent of it; otherwise the
// fixed range of the two keys.
AxisRange HealthValueRange(double maximum, double minimum, const ValueRangeKeys& keys,
                           const HealthNumbers& numbers);

// Sets the value axis of the chart to HealthValueRange; false when that range is rejected
// (minimum above maximum, or not finite), and the axis then stays automatic so that it still
// shows every point.
bool FrameValueAxis(HealthChartModel& chart, double maximum, double minimum,
                    const ValueRangeKeys& keys, const HealthNumbers& numbers);

// Moves the chart's time window by whole days to a new scroll position (kept within
// 0..maximum): both ends move by the difference to the position before. Returns the window.
AxisRange ScrollHealthChart(HealthChartModel& chart, int position);

// The time window that scroll position `position` shows after framing for readings that begin
// at `earliest`: [D0 + position, D0 + 10 + position], D0 the earliest reading's midnight.
AxisRange HealthTimeWindow(double earliest, int position);

// The points ordered by time, points of equal time in the order they were added.
std::vector<HealthPoint> SortedByTime(std::span<const HealthPoint> points);

}  // namespace carecfg
