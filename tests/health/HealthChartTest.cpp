#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "health/HealthChart.h"
#include "health/HealthNumbers.h"

namespace carecfg {
namespace {

using Points = std::vector<HealthPoint>;

constexpr double kDay = 40975.0;  // 2012-03-07 00:00

// Replays the steps on a range, failing when any step leaves the maximum below the minimum.
AxisRange Replay(AxisRange range, const std::array<RangeStep, 2>& steps) {
    for (const RangeStep& step : steps) {
        (step.end == RangeStep::End::Minimum ? range.minimum : range.maximum) = step.value;
        EXPECT_LE(range.minimum, range.maximum);
    }
    return range;
}

TEST(RangeSteps, NeverPassMaximumBelowMinimum) {
    const struct {
        AxisRange current;
        AxisRange wanted;
    } cases[] = {
        {{500, 600}, {0, 10}},  // wholly below
        {{0, 10}, {500, 600}},  // wholly above
        {{0, 100}, {40, 60}},   // inside
        {{40, 60}, {0, 100}},   // around
        {{0, 10}, {10, 20}},    // touching
        {{5, 5}, {5, 5}},       // unchanged, zero width
        {{-20, -10}, {-100, -50}},
    };
    for (const auto& c : cases) {
        const auto steps = RangeSteps(c.current, c.wanted);
        ASSERT_TRUE(steps);
        EXPECT_EQ(Replay(c.current, *steps), c.wanted);
    }
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    for (int i = 0; i < 2000; ++i) {
        const double a = value(random), b = value(random), c = value(random), d = value(random);
        const AxisRange current{std::min(a, b), std::max(a, b)};
        const AxisRange wanted{std::min(c, d), std::max(c, d)};
        EXPECT_EQ(Replay(current, *RangeSteps(current, wanted)), wanted);
    }
}

TEST(RangeSteps, RejectInvertedAndNonFiniteRanges) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const AxisRange wanted : {AxisRange{2, 1}, AxisRange{nan, 1}, AxisRange{0, inf}}) {
        EXPECT_FALSE(RangeSteps({0, 10}, wanted));
        HealthAxis axis{{0, 10}, true};
        EXPECT_FALSE(SetAxisRange(axis, wanted));
        EXPECT_EQ(axis.range, (AxisRange{0, 10}));
        EXPECT_TRUE(axis.automatic);
    }
}

TEST(ResetHealthChart, EmptiesSeriesAndKeepsTheScrollBar) {
    HealthChartModel chart;
    for (Points& points : chart.series) {
        points = {{1, 2}};
    }
    chart.timeAxis = {{3, 13}, false};
    chart.valueAxis = {{0, 50}, false};
    chart.scroll = {7, 2};
    ResetHealthChart(chart);
    for (const Points& points : chart.series) {
        EXPECT_TRUE(points.empty());
    }
    EXPECT_TRUE(chart.timeAxis.automatic);
    EXPECT_TRUE(chart.valueAxis.automatic);
    EXPECT_EQ(chart.scroll.maximum, 7);
    EXPECT_EQ(chart.scroll.position, 2);
}

// The threshold-line points, window and scroll range framing gives for readings from E to L.
struct FrameCase {
    const char* name;
    double earliest;
    double latest;
    TimeAxisForm form;
    std::vector<double> lineTimes;
    int scrollMaximum;
};

TEST(FrameTimeAxis, WindowThresholdPointsAndScrollRange) {
    using F = TimeAxisForm;
    const double d = kDay;
    const FrameCase cases[] = {
        {"no readings", 0, 0, F::BloodPressure, {0, 10}, 0},
        {"no readings, glucose", 0, 0, F::Glucose, {0, 10, 10}, 0},
        {"three days from 14:00",
         d + 14 / 24.0,
         d + 3 + 14 / 24.0,
         F::BloodPressure,
         {d, d + 10},
         0},
        {"three days, glucose",
         d + 14 / 24.0,
         d + 3 + 14 / 24.0,
         F::Glucose,
         {d, d + 10, d + 10},
         0},
        {"25 days", d + 8 / 24.0, d + 25 + 20 / 24.0, F::BloodPressure, {d, d + 27, d, d + 10}, 16},
        {"25 days, glucose",
         d + 8 / 24.0,
         d + 25 + 20 / 24.0,
         F::Glucose,
         {d, d + 10, d + 27, d, d + 10},
         16},
        {"exactly ten days from midnight", d, d + 10, F::BloodPressure, {d, d + 12, d}, 0},
        // The latest reading lies past the first window although the span is not over ten
        // days: the scroll bar reaches it.
        {"exactly ten days from 06:00", d + 0.25, d + 10.25, F::BloodPressure, {d, d + 12, d}, 1},
        {"just under ten days from 20:00",
         d + 20 / 24.0,
         d + 10 + 19 / 24.0,
         F::BloodPressure,
         {d, d + 10},
         1},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        HealthChartModel chart;
        chart.timeAxis.range = {90000, 90010};  // a window far later than the new one
        chart.scroll = {5, 3};
        FrameTimeAxis(chart, c.earliest, c.latest, ThresholdPair{140, 90}, c.form);
        EXPECT_EQ(chart.timeAxis.range,
                  (AxisRange{std::trunc(c.earliest), std::trunc(c.earliest) + kChartWindowDays}));
        EXPECT_FALSE(chart.timeAxis.automatic);
        Points high, low;
        for (const double t : c.lineTimes) {
            high.push_back({t, 140});
            low.push_back({t, 90});
        }
        EXPECT_EQ(chart.series[kHighLineSeries], high);
        EXPECT_EQ(chart.series[kLowLineSeries], low);
        EXPECT_EQ(chart.scroll.maximum, c.scrollMaximum);
        EXPECT_EQ(chart.scroll.position, 0);
    }
}

