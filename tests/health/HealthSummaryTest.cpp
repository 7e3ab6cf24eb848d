#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "health/HealthDecoders.h"
#include "health/HealthNumbers.h"
#include "health/HealthSummary.h"

namespace carecfg {
namespace {

TEST(SummarizeReadings, CountMinimumAverageMaximum) {
    const struct {
        std::vector<HealthPoint> points;
        HealthBankSummary summary;
    } cases[] = {
        {{}, {0, 0, 0, 0}},
        {{{1, 7.5}}, {1, 7.5, 7.5, 7.5}},
        {{{1, 120}, {2, 100}, {3, 140}, {4, 120}}, {4, 100, 120, 140}},
    };
    for (const auto& c : cases) {
        const HealthBankSummary summary = SummarizeReadings(c.points);
        EXPECT_EQ(summary.count, c.summary.count);
        EXPECT_DOUBLE_EQ(summary.minimum, c.summary.minimum);
        EXPECT_DOUBLE_EQ(summary.average, c.summary.average);
        EXPECT_DOUBLE_EQ(summary.maximum, c.summary.maximum);
    }
}

TEST(SummarizeHealthPage, OneEntryPerQuantityWithBothBanksInTheShownUnit) {
    DeviceImage image;
    const std::uint32_t start = Region(RegionId::BloodPressure).start;
    const std::vector<std::uint8_t> header = {1};  // kPa
    ASSERT_TRUE(image.StoreBlock(start, header));
    const std::vector<std::vector<std::uint8_t>> bank1 = {{12, 3, 7, 8, 0, 0, 120, 75, 60},
                                                          {12, 3, 8, 8, 0, 0, 150, 90, 80}};
    for (std::size_t i = 0; i < bank1.size(); ++i) {
        ASSERT_TRUE(image.StoreBlock(start + 0x20 + 16 * static_cast<std::uint32_t>(i), bank1[i]));
    }
    const std::vector<std::uint8_t> bank2 = {12, 3, 9, 8, 0, 0, 135, 82, 70};
    ASSERT_TRUE(image.StoreBlock(start + 0x820, bank2));
    const HealthNumberTable numbers;
    const HealthPage page =
        DecodeHealthRegion(image, RegionId::BloodPressure, {{"mmHg", "kPa"}, numbers, '.'});
    ASSERT_TRUE(page.ok());

    const std::vector<HealthQuantitySummary> summaries = SummarizeHealthPage(page);
    ASSERT_EQ(summaries.size(), 3u);
    EXPECT_EQ(summaries[0].quantity, ReadingQuantity::Systolic);
    EXPECT_EQ(summaries[0].decimals, 1);
    EXPECT_EQ(summaries[0].banks[0].count, 2u);
    EXPECT_DOUBLE_EQ(summaries[0].banks[0].minimum, 16.0);
    EXPECT_DOUBLE_EQ(summaries[0].banks[0].average, 18.0);
    EXPECT_DOUBLE_EQ(summaries[0].banks[0].maximum, 20.0);
    EXPECT_EQ(summaries[0].banks[1].count, 1u);
    EXPECT_DOUBLE_EQ(summaries[0].banks[1].average, 18.0);
    EXPECT_EQ(summaries[1].quantity, ReadingQuantity::Diastolic);
    EXPECT_DOUBLE_EQ(summaries[1].banks[0].minimum, 10.0);
    EXPECT_EQ(summaries[2].quantity, ReadingQuantity::HeartRate);
    EXPECT_EQ(summaries[2].decimals, 0);
    EXPECT_DOUBLE_EQ(summaries[2].banks[0].average, 70.0);
    EXPECT_DOUBLE_EQ(summaries[2].banks[1].maximum, 70.0);
}

}  // namespace
}  // namespace carecfg
