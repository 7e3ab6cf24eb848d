#include "health/HealthChart.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "health/HealthNumbers.h"

namespace carecfg {

namespace {

// Readings lie within one century, so their span holds at most a few thousand ten-day steps;
// the bound only keeps arbitrary inputs from asking for an endless list of points.
constexpr double kMostWindowSteps = 10000.0;

// A whole number of days as an int, clamped; NaN gives 0.
int ClampedDays(double days) {
    if (!(days > 0.0)) {
        return 0;
    }
    return days >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(days);
}

void AddThresholdLine(std::vector<HealthPoint>& line, double value, double earliest, double latest,
                      TimeAxisForm form) {
    const double firstDay = std::trunc(earliest);
    const double lastDay = std::trunc(latest);
    line.push_back({firstDay, value});
    if (form == TimeAxisForm::Glucose) {
        line.push_back({firstDay + kChartWindowDays, value});
    }
    if (earliest + kChartWindowDays > latest) {
        line.push_back({firstDay + kChartWindowDays, value});
    } else {
        line.push_back({lastDay + 2, value});
    }
    const double steps = std::trunc((latest - earliest) / kChartWindowDays);
    const int count = steps > 0.0 ? static_cast<int>(std::min(steps, kMostWindowSteps)) : 0;
    for (int k = 0; k < count; ++k) {
        line.push_back({firstDay + kChartWindowDays * static_cast<double>(k), value});
    }
}

}  // namespace

std::optional<std::array<RangeStep, 2>> RangeSteps(const AxisRange& current,
                                                   const AxisRange& wanted) {
    if (!std::isfinite(wanted.minimum) || !std::isfinite(wanted.maximum) ||
        wanted.minimum > wanted.maximum) {
        return std::nullopt;
    }
    using End = RangeStep::End;
    if (wanted.maximum < current.minimum) {
        return std::array<RangeStep, 2>{
            {{End::Minimum, wanted.minimum}, {End::Maximum, wanted.maximum}}};
    }
    return std::array<RangeStep, 2>{
        {{End::Maximum, wanted.maximum}, {End::Minimum, wanted.minimum}}};
}

bool SetAxisRange(HealthAxis& axis, const AxisRange& wanted) {
    const auto steps = RangeSteps(axis.range, wanted);
    if (!steps) {
        return false;
    }
    for (const RangeStep& step : *steps) {
        (step.end == RangeStep::End::Minimum ? axis.range.minimum : axis.range.maximum) =
            step.value;
    }
    axis.automatic = false;
    return true;
}

void ResetHealthChart(HealthChartModel& chart) {
    for (std::vector<HealthPoint>& points : chart.series) {
        points.clear();
    }
    chart.timeAxis.automatic = true;
    chart.valueAxis.automatic = true;
}

int HealthScrollMaximum(double earliest, double latest) {
    const double firstDay = std::trunc(earliest);
    const double lastDay = std::trunc(latest);
    int maximum = 0;
    if (latest - earliest - kChartWindowDays > 0.0) {
        maximum = ClampedDays(std::trunc(lastDay + 2 - earliest - kChartWindowDays));
    }
    // The window starts at midnight of the earliest day, so a span just under ten days that
    // begins late in the day still ends beyond it: scroll far enough to reach the latest reading.
    return std::max(maximum, ClampedDays(std::ceil(latest - firstDay - kChartWindowDays)));
}

void FrameTimeAxis(HealthChartModel& chart, double earliest, double latest,
                   const std::optional<ThresholdPair>& thresholds, TimeAxisForm form) {
    SetAxisRange(chart.timeAxis, HealthTimeWindow(earliest, 0));
    if (thresholds) {
        AddThresholdLine(chart.series[kHighLineSeries], thresholds->high, earliest, latest, form);
        AddThresholdLine(chart.series[kLowLineSeries], thresholds->low, earliest, latest, form);
    }
    chart.scroll.maximum = HealthScrollMaximum(earliest, latest);
    chart.scroll.position = 0;
}

AxisRange HealthValueRange(double maximum, double minimum, const ValueRangeKeys& keys,
                           const HealthNumbers& numbers) {
    if (numbers.Integer("MZZB") != 0) {
        const double margin =
            static_cast<double>(numbers.Integer("MF")) * (maximum - minimum) / 100.0;
        return {minimum - margin, maximum + margin};
    }
    return {numbers.Number(keys.minimum), numbers.Number(keys.maximum)};
}

bool FrameValueAxis(HealthChartModel& chart, double maximum, double minimum,
                    const ValueRangeKeys& keys, const HealthNumbers& numbers) {
    if (!SetAxisRange(chart.valueAxis, HealthValueRange(maximum, minimum, keys, numbers))) {
        chart.valueAxis.automatic = true;
        return false;
    }
    return true;
}

AxisRange ScrollHealthChart(HealthChartModel& chart, int position) {
    position = std::clamp(position, 0, std::max(chart.scroll.maximum, 0));
    const double shift = static_cast<double>(position) - chart.scroll.position;
    const AxisRange moved{chart.timeAxis.range.minimum + shift,
                          chart.timeAxis.range.maximum + shift};
    SetAxisRange(chart.timeAxis, moved);
    chart.scroll.position = position;
    return chart.timeAxis.range;
}

AxisRange HealthTimeWindow(double earliest, int position) {
    const double firstDay = std::trunc(earliest) + position;
    return {firstDay, firstDay + kChartWindowDays};
}

std::vector<HealthPoint> SortedByTime(std::span<const HealthPoint> points) {
    std::vector<HealthPoint> sorted(points.begin(), points.end());
    // NaN times go last, so the order stays a strict weak ordering for any input.
    std::stable_sort(sorted.begin(), sorted.end(), [](const HealthPoint& a, const HealthPoint& b) {
        const bool aNan = std::isnan(a.time);
        const bool bNan = std::isnan(b.time);
        if (aNan || bNan) {
            return !aNan && bNan;
        }
        return a.time < b.time;
    });
    return sorted;
}

}  // namespace carecfg
