#include "sim/DemoUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "image/DeviceImage.h"

namespace carecfg {
namespace {

// A stamp of the demonstration weeks: year 2024, a real calendar date and time of day.
bool PlausibleStamp(const std::uint8_t* s) {
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return s[0] == 24 && s[1] >= 1 && s[1] <= 12 && s[2] >= 1 && s[2] <= days[s[1] - 1] &&
           s[3] < 24 && s[4] < 60 && s[5] < 60;
}

struct RecordLayout {
    RegionId region;
    int slots;
    std::function<std::uint32_t(int)> slotOffset;
    int minimumRecords;
};

std::uint32_t Sectored(int i) {
    return static_cast<std::uint32_t>((i / 50) * 4096 + (i % 50) * 80);
}

class DemoMemoryTest : public ::testing::Test {
protected:
    std::vector<std::uint8_t> memory = BuildDemoMemory();
    const std::uint8_t* At(RegionId id, std::uint32_t offset) const {
        return memory.data() + Region(id).start + offset;
    }
};

TEST_F(DemoMemoryTest, IsDeterministicAndFullSize) {
    ASSERT_EQ(memory.size(), kImageSize);
    EXPECT_EQ(memory, BuildDemoMemory());
}

TEST_F(DemoMemoryTest, SettingsHoldAConfiguredUnit) {
    const auto settings = std::span(memory).first(4096);
    EXPECT_FALSE(std::all_of(settings.begin(), settings.end(), [](auto b) { return b == 0xFF; }));
    auto text = [&](std::uint32_t at, std::size_t width) {
        std::string s;
        for (std::size_t i = 0; i < width && memory[at + i] != 0 && memory[at + i] != 0xFF; ++i) {
            s.push_back(static_cast<char>(memory[at + i]));
        }
        return s;
    };
    EXPECT_EQ(text(0x000, 10), "300421785");
    EXPECT_FALSE(text(0x00A, 16).empty());  // receiver 1
    EXPECT_FALSE(text(0x150, 64).empty());  // zone 0 name
    EXPECT_FALSE(text(0x1AC, 64).empty());  // zone 1 name
    EXPECT_FALSE(text(0xD50, 32).empty());  // email address 1
    EXPECT_FALSE(text(0xD90, 32).empty());  // SMTP server
    EXPECT_LT(memory[0xD2C + 1], 24);       // alarming clock 1 hour
    EXPECT_EQ(memory[0x194], 0xFF);         // zone 0 has no type
    EXPECT_TRUE(std::all_of(memory.begin() + 0xE35, memory.begin() + 0x1000,
                            [](auto b) { return b == 0xFF; }));
}

TEST_F(DemoMemoryTest, EveryHistoryAndMessageRegionHoldsPlausibleRecords) {
    const RecordLayout layouts[] = {
        {RegionId::AlarmRecord, 100, Sectored, 50},
        {RegionId::ArmedRecord, 100, Sectored, 24},
        {RegionId::DialOutRecord, 104, [](int i) { return 32u * i; }, 24},
        {RegionId::IncomingRecord, 104, [](int i) { return 32u * i; }, 24},
        {RegionId::Inbox, 100, [](int i) { return 256u * i; }, 12},
        {RegionId::Outbox, 100, [](int i) { return 256u * i; }, 12},
    };
    for (const RecordLayout& layout : layouts) {
        SCOPED_TRACE(Region(layout.region).name);
        int records = 0;
        int firstDay = 99, lastDay = 0;
        for (int i = 0; i < layout.slots; ++i) {
            const std::uint8_t* slot = At(layout.region, layout.slotOffset(i));
            if (slot[0] == 0xFF) {
                continue;
            }
            ++records;
            EXPECT_TRUE(PlausibleStamp(slot)) << "slot " << i;
            const int dayOfYear = slot[1] * 31 + slot[2];
            firstDay = std::min(firstDay, dayOfYear);
            lastDay = std::max(lastDay, dayOfYear);
        }
        EXPECT_GE(records, layout.minimumRecords);
        EXPECT_TRUE(PlausibleStamp(At(layout.region, 0))) << "first slot in use";
        EXPECT_GE(lastDay - firstDay, 14) << "records spread over weeks";
    }
    // The alarm history fills its second sector too, from the sector start on.
    EXPECT_NE(*At(RegionId::AlarmRecord, 4096), 0xFF);
    EXPECT_EQ(*At(RegionId::AlarmRecord, 4000), 0xFF);
}

TEST_F(DemoMemoryTest, HealthRegionsHoldThresholdsAndReadingsInBothBanks) {
    for (RegionId id : {RegionId::BloodPressure, RegionId::Glucose, RegionId::Weight}) {
        SCOPED_TRACE(Region(id).name);
        const std::uint8_t* header = At(id, 0);
        EXPECT_NE(header[0], 1) << "base unit";
        if (id == RegionId::BloodPressure) {
            EXPECT_GT(header[2], header[3]);
            EXPECT_GT(header[4], header[5]);
        } else {
            EXPECT_GT(header[2] | header[3] << 8, header[4] | header[5] << 8);
        }
        for (std::uint32_t bank : {0x020u, 0x820u}) {
            int readings = 0;
            for (int i = 0; i < 100; ++i) {
                const std::uint8_t* slot = At(id, bank + 16u * i);
                if (slot[3] == 0xFF || slot[2] == 0) {
                    continue;
                }
                ++readings;
                EXPECT_TRUE(PlausibleStamp(slot)) << "bank " << bank << " slot " << i;
            }
            EXPECT_GE(readings, 20) << "bank at " << bank;
        }
    }
    // First blood-pressure reading: systolic above diastolic, heart rate in a human range.
    const std::uint8_t* bp = At(RegionId::BloodPressure, 0x020);
    EXPECT_GT(bp[6], bp[7]);
    EXPECT_GE(bp[8], 40);
    EXPECT_LE(bp[8], 120);
    // Weight in tenths of a kilogram.
    const std::uint8_t* w = At(RegionId::Weight, 0x020);
    EXPECT_NEAR(w[6] | w[7] << 8, 812, 30);
}

}  // namespace
}  // namespace carecfg
