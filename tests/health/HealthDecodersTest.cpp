#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "health/HealthDecoders.h"
#include "health/HealthNumbers.h"
#include "health/HealthTime.h"
#include "image/DeviceImage.h"

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Points = std::vector<HealthPoint>;

constexpr RegionId kHealthRegions[] = {RegionId::BloodPressure, RegionId::Glucose,
                                       RegionId::Weight};

Bytes Stamp(int year, int month, int day, int hour, int minute = 0, int second = 0) {
    return {static_cast<std::uint8_t>(year),   static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
            static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double Time(const char* text) {
    return *ParseHealthTimeText(text);
}

// Fills health regions of an image and decodes them with each region's unit labels.
class HealthDecodersTest : public ::testing::Test {
protected:
    HealthDecodersTest() { m_numbers.integers = {{"MZZB", 1}, {"MF", 10}}; }
    void Put(RegionId region, std::uint32_t offset, const Bytes& bytes) {
        ASSERT_TRUE(m_image.StoreBlock(Region(region).start + offset, bytes));
    }
    void Header(RegionId region, const Bytes& bytes) { Put(region, 0, bytes); }
    void Slot(RegionId region, int bank, int slot, const Bytes& bytes) {
        Put(region, HealthScheme::kBankOffsets[bank] + HealthScheme::kSlotSize * slot, bytes);
    }
    HealthSources Sources(RegionId region) const {
        switch (region) {
            case RegionId::BloodPressure:
                return {{"mmHg", "kPa"}, m_numbers, m_separator};
            case RegionId::Glucose:
                return {{"mmol/L", "mg/dL"}, m_numbers, m_separator};
            default:
                return {{"kg", "lb"}, m_numbers, m_separator};
        }
    }
    HealthPage Decode(RegionId region) const {
        return DecodeHealthRegion(m_image, region, Sources(region));
    }

    DeviceImage m_image;
    HealthNumberTable m_numbers;
    char m_separator = '.';
};

std::vector<std::string> Times(const std::vector<HealthRow>& rows) {
    std::vector<std::string> times;
    for (const HealthRow& row : rows) {
        times.push_back(row.time);
    }
    return times;
}

TEST_F(HealthDecodersTest, ErasedRegionsHoldNoReadings) {
    for (const RegionId region : kHealthRegions) {
        SCOPED_TRACE(Region(region).name);
        const HealthPage page = Decode(region);
        EXPECT_TRUE(page.ok());
        EXPECT_FALSE(page.alternativeUnit);
        EXPECT_TRUE(page.banks[0].empty());
        EXPECT_TRUE(page.banks[1].empty());
        const double line = region == RegionId::BloodPressure ? 255.0 : 6553.5;
        const Points linePoints = region == RegionId::BloodPressure
                                      ? Points{{0, line}, {10, line}}
                                      : Points{{0, line}, {10, line}, {10, line}};
        for (const HealthChartData& chart : page.charts) {
            EXPECT_TRUE(chart.model.series[kBank1Series].empty());
            EXPECT_TRUE(chart.model.series[kBank2Series].empty());
            EXPECT_EQ(chart.model.timeAxis.range, (AxisRange{0, 10}));
            EXPECT_EQ(chart.model.scroll.maximum, 0);
            const bool lines = chart.quantity != ReadingQuantity::Diastolic;
            EXPECT_EQ(chart.model.series[kHighLineSeries], lines ? linePoints : Points{});
            EXPECT_EQ(chart.model.series[kLowLineSeries], lines ? linePoints : Points{});
            EXPECT_EQ(chart.model.valueAxis.range, (AxisRange{line, line}));
        }
    }
}

TEST_F(HealthDecodersTest, EmptySlotsAreThoseWithHour0xFFOrDay0) {
    const RegionId bp = RegionId::BloodPressure;
    Slot(bp, 0, 0, Concat(Stamp(12, 3, 0, 9), {120, 80, 70}));     // day 0
    Slot(bp, 0, 1, Concat(Stamp(12, 3, 7, 0xFF), {120, 80, 70}));  // hour 0xFF
    Slot(bp, 0, 2, Concat(Stamp(12, 3, 7, 0), {0xFF, 0xFF, 0xFF}));
    Slot(bp, 0, 3, Stamp(12, 3, 7, 23, 0xFF, 0xFF));  // not empty: a reading that cannot parse
    const HealthPage page = Decode(bp);
    EXPECT_EQ(page.status, HealthDecodeStatus::BadTimeText);
    EXPECT_EQ(Times(page.banks[0]),
              (std::vector<std::string>{"2012-03-07 00:00:00", "2012-03-07 23:255:255"}));
    EXPECT_EQ(page.banks[0][0].values, (std::vector<std::string>{"255 mmHg", "255 mmHg", "255"}));
}

struct ValueCase {
    RegionId region;
    std::uint8_t unitFlag;
    Bytes value;  // slot bytes from offset 6
    char separator;
    std::vector<std::string> texts;
    std::vector<double> plotted;
};

TEST_F(HealthDecodersTest, ValuesInTheHeadersUnitWithTheirLabels) {
    const ValueCase cases[] = {
        {RegionId::BloodPressure,
         0,
         {120, 80, 75},
         '.',
         {"120 mmHg", "80 mmHg", "75"},
         {120, 80, 75}},
        {RegionId::BloodPressure,
         0xFF,
         {120, 80, 75},
         '.',
         {"120 mmHg", "80 mmHg", "75"},
         {120, 80, 75}},
        {RegionId::BloodPressure,
         2,
         {120, 80, 75},
         '.',
         {"120 mmHg", "80 mmHg", "75"},
         {120, 80, 75}},
        {RegionId::BloodPressure,
         1,
         {120, 80, 75},
         '.',
         {"16.0 kPa", "10.7 kPa", "75"},
         {16.0, 80 / 7.5, 75}},
        {RegionId::BloodPressure,
         1,
         {140, 90, 75},
         ',',
         {"18,7 kPa", "12,0 kPa", "75"},
         {140 / 7.5, 12.0, 75}},
        {RegionId::Glucose, 0, {0x48, 0x00}, '.', {"7.2 mmol/L"}, {7.2}},
        {RegionId::Glucose, 1, {0x48, 0x00}, '.', {"129.6 mg/dL"}, {72 * 18 / 10.0}},
        {RegionId::Glucose, 0, {0x00, 0x01}, ',', {"25,6 mmol/L"}, {25.6}},
        {RegionId::Weight, 0, {0xBC, 0x02}, '.', {"70.0 kg"}, {70.0}},
        {RegionId::Weight, 1, {0xBC, 0x02}, '.', {"154.0 lb"}, {700 * 2.2 / 10}},
        {RegionId::Weight, 1, {0x01, 0x00}, '.', {"0.2 lb"}, {1 * 2.2 / 10}},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(std::string(Region(c.region).name) + " " + c.texts[0]);
        m_image.EraseAll();
        m_separator = c.separator;
        Header(c.region, {c.unitFlag});
        Slot(c.region, 0, 0, Concat(Stamp(12, 3, 7, 9, 5), c.value));
        const HealthPage page = Decode(c.region);
        ASSERT_EQ(page.banks[0].size(), 1u);
        EXPECT_EQ(page.alternativeUnit, c.unitFlag == 1);
        EXPECT_EQ(page.banks[0][0].number, "1");
        EXPECT_EQ(page.banks[0][0].time, "2012-03-07 09:05:00");
        EXPECT_EQ(page.banks[0][0].values, c.texts);
        ASSERT_EQ(page.charts.size(), c.plotted.size());
        for (std::size_t q = 0; q < c.plotted.size(); ++q) {
            EXPECT_EQ(page.charts[q].model.series[kBank1Series],
                      (Points{{Time("2012-03-07 09:05:00"), c.plotted[q]}}));
        }
    }
}

TEST_F(HealthDecodersTest, ThresholdsInTheHeadersUnit) {
    const struct {
        RegionId region;
        Bytes header;
        std::vector<std::optional<ThresholdPair>> lines;  // per chart
    } cases[] = {
        {RegionId::BloodPressure, {0, 0, 140, 90, 100, 50}, {{{140, 90}}, {}, {{100, 50}}}},
        // tenths of a kPa; heart rate never scaled
        {RegionId::BloodPressure, {1, 0, 187, 120, 100, 50}, {{{18.7, 12.0}}, {}, {{100, 50}}}},
        {RegionId::Glucose, {0, 0, 0x46, 0x00, 0x28, 0x00}, {{{7.0, 4.0}}}},
        // already in mg/dL: not multiplied by 18
        {RegionId::Glucose, {1, 0, 0x08, 0x07, 0xB4, 0x00}, {{{180.0, 18.0}}}},
        {RegionId::Weight, {1, 0, 0x20, 0x03, 0x90, 0x01}, {{{80.0, 40.0}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Region(c.region).name);
        m_image.EraseAll();
        Header(c.region, c.header);
        const HealthPage page = Decode(c.region);
        ASSERT_EQ(page.charts.size(), c.lines.size());
        for (std::size_t q = 0; q < c.lines.size(); ++q) {
            ASSERT_EQ(page.charts[q].thresholdLines.has_value(), c.lines[q].has_value());
            if (c.lines[q]) {
                EXPECT_DOUBLE_EQ(page.charts[q].thresholdLines->high, c.lines[q]->high);
                EXPECT_DOUBLE_EQ(page.charts[q].thresholdLines->low, c.lines[q]->low);
                EXPECT_DOUBLE_EQ(page.charts[q].model.series[kHighLineSeries][0].value,
                                 c.lines[q]->high);
            }
        }
    }
}

TEST_F(HealthDecodersTest, ListsAreSortedAndNumberedPerBank) {
    const RegionId bp = RegionId::BloodPressure;
    Slot(bp, 0, 0, Concat(Stamp(99, 1, 1, 8), {1, 1, 1}));
    Slot(bp, 0, 1, Concat(Stamp(12, 5, 1, 8), {2, 2, 2}));
    Slot(bp, 0, 2, Concat(Stamp(0, 1, 1, 8), {3, 3, 3}));
    Slot(bp, 0, 3, Concat(Stamp(12, 5, 1, 8), {4, 4, 4}));  // same time as slot 1
    Slot(bp, 1, 7, Concat(Stamp(12, 2, 1, 8), {5, 5, 5}));
    const HealthPage page = Decode(bp);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(Times(page.banks[0]),
              (std::vector<std::string>{"2000-01-01 08:00:00", "2012-05-01 08:00:00",
                                        "2012-05-01 08:00:00", "2099-01-01 08:00:00"}));
    for (std::size_t i = 0; i < page.banks[0].size(); ++i) {
        EXPECT_EQ(page.banks[0][i].number, std::to_string(i + 1));
    }
    ASSERT_EQ(page.banks[1].size(), 1u);
    EXPECT_EQ(page.banks[1][0].number, "1");
    EXPECT_DOUBLE_EQ(page.earliest, Time("2000-01-01 08:00:00"));
    EXPECT_DOUBLE_EQ(page.latest, Time("2099-01-01 08:00:00"));
}

TEST_F(HealthDecodersTest, ReadingsOnlyInBank2FillTheSecondListAndSeries) {
    Slot(RegionId::Glucose, 1, 50, Concat(Stamp(12, 3, 7, 9), {0x48, 0x00}));
    const HealthPage page = Decode(RegionId::Glucose);
    EXPECT_TRUE(page.banks[0].empty());
    ASSERT_EQ(page.banks[1].size(), 1u);
    EXPECT_TRUE(page.charts[0].model.series[kBank1Series].empty());
    EXPECT_EQ(page.charts[0].model.series[kBank2Series].size(), 1u);
}

TEST_F(HealthDecodersTest, BadTimeTextStopsWhereTheSlotsAreReadInterleaved) {
    const RegionId bp = RegionId::BloodPressure;
    const struct {
        const char* name;
        Bytes stamp;
        std::string text;
    } bad[] = {
        {"month 13", Stamp(12, 13, 1, 8), "2012-13-01 08:00:00"},
        {"year byte 100", Stamp(100, 1, 1, 8), "20100-01-01 08:00:00"},
        {"hour 24", Stamp(12, 1, 1, 24), "2012-01-01 24:00:00"},
        {"31 April", Stamp(12, 4, 31, 8), "2012-04-31 08:00:00"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.name);
        m_image.EraseAll();
        Slot(bp, 0, 0, Concat(Stamp(12, 3, 9, 8), {120, 80, 70}));
        Slot(bp, 1, 0, Concat(Stamp(12, 3, 8, 8), {121, 81, 71}));
        Slot(bp, 0, 1, Concat(Stamp(12, 3, 1, 8), {122, 82, 72}));
        Slot(bp, 0, 2, Concat(c.stamp, {123, 83, 73}));
        Slot(bp, 1, 2, Concat(Stamp(12, 3, 1, 8), {124, 84, 74}));  // after the bad slot
        HealthPage page = NewHealthPage(bp);
        for (HealthChartData& chart : page.charts) {
            chart.model.scroll = {6, 2};
        }
        EXPECT_FALSE(DecodeHealthRegion(m_image, Sources(bp), page));
        EXPECT_EQ(page.status, HealthDecodeStatus::BadTimeText);
        // Unsorted, unnumbered, the last row with its time text only.
        EXPECT_EQ(Times(page.banks[0]),
                  (std::vector<std::string>{"2012-03-09 08:00:00", "2012-03-01 08:00:00", c.text}));
        for (const HealthRow& row : page.banks[0]) {
            EXPECT_EQ(row.number, "");
        }
        EXPECT_EQ(page.banks[0][2].values, (std::vector<std::string>{"", "", ""}));
        EXPECT_EQ(Times(page.banks[1]), (std::vector<std::string>{"2012-03-08 08:00:00"}));
        for (const HealthChartData& chart : page.charts) {
            EXPECT_EQ(chart.model.series[kBank1Series].size(), 2u);
            EXPECT_EQ(chart.model.series[kBank2Series].size(), 1u);
            EXPECT_TRUE(chart.model.series[kHighLineSeries].empty());
            EXPECT_TRUE(chart.model.timeAxis.automatic);
            EXPECT_TRUE(chart.model.valueAxis.automatic);
            EXPECT_EQ(chart.model.scroll.maximum, 6);
            EXPECT_EQ(chart.model.scroll.position, 2);
        }
    }
}

TEST_F(HealthDecodersTest, GlucoseAndWeightAddAThresholdPointAtEveryReading) {
    for (const RegionId region : {RegionId::Glucose, RegionId::Weight}) {
        SCOPED_TRACE(Region(region).name);
        m_image.EraseAll();
        Header(region, {0, 0, 0x46, 0x00, 0x28, 0x00});
        Slot(region, 1, 0, Concat(Stamp(12, 3, 9, 8), {0x48, 0x00}));
        Slot(region, 0, 1, Concat(Stamp(12, 3, 7, 20), {0x50, 0x00}));
        const HealthPage page = Decode(region);
        const double day = std::trunc(Time("2012-03-07 20:00:00"));
        const double t1 = Time("2012-03-09 08:00:00"), t2 = Time("2012-03-07 20:00:00");
        EXPECT_EQ(page.charts[0].model.series[kHighLineSeries],
                  (Points{{t1, 7}, {t2, 7}, {day, 7}, {day + 10, 7}, {day + 10, 7}}));
        EXPECT_EQ(page.charts[0].model.series[kLowLineSeries],
                  (Points{{t1, 4}, {t2, 4}, {day, 4}, {day + 10, 4}, {day + 10, 4}}));
    }
}

TEST_F(HealthDecodersTest, FittedRangesHoldThresholdsAndEveryReading) {
    const RegionId bp = RegionId::BloodPressure;
    Header(bp, {0, 0, 140, 90, 100, 60});
    Slot(bp, 0, 0, Concat(Stamp(12, 3, 7, 8), {100, 70, 55}));
    Slot(bp, 1, 0, Concat(Stamp(12, 3, 8, 8), {160, 95, 80}));
    const HealthPage page = Decode(bp);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page.charts[0].model.valueAxis.range, (AxisRange{83, 167}));
    EXPECT_EQ(page.charts[1].model.valueAxis.range, (AxisRange{63, 147}));
    EXPECT_EQ(page.charts[2].model.valueAxis.range, (AxisRange{50.5, 104.5}));
}

TEST_F(HealthDecodersTest, ThresholdsGivenHighBelowLowStillLieInTheRange) {
    const RegionId bp = RegionId::BloodPressure;
    Header(bp, {0, 0, 90, 140, 60, 100});
    const HealthPage page = Decode(bp);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page.charts[0].model.valueAxis.range, (AxisRange{85, 145}));
    EXPECT_EQ(page.charts[2].model.valueAxis.range, (AxisRange{56, 104}));
    EXPECT_DOUBLE_EQ(page.charts[0].thresholdLines->high, 90);
}

TEST_F(HealthDecodersTest, FixedRangesFollowTheHeadersUnit) {
    m_numbers.integers.clear();
    m_numbers.numbers = {{"MSSS1", 1},  {"MSSX1", -1}, {"MSSS2", 2},  {"MSSX2", -2}, {"MSZS1", 3},
                         {"MSZX1", -3}, {"MSZS2", 4},  {"MSZX2", -4}, {"MXLS", 5},   {"MXLX", -5},
                         {"MXTS1", 6},  {"MXTX1", -6}, {"MXTS2", 7},  {"MXTX2", -7}, {"MTZS1", 8},
                         {"MTZX1", -8}, {"MTZS2", 9},  {"MTZX2", -9}};
    const struct {
        RegionId region;
        std::uint8_t flag;
        std::vector<double> tops;
    } cases[] = {
        {RegionId::BloodPressure, 0, {1, 3, 5}},
        {RegionId::BloodPressure, 1, {2, 4, 5}},
        {RegionId::Glucose, 0, {6}},
        {RegionId::Glucose, 1, {7}},
        {RegionId::Weight, 0, {8}},
        {RegionId::Weight, 1, {9}},
    };
    for (const auto& c : cases) {
        m_image.EraseAll();
        Header(c.region, {c.flag});
        const HealthPage page = Decode(c.region);
        ASSERT_TRUE(page.ok());
        for (std::size_t q = 0; q < c.tops.size(); ++q) {
            EXPECT_EQ(page.charts[q].model.valueAxis.range, (AxisRange{-c.tops[q], c.tops[q]}))
                << Region(c.region).name << " chart " << q;
        }
    }
}

TEST_F(HealthDecodersTest, RejectedRangeFailsAfterTheListsAreComplete) {
    m_numbers.integers.clear();
    m_numbers.numbers = {{"MSSS1", 50}, {"MSSX1", 200}, {"MSZS1", 150}, {"MXLS", 120}};
    const RegionId bp = RegionId::BloodPressure;
    Slot(bp, 0, 0, Concat(Stamp(12, 3, 9, 8), {120, 80, 70}));
    Slot(bp, 0, 1, Concat(Stamp(12, 3, 7, 8), {121, 81, 71}));
    const HealthPage page = Decode(bp);
    EXPECT_EQ(page.status, HealthDecodeStatus::BadValueRange);
    EXPECT_EQ(Times(page.banks[0]),
              (std::vector<std::string>{"2012-03-07 08:00:00", "2012-03-09 08:00:00"}));
    EXPECT_EQ(page.banks[0][1].number, "2");
    EXPECT_TRUE(page.charts[0].model.valueAxis.automatic);
    EXPECT_EQ(page.charts[1].model.valueAxis.range, (AxisRange{0, 150}));
    EXPECT_EQ(page.charts[2].model.valueAxis.range, (AxisRange{0, 120}));
    EXPECT_FALSE(page.charts[0].model.timeAxis.automatic);
}

TEST_F(HealthDecodersTest, ADecodeReplacesThePreviousOneAndClearingKeepsTheAxes) {
    const RegionId weight = RegionId::Weight;
    for (int i = 0; i < 100; ++i) {
        Slot(weight, 0, i, Concat(Stamp(12, 1 + i / 28, 1 + i % 28, 8), {0xBC, 0x02}));
        Slot(weight, 1, i, Concat(Stamp(13, 1 + i / 28, 1 + i % 28, 8), {0xBD, 0x02}));
    }
    HealthPage page = NewHealthPage(weight);
    ASSERT_TRUE(DecodeHealthRegion(m_image, Sources(weight), page));
    EXPECT_EQ(page.banks[0].size(), 100u);
    EXPECT_EQ(page.banks[1].size(), 100u);
    EXPECT_GT(page.charts[0].model.scroll.maximum, 300);

    m_image.EraseRegion(weight);
    Slot(weight, 0, 0, Concat(Stamp(12, 3, 7, 8), {0xBC, 0x02}));
    ASSERT_TRUE(DecodeHealthRegion(m_image, Sources(weight), page));
    EXPECT_EQ(page.banks[0].size(), 1u);
    EXPECT_TRUE(page.banks[1].empty());
    EXPECT_EQ(page.charts[0].model.series[kHighLineSeries].size(), 4u);
    EXPECT_EQ(page.charts[0].model.scroll.maximum, 0);

    const HealthChartModel before = page.charts[0].model;
    EmptyHealthPage(page);
    EXPECT_TRUE(page.banks[0].empty());
    for (const Points& points : page.charts[0].model.series) {
        EXPECT_TRUE(points.empty());
    }
    EXPECT_EQ(page.charts[0].model.timeAxis.range, before.timeAxis.range);
    EXPECT_EQ(page.charts[0].model.valueAxis.range, before.valueAxis.range);
}

TEST_F(HealthDecodersTest, OnlyHealthRegionsDecode) {
    EXPECT_EQ(HealthRegionLayouts().size(), 3u);
    for (const ImageRegion& region : ImageRegions()) {
        const HealthPage page = Decode(region.id);
        EXPECT_EQ(IsHealthRegion(region.id), page.status != HealthDecodeStatus::NotHealthRegion)
            << region.name;
    }
    EXPECT_EQ(HealthLayoutOf(RegionId::BloodPressure)->unitSelector, "ComboBox43");
    EXPECT_EQ(HealthLayoutOf(RegionId::Glucose)->unitSelector, "ComboBox45");
    EXPECT_EQ(HealthLayoutOf(RegionId::Weight)->unitSelector, "ComboBox46");
}

TEST(FormatHealthNumber, RoundsHalfAwayFromZero) {
    const struct {
        double value;
        int decimals;
        char separator;
        const char* text;
    } cases[] = {
        {16.0, 1, '.', "16.0"},
        {18.6667, 1, ',', "18,7"},
        {0.25, 1, '.', "0.3"},
        {-0.25, 1, '.', "-0.3"},
        {-0.04, 1, '.', "0.0"},
        {2.5, 0, '.', "3"},
        {120, 0, '.', "120"},
        {6553.5, 1, '.', "6553.5"},
        {1e20, 1, '.', "100000000000000000000.0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHealthNumber(c.value, c.decimals, c.separator), c.text) << c.value;
    }
}

}  // namespace
}  // namespace carecfg