TEST(FrameTimeAxis, AChartWithoutThresholdsGetsNoLinePoints) {
    HealthChartModel chart;
    FrameTimeAxis(chart, kDay, kDay + 30, std::nullopt, TimeAxisForm::BloodPressure);
    EXPECT_TRUE(chart.series[kHighLineSeries].empty());
    EXPECT_TRUE(chart.series[kLowLineSeries].empty());
    EXPECT_EQ(chart.scroll.maximum, 22);
}

TEST(ScrollHealthChart, MovesTheWindowByWholeDays) {
    HealthChartModel chart;
    const double earliest = kDay + 8 / 24.0;
    FrameTimeAxis(chart, earliest, kDay + 25 + 20 / 24.0, std::nullopt,
                  TimeAxisForm::BloodPressure);
    const struct {
        int position;
        int shown;
    } moves[] = {{16, 16}, {3, 3}, {4, 4}, {99, 16}, {-5, 0}, {1, 1}};
    for (const auto& move : moves) {
        const AxisRange window = ScrollHealthChart(chart, move.position);
        EXPECT_EQ(chart.scroll.position, move.shown);
        EXPECT_EQ(window, HealthTimeWindow(earliest, move.shown));
        EXPECT_EQ(window, (AxisRange{kDay + move.shown, kDay + 10 + move.shown}));
        EXPECT_EQ(chart.timeAxis.range, window);
    }
}

struct ValueCase {
    const char* name;
    HealthNumberTable numbers;
    double maximum;
    double minimum;
    std::optional<AxisRange> range;  // nothing: rejected
};

HealthNumberTable Numbers(std::map<std::string, int, std::less<>> integers,
                          std::map<std::string, double, std::less<>> numbers) {
    HealthNumberTable table;
    table.integers = std::move(integers);
    table.numbers = std::move(numbers);
    return table;
}

TEST(FrameValueAxis, FittedOrFixedRangeAndRejection) {
    const ValueCase cases[] = {
        {"fitted with a margin", Numbers({{"MZZB", 1}, {"MF", 10}}, {}), 160, 90, {{83, 167}}},
        {"fitted without margin", Numbers({{"MZZB", 1}}, {}), 160, 90, {{90, 160}}},
        {"fitted, margin shrinking to a point",
         Numbers({{"MZZB", 1}, {"MF", -50}}, {}),
         160,
         90,
         {{125, 125}}},
        {"fitted, negative margin below -50", Numbers({{"MZZB", 1}, {"MF", -60}}, {}), 160, 90,
         std::nullopt},
        {"fixed keys",
         Numbers({{"MF", 10}}, {{"MAX", 200.5}, {"MIN", 40}}),
         160,
         90,
         {{40, 200.5}}},
        {"fixed keys absent", Numbers({}, {}), 160, 90, {{0, 0}}},
        {"fixed keys inverted", Numbers({}, {{"MAX", 40}, {"MIN", 200}}), 160, 90, std::nullopt},
        {"fixed key not a number", Numbers({}, {{"MAX", std::nan("")}}), 160, 90, std::nullopt},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        HealthChartModel chart;
        chart.valueAxis.range = {500, 600};
        const bool framed = FrameValueAxis(chart, c.maximum, c.minimum, {"MAX", "MIN"}, c.numbers);
        EXPECT_EQ(framed, c.range.has_value());
        if (c.range) {
            EXPECT_EQ(chart.valueAxis.range, *c.range);
            EXPECT_FALSE(chart.valueAxis.automatic);
        } else {
            EXPECT_EQ(chart.valueAxis.range, (AxisRange{500, 600}));
            EXPECT_TRUE(chart.valueAxis.automatic);
        }
    }
}

TEST(SortedByTime, OrdersByTimeAndKeepsTiesInOrder) {
    const Points points = {{3, 1}, {1, 2}, {std::nan(""), 9}, {2, 3}, {1, 4}};
    const Points sorted = SortedByTime(points);
    ASSERT_EQ(sorted.size(), 5u);
    EXPECT_EQ(sorted[0], (HealthPoint{1, 2}));
    EXPECT_EQ(sorted[1], (HealthPoint{1, 4}));
    EXPECT_EQ(sorted[2], (HealthPoint{2, 3}));
    EXPECT_EQ(sorted[3], (HealthPoint{3, 1}));
    EXPECT_TRUE(std::isnan(sorted[4].time));
}

}  // namespace
}  // namespace carecfg
