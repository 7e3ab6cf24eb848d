#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/DeviceImage.h"
#include "records/RecordDecoders.h"
#include "tests/records/FailingAllocations.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr RegionId kListRegions[] = {RegionId::AlarmRecord,   RegionId::ArmedRecord,
                                     RegionId::DialOutRecord, RegionId::IncomingRecord,
                                     RegionId::Inbox,         RegionId::Outbox};

// Decodes regions of an image the way the pages do, with three arming state names.
class RecordDecodersTest : public ::testing::Test {
protected:
    // Copies the bytes into the image at the region's start plus the offset.
    void Put(RegionId region, std::uint32_t offset, const Bytes& bytes) {
        ASSERT_TRUE(m_image.StoreBlock(Region(region).start + offset, bytes));
    }
    RecordDecode Decode(RegionId region) const {
        return DecodeRecordRegion(m_image, region, m_texts);
    }
    // The only row of a decode that must yield exactly one.
    RecordRow OnlyRow(RegionId region) const {
        const RecordDecode decode = Decode(region);
        EXPECT_TRUE(decode.ok);
        EXPECT_EQ(decode.rows.size(), 1u);
        return decode.rows.empty() ? RecordRow{} : decode.rows.front();
    }

    DeviceImage m_image;
    TextCodec m_codec{"WINDOWS-1252"};
    RecordTextSource m_texts{m_codec, {"Disarmed", "Armed", "Home"}};
};

