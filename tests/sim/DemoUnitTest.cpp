#include "sim/DemoUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

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

std::uint32_t ZoneOffset(int z) {
    return z == 0 ? 0x150u : 0x1ACu + 92u * static_cast<std::uint32_t>(z - 1);
}

// Zones of several types, each with the bytes its type uses: time blocks only for activity
// watch (type 0), no alert or siren from type 6 on, nothing but the type in an unused zone.
TEST_F(DemoMemoryTest, ZonesOfSeveralTypesHoldWhatTheirTypeUses) {
    std::set<int> types;
    for (int z = 1; z <= 32; ++z) {
        SCOPED_TRACE(z);
        const std::uint8_t* zone = memory.data() + ZoneOffset(z);
        const int type = zone[68];
        types.insert(type);
        ASSERT_LE(type, 8);
        const bool named = zone[0] != 0xFF;
        EXPECT_EQ(named, z <= 12) << "zones 1 to 12 are set up and named";
        EXPECT_EQ(zone[89] == 1, type == 7) << "exactly the unused zones are disabled";
        if (type >= 6) {
            EXPECT_EQ(zone[69], 0) << "no alert times";
            EXPECT_EQ(zone[70], 0) << "no siren";
        }
        int activeBlocks = 0;
        for (int q = 0; q < 3; ++q) {
            const std::uint8_t* block = zone + 71 + 6 * q;
            if (type != 0) {
                EXPECT_TRUE(std::all_of(block, block + 6, [](auto b) { return b == 0; }));
                continue;
            }
            EXPECT_LE(block[4], 3) << "days item";
            if (block[4] != 0) {
                ++activeBlocks;
                EXPECT_LT(block[0], 24);
                EXPECT_LT(block[2], 24);
                EXPECT_EQ(block[1] % 5, 0) << "minutes in steps of five";
                EXPECT_EQ(block[3] % 5, 0);
                EXPECT_LT(block[0] * 60 + block[1], block[2] * 60 + block[3]) << "from before to";
            }
        }
        if (type == 0) {
            EXPECT_GE(activeBlocks, 2);
        }
    }
    for (int wanted : {0, 1, 2, 4, 5, 6, 7}) {
        EXPECT_EQ(types.count(wanted), 1u) << "a zone of type " << wanted;
    }
    EXPECT_EQ(memory[0x150], 'E') << "zone 0, the emergency pendant, is named";
}

// Five receivers, each with the reports it gets; unused rows and unused bits stay clear.
TEST_F(DemoMemoryTest, ReceiversCarryTheirReportFlags) {
    int receivers = 0;
    std::uint8_t everyB = 0, everyA = 0;
    for (int n = 0; n < 10; ++n) {
        SCOPED_TRACE(n + 1);
        const bool used = memory[0x00A + 16 * n] != 0xFF;
        const std::uint8_t a = memory[0x0AA + 2 * n];
        const std::uint8_t b = memory[0x0AB + 2 * n];
        EXPECT_EQ(a & 0xFC, 0) << "byte A has two report bits";
        EXPECT_EQ(used, (a | b) != 0) << "a number has reports, a blank row none";
        receivers += used ? 1 : 0;
        everyA |= a;
        everyB |= b;
    }
    EXPECT_GE(receivers, 4);
    EXPECT_EQ(everyB, 0xFF) << "every report column is used by some receiver";
    EXPECT_EQ(everyA, 0x03);
}

// Blood pressure and weight in the base units, glucose in mg/dL; every high above its low and
// each in a clinical range of its unit.
TEST_F(DemoMemoryTest, ThresholdsUseTheAlternativeUnitForGlucoseOnly) {
    const std::uint8_t flags = memory[0xDF3];
    EXPECT_EQ(flags & 0x1C, 0x08) << "bit 3 (glucose) set, bits 2 and 4 clear";
    auto word = [&](std::uint32_t at) { return memory[at] | memory[at + 1] << 8; };
    struct Range {
        const char* what;
        int high, low, lowest, highest;
    };
    const Range ranges[] = {
        {"systolic mmHg", memory[0xDE6], memory[0xDE7], 60, 220},
        {"heart rate bpm", memory[0xDE8], memory[0xDE9], 30, 200},
        {"glucose tenths of mg/dL", word(0xDEA), word(0xDEC), 450, 2970},
        {"weight tenths of kg", word(0xDEE), word(0xDF0), 300, 1800},
        {"temperature degrees", memory[0x14C], memory[0x14D], 0, 45},
    };
    for (const Range& r : ranges) {
        SCOPED_TRACE(r.what);
        EXPECT_GT(r.high, r.low);
        EXPECT_GE(r.low, r.lowest);
        EXPECT_LE(r.high, r.highest);
    }
}

// Every time of day is a real one (or, for a timer, not set), and the email days are codes of a
// weekday list (0x80 every day, 0x81..0x87 Monday..Sunday) or a day of the month (1..31).
TEST_F(DemoMemoryTest, TimesAndEmailDaysAreValid) {
    struct Time {
        const char* what;
        std::uint32_t hour, minute;
        bool mayBeUnset;
    };
    std::vector<Time> times = {
        {"daily SMS", 0x0CE, 0x0CF, false}, {"timer 1", 0x146, 0x147, true},
        {"timer 2", 0x148, 0x149, true},    {"timer 3", 0x14A, 0x14B, true},
        {"email 1", 0xDE0, 0xDE1, false},   {"email 2", 0xDE2, 0xDE3, false}};
    for (std::uint32_t k = 0; k < 5; ++k) {
        times.push_back({"alarm clock", 0xD2D + 6 * k, 0xD2E + 6 * k, false});
    }
    for (const Time& t : times) {
        SCOPED_TRACE(t.what);
        if (t.mayBeUnset && memory[t.hour] == 0xFF) {
            EXPECT_EQ(memory[t.minute], 0xFF);
            continue;
        }
        EXPECT_LT(memory[t.hour], 24);
        EXPECT_LT(memory[t.minute], 60);
    }
    for (std::uint32_t at : {0xDE4u, 0xDE5u}) {
        const int code = memory[at];
        EXPECT_TRUE((code >= 0x80 && code <= 0x87) || (code >= 1 && code <= 31)) << code;
    }
    for (std::uint32_t k = 0; k < 5; ++k) {
        EXPECT_LT(memory[0xD2C + 6 * k], 6) << "clock type item";
    }
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
