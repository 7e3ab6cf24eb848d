#include <gtest/gtest.h>

#include <ctime>
#include <numeric>
#include <stdexcept>

#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "tests/link/LinkFakes.h"

namespace carecfg {
namespace {

using testing::Bytes;

struct FrameCase {
    const char* name;
    Bytes built;
    Bytes expected;
};

TEST(RequestFrames, AreBuiltByteForByte) {
    const FrameCase cases[] = {
        {"read identity", BuildReadIdentity(), {0x23, 0x07, 0, 0, 0, 0, 0, 0, 0x07}},
        {"factory default", BuildFactoryDefault(), {0x23, 0x06, 0, 0, 0, 0, 0, 0, 0x06}},
        {"clear all records", BuildClearAllRecords(), {0x23, 0x84, 0, 0, 0, 0, 0, 0, 0x84}},
        {"clear outbox", BuildClearRegion(0x98), {0x23, 0x98, 0, 0, 0, 0, 0, 0, 0x98}},
        {"read block 0x30000",
         BuildReadBlock(0x30000),
         {0x23, 0x83, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x80}},
        {"read record block 0x12300",
         BuildReadRecordBlock(0x12300),
         {0x23, 0x85, 0x00, 0x01, 0x23, 0x00, 0x00, 0x00, 0xA7}},
        {"login abc",
         *BuildLogin("abc"),
         {0x23, 0x04, 0, 0, 0, 0, 0x00, 0x03, 'a', 'b', 'c', 0x67}},
        {"set clock 2024-03-09 17:05:42",
         BuildSetClock({2024, 3, 9, 17, 5, 42}),
         {0x23, 0x03, 0, 0, 0, 0, 0x00, 0x06, 0x18, 0x03, 0x09, 0x11, 0x05, 0x2A, 0x29}},
        {"user password of four characters",
         BuildSetUserPassword("1234"),
         {0x23, 0x09, 0, 0, 0, 0, 0x00, 0x06, '1', '2', '3', '4', 0xFF, 0xFF, 0x0B}},
        {"admin password too long for its field",
         BuildSetAdminPassword("1234567"),
         {0x23, 0x08, 0, 0, 0, 0, 0x00, 0x06, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0E}},
        {"empty SIM PINs", BuildChangeSimPin("", ""), {0x23, 0x0A, 0,    0,    0,    0,    0x00,
                                                       0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x06}},
        {"SIM PIN upper first",
         BuildChangeSimPin("12", "9"),
         {0x23, 0x0A, 0,    0,   0,    0,    0x00, 0x0C, '1',  '2', 0xFF,
          0xFF, 0xFF, 0xFF, '9', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xC3}},
    };
    for (const FrameCase& c : cases) {
        EXPECT_EQ(c.built, c.expected) << c.name;
    }
}

TEST(RequestFrames, LoginIsRefusedWhenEmptyOrLongerThanSix) {
    EXPECT_FALSE(BuildLogin(""));
    EXPECT_FALSE(BuildLogin("1234567"));
    ASSERT_TRUE(BuildLogin("123456"));
    EXPECT_EQ(BuildLogin("123456")->size(), 15u);
}

TEST(RequestFrames, WriteBlockCarriesTheImageBytesAtItsAddress) {
    Bytes image(0x40000, 0xFF);
    std::iota(image.begin() + 0x3FF00, image.end(), std::uint8_t{0});
    const Bytes frame = BuildWriteBlock(0x3FF00, image);
    ASSERT_EQ(frame.size(), 265u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 8),
              (Bytes{0x23, 0x82, 0x00, 0x03, 0xFF, 0x00, 0x01, 0x00}));
    EXPECT_TRUE(std::equal(frame.begin() + 8, frame.end() - 1, image.begin() + 0x3FF00));
    // 0..255 XOR to 0, so only the header bytes remain in the checksum.
    EXPECT_EQ(frame.back(), 0x82 ^ 0x03 ^ 0xFF ^ 0x01);

    EXPECT_THROW(BuildWriteBlock(0x3FF01, image), std::out_of_range);
    EXPECT_THROW(BuildWriteBlock(0xFFFFFFFF, image), std::out_of_range);
}

TEST(RequestFrames, RejectsWhatCannotBeAFrame) {
    EXPECT_THROW(BuildClearRegion(0x8F), std::invalid_argument);
    EXPECT_THROW(BuildClearRegion(0x99), std::invalid_argument);
    const Bytes tooLong(257, 0);
    EXPECT_THROW(BuildFrame(0x82, 0, tooLong), std::length_error);
}

TEST(RequestFrames, ClockStampComesFromLocalTime) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 9;
    local.tm_hour = 17;
    local.tm_min = 5;
    local.tm_sec = 42;
    local.tm_isdst = -1;
    const ClockStamp s = ClockStampFromLocalTime(std::mktime(&local));
    EXPECT_EQ((std::array{s.year, s.month, s.day, s.hour, s.minute, s.second}),
              (std::array{2024, 3, 9, 17, 5, 42}));
}

TEST(ReceiveRecordFields, ReadBigEndianHeader) {
    ReceiveRecord record{};
    const Bytes header{0x23, 0x85, 0x12, 0x34, 0x56, 0x78, 0x01, 0x00};
    std::copy(header.begin(), header.end(), record.begin());
    record[8] = 0xAB;
    EXPECT_EQ(RecordCommand(record), 0x85);
    EXPECT_EQ(RecordAddress(record), 0x12345678u);
    EXPECT_EQ(RecordLength(record), 256);
    ASSERT_EQ(RecordPayload(record).size(), 256u);
    EXPECT_EQ(RecordPayload(record)[0], 0xAB);
}

}  // namespace
}  // namespace carecfg