Bytes Stamp(int year, int month, int day, int hour, int minute, int second) {
    return {static_cast<std::uint8_t>(year),   static_cast<std::uint8_t>(month),
            static_cast<std::uint8_t>(day),    static_cast<std::uint8_t>(hour),
            static_cast<std::uint8_t>(minute), static_cast<std::uint8_t>(second)};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(RecordStampText, WritesEveryNumberWithAtLeastTwoDigits) {
    const struct {
        Bytes stamp;
        std::string text;
    } cases[] = {
        {{0x0C, 0x03, 0x1F, 0x17, 0x05, 0x09}, "2012-03-31 23:05:09"},
        {{0x00, 0x01, 0x01, 0x00, 0x00, 0x00}, "2000-01-01 00:00:00"},
        {{0x63, 0x0C, 0x1F, 0x17, 0x3B, 0x3B}, "2099-12-31 23:59:59"},
        {{0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "2012-255-255 255:255:255"},
        {{0xFE, 0x64, 0x0A, 0x09, 0x00, 0x00}, "20254-100-10 09:00:00"},
        {{0x0C, 0x03, 0x1F, 0x17, 0x05, 0x09, 0x77}, "2012-03-31 23:05:09"},
        {{0x0C, 0x03, 0x1F, 0x17, 0x05}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordStampText(c.stamp), c.text) << c.text;
    }
}

TEST_F(RecordDecodersTest, ErasedListRegionsAreEmptyAndOk) {
    for (const RegionId region : kListRegions) {
        EXPECT_TRUE(IsRecordListRegion(region)) << Region(region).name;
        const RecordDecode decode = Decode(region);
        EXPECT_TRUE(decode.ok) << Region(region).name;
        EXPECT_TRUE(decode.rows.empty()) << Region(region).name;
    }
}

TEST_F(RecordDecodersTest, OtherRegionsAreRefused) {
    m_image.MutableBytes()[Region(RegionId::BloodPressure).start] = 0x0C;
    for (const RegionId region :
         {RegionId::Settings, RegionId::BloodPressure, RegionId::Glucose, RegionId::Weight}) {
        EXPECT_FALSE(IsRecordListRegion(region)) << Region(region).name;
        const RecordDecode decode = Decode(region);
        EXPECT_FALSE(decode.ok) << Region(region).name;
        EXPECT_TRUE(decode.rows.empty()) << Region(region).name;
    }
}

// A slot whose first byte is a year and every other byte 0xFF is listed.
TEST_F(RecordDecodersTest, OnlyTheFirstByteMarksAnEmptySlot) {
    const struct {
        RegionId region;
        std::string third;
    } cases[] = {
        {RegionId::AlarmRecord, ""},    {RegionId::ArmedRecord, "Disarmed"},
        {RegionId::DialOutRecord, "0"}, {RegionId::IncomingRecord, "0"},
        {RegionId::Inbox, ""},          {RegionId::Outbox, ""},
    };
    for (const auto& c : cases) {
        m_image.EraseAll();
        Put(c.region, 0, {0x0C});
        const RecordRow row = OnlyRow(c.region);
        EXPECT_EQ(row.number, "1") << Region(c.region).name;
        EXPECT_EQ(row.stamp, "2012-255-255 255:255:255") << Region(c.region).name;
        EXPECT_EQ(row.third, c.third) << Region(c.region).name;
        EXPECT_EQ(row.fourth, "") << Region(c.region).name;
    }
}

// A text field with neither 0x00 nor 0xFF shows exactly its width, nothing of the bytes around.
TEST_F(RecordDecodersTest, TextFieldsWithoutTerminatorShowTheirWholeWidth) {
    const struct {
        RegionId region;
        std::uint32_t slotSize;
        std::uint32_t offset;
        std::size_t width;
        bool inFourth;
    } cases[] = {
        {RegionId::AlarmRecord, 80, 6, 64, false},  {RegionId::ArmedRecord, 80, 7, 64, true},
        {RegionId::DialOutRecord, 32, 8, 16, true}, {RegionId::IncomingRecord, 32, 8, 16, true},
        {RegionId::Inbox, 256, 6, 16, false},       {RegionId::Inbox, 256, 22, 160, true},
        {RegionId::Outbox, 256, 6, 16, false},      {RegionId::Outbox, 256, 22, 160, true},
    };
    for (const auto& c : cases) {
        m_image.EraseAll();
        Bytes slot(c.slotSize, 'Z');
        std::string field;
        for (std::size_t i = 0; i < c.width; ++i) {
            field.push_back(static_cast<char>('a' + i % 26));
        }
        std::copy(field.begin(), field.end(), slot.begin() + c.offset);
        std::copy_n(Stamp(12, 3, 31, 23, 5, 9).begin(), 6, slot.begin());
        Put(c.region, 0, slot);
        // The slot behind holds a record too, whose bytes must not run into this one.
        Put(c.region, c.slotSize, Bytes(c.slotSize, 'Y'));
        const RecordDecode decode = Decode(c.region);
        ASSERT_EQ(decode.rows.size(), 2u) << Region(c.region).name;
        const RecordRow& row = decode.rows.front();
        EXPECT_EQ(c.inFourth ? row.fourth : row.third, field)
            << Region(c.region).name << " at " << c.offset;
    }
}

TEST_F(RecordDecodersTest, TextsEndAtZeroOrErasedByte) {
    const struct {
        RegionId region;
        Bytes record;
        std::string third;
        std::string fourth;
    } cases[] = {
        {RegionId::AlarmRecord, Concat(Stamp(12, 1, 1, 0, 0, 0), Text(std::string("\0door", 5))),
         "", ""},
        {RegionId::AlarmRecord, Concat(Stamp(12, 1, 1, 0, 0, 0), Text("door\xFFzone")), "door", ""},
        {RegionId::DialOutRecord,
         Concat(Stamp(12, 1, 1, 0, 0, 0), Text(std::string("\x01\x00"
                                                           "0123\0"
                                                           "456",
                                                           10))),
         "1", "0123"},
        {RegionId::Inbox,
         Concat(Stamp(12, 1, 1, 0, 0, 0), Concat(Text("5551234567890123"), Text("\xFFhello"))),
         "5551234567890123", ""},
        {RegionId::Outbox,
         Concat(Stamp(12, 1, 1, 0, 0, 0), Concat(Text(std::string("555\0"
                                                                  "000000000000",
                                                                  16)),
                                                 Text("on my way"))),
         "555", "on my way"},
    };
    for (const auto& c : cases) {
        m_image.EraseAll();
        Put(c.region, 0, c.record);
        const RecordRow row = OnlyRow(c.region);
        EXPECT_EQ(row.third, c.third) << Region(c.region).name;
        EXPECT_EQ(row.fourth, c.fourth) << Region(c.region).name;
    }
}

TEST_F(RecordDecodersTest, CallValuesAreLittleEndianWithErasedAsZero) {
    const struct {
        Bytes value;
        std::string text;
    } cases[] = {
        {{0x34, 0x12}, "4660"},  {{0xFF, 0xFF}, "0"}, {{0xFF, 0x00}, "255"},
        {{0x00, 0xFF}, "65280"}, {{0x00, 0x00}, "0"}, {{0xFE, 0xFF}, "65534"},
    };
    for (const RegionId region : {RegionId::DialOutRecord, RegionId::IncomingRecord}) {
        for (const auto& c : cases) {
            m_image.EraseAll();
            Put(region, 0, Concat(Stamp(12, 1, 1, 0, 0, 0), Concat(c.value, Text("0123"))));
            const RecordRow row = OnlyRow(region);
            EXPECT_EQ(row.third, c.text) << Region(region).name << ' ' << c.text;
            EXPECT_EQ(row.fourth, "0123");
        }
    }
}

TEST_F(RecordDecodersTest, ArmedStateCodesNameAnItemOrNothing) {
    const struct {
        std::uint8_t code;
        std::string name;
    } cases[] = {
        {0, "Disarmed"}, {1, "Armed"}, {2, "Home"}, {0xFF, "Disarmed"}, {3, ""}, {0xFE, ""},
    };
    std::uint32_t slot = 0;
    for (const auto& c : cases) {
        Put(RegionId::ArmedRecord, slot * 80,
            Concat(Stamp(12, 1, 1, 0, 0, static_cast<int>(slot)),
                   Concat({c.code}, Text("keypad"))));
        ++slot;
    }
    const RecordDecode decode = Decode(RegionId::ArmedRecord);
    ASSERT_TRUE(decode.ok);
    ASSERT_EQ(decode.rows.size(), std::size(cases));
    for (std::size_t i = 0; i < decode.rows.size(); ++i) {
        EXPECT_EQ(decode.rows[i].third, cases[i].name) << int(cases[i].code);
        EXPECT_EQ(decode.rows[i].fourth, "keypad");
    }
}

TEST_F(RecordDecodersTest, ArmedStateNamesMayBeMissing) {
    m_texts.armedStateNames.clear();
    Put(RegionId::ArmedRecord, 0, Concat(Stamp(12, 1, 1, 0, 0, 0), {0xFF}));
    EXPECT_EQ(OnlyRow(RegionId::ArmedRecord).third, "");
}

// The sector areas keep 50 slots at the start of each 4096-byte sector; the 96 bytes behind
// slot 49 belong to no slot.
TEST_F(RecordDecodersTest, SlotsLieWhereTheirAreaPlacesThem) {
    const struct {
        RegionId region;
        std::uint32_t offset;
        bool listed;
    } cases[] = {
        {RegionId::AlarmRecord, 4096, true},
        {RegionId::AlarmRecord, 4096 + 49 * 80, true},
        {RegionId::AlarmRecord, 4000, false},
        {RegionId::AlarmRecord, 4080, false},
        {RegionId::AlarmRecord, 8096, false},
        {RegionId::ArmedRecord, 4096, true},
        {RegionId::ArmedRecord, 4000, false},
        {RegionId::DialOutRecord, 103 * 32, true},
        {RegionId::IncomingRecord, 103 * 32, true},
        {RegionId::DialOutRecord, 16, false},
        {RegionId::Inbox, 99 * 256, true},
        {RegionId::Outbox, 99 * 256, true},
        {RegionId::Inbox, 128, false},
    };
    for (const auto& c : cases) {
        m_image.EraseAll();
        Put(c.region, c.offset, Stamp(12, 3, 31, 23, 5, 9));
        const RecordDecode decode = Decode(c.region);
        EXPECT_TRUE(decode.ok);
        EXPECT_EQ(decode.rows.size(), c.listed ? 1u : 0u)
            << Region(c.region).name << " +" << c.offset;
    }
}

TEST_F(RecordDecodersTest, RowsAreInTimeOrderWhateverTheirSlots) {
    Put(RegionId::AlarmRecord, 0, Concat(Stamp(12, 4, 1, 0, 0, 0), Text("later")));
    Put(RegionId::AlarmRecord, 4096 + 10 * 80, Concat(Stamp(12, 3, 31, 23, 5, 9), Text("first")));
    const RecordDecode decode = Decode(RegionId::AlarmRecord);
    ASSERT_TRUE(decode.ok);
    ASSERT_EQ(decode.rows.size(), 2u);
    EXPECT_EQ(decode.rows[0].number, "1");
    EXPECT_EQ(decode.rows[0].stamp, "2012-03-31 23:05:09");
    EXPECT_EQ(decode.rows[0].third, "first");
    EXPECT_EQ(decode.rows[1].number, "2");
    EXPECT_EQ(decode.rows[1].stamp, "2012-04-01 00:00:00");
    EXPECT_EQ(decode.rows[1].third, "later");
}

TEST_F(RecordDecodersTest, AFullAreaIsNumberedThroughInTimeOrder) {
    for (std::uint32_t slot = 0; slot < 104; ++slot) {
        // Slots hold the newest record first.
        const int minute = static_cast<int>(103 - slot);
        Put(RegionId::IncomingRecord, slot * 32,
            Concat(Stamp(12, 5, 6, minute / 60, minute % 60, 0), {0x01, 0x00}));
    }
    const RecordDecode decode = Decode(RegionId::IncomingRecord);
    ASSERT_TRUE(decode.ok);
    ASSERT_EQ(decode.rows.size(), 104u);
    for (std::size_t i = 0; i < decode.rows.size(); ++i) {
        EXPECT_EQ(decode.rows[i].number, std::to_string(i + 1));
        if (i > 0) {
            EXPECT_LT(decode.rows[i - 1].stamp, decode.rows[i].stamp);
        }
    }
}

TEST_F(RecordDecodersTest, InboxAndOutboxAreSeparateAreas) {
    Put(RegionId::Inbox, 0, Concat(Stamp(12, 1, 1, 0, 0, 0), Text("5550001")));
    EXPECT_EQ(OnlyRow(RegionId::Inbox).third, "5550001");
    EXPECT_TRUE(Decode(RegionId::Outbox).rows.empty());

    Put(RegionId::Outbox, 256, Concat(Stamp(12, 1, 2, 0, 0, 0), Text("5550002")));
    EXPECT_EQ(OnlyRow(RegionId::Inbox).third, "5550001");
    EXPECT_EQ(OnlyRow(RegionId::Outbox).third, "5550002");
}

TEST_F(RecordDecodersTest, TextsAreReadInTheUnitsCodePage) {
    const struct {
        const char* codePage;
        std::string shown;
    } cases[] = {
        {"WINDOWS-1252", "caf\xC3\xA9"},  // é
        {"CP1251", "caf\xD0\xB9"},        // й
    };
    Put(RegionId::AlarmRecord, 0, Concat(Stamp(12, 1, 1, 0, 0, 0), Text("caf\xE9")));
    for (const auto& c : cases) {
        const TextCodec codec(c.codePage);
        const RecordDecode decode =
            DecodeRecordRegion(m_image, RegionId::AlarmRecord, RecordTextSource{codec, {}});
        ASSERT_EQ(decode.rows.size(), 1u);
        EXPECT_EQ(decode.rows[0].third, c.shown) << c.codePage;
    }
}

// When memory runs out part way, the decode reports failure and keeps what it had, in slot
// order and without numbers.
TEST_F(RecordDecodersTest, RunningOutOfMemoryStopsWithTheRowsSoFar) {
    if (!test::FailingAllocations::Available()) {
        GTEST_SKIP() << "allocations cannot be refused under AddressSanitizer";
    }
    constexpr int kRecords = 10;
    for (int slot = 0; slot < kRecords; ++slot) {
        // Newest first, texts long enough to need memory of their own.
        Put(RegionId::Inbox, static_cast<std::uint32_t>(slot) * 256,
            Concat(Stamp(12, 1, 1, 0, 0, kRecords - slot),
                   Concat(Text("5550000000000001"), Text("a message of some length"))));
    }
    int failures = 0;
    bool sawPartialRows = false;
    for (int allowed = 0; allowed < 1000; ++allowed) {
        RecordDecode decode;
        {
            test::FailingAllocations failing(allowed);
            decode = Decode(RegionId::Inbox);
            if (!failing.Refused()) {
                EXPECT_TRUE(decode.ok);
                break;
            }
        }
        if (decode.ok) {
            continue;  // only an optional buffer was refused
        }
        ++failures;
        ASSERT_LT(decode.rows.size(), static_cast<std::size_t>(kRecords));
        sawPartialRows = sawPartialRows || !decode.rows.empty();
        for (std::size_t i = 0; i < decode.rows.size(); ++i) {
            EXPECT_EQ(decode.rows[i].number, "");
            EXPECT_EQ(decode.rows[i].stamp,
                      RecordStampText(Stamp(12, 1, 1, 0, 0, kRecords - static_cast<int>(i))));
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_TRUE(sawPartialRows);
}

}  // namespace
}  // namespace carecfg
