#include "image/DeviceImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace carecfg {
namespace {

struct ExpectedRegion {
    RegionId id;
    const char* name;
    std::uint32_t start, size, blocks, lastBlock;
    int eraseCommand;
};

const ExpectedRegion kExpected[] = {
    {RegionId::Settings, "SettingsRegion", 0x00000, 4096, 16, 0x00F00, -1},
    {RegionId::ArmedRecord, "ArmedRecordRegion", 0x03000, 8192, 32, 0x04F00, 0x91},
    {RegionId::BloodPressure, "BloodPressureRegion", 0x05000, 4096, 16, 0x05F00, 0x92},
    {RegionId::Glucose, "GlucoseRegion", 0x06000, 4096, 16, 0x06F00, 0x93},
    {RegionId::Weight, "WeightRegion", 0x07000, 4096, 16, 0x07F00, 0x94},
    {RegionId::DialOutRecord, "DialOutRecordRegion", 0x09000, 3328, 13, 0x09C00, 0x95},
    {RegionId::IncomingRecord, "IncomingRecordRegion", 0x0A000, 3328, 13, 0x0AC00, 0x96},
    {RegionId::Inbox, "InboxRegion", 0x10000, 25600, 100, 0x16300, 0x97},
    {RegionId::Outbox, "OutboxRegion", 0x20000, 25600, 100, 0x26300, 0x98},
    {RegionId::AlarmRecord, "AlarmRecordRegion", 0x30000, 8192, 32, 0x31F00, 0x90},
};

TEST(ImageRegionsTest, TableMatchesTheMemoryMap) {
    const auto regions = ImageRegions();
    ASSERT_EQ(regions.size(), std::size(kExpected));
    for (std::size_t i = 0; i < regions.size(); ++i) {
        const ImageRegion& r = regions[i];
        const ExpectedRegion& e = kExpected[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r.id, e.id);
        EXPECT_STREQ(r.name, e.name);
        EXPECT_EQ(r.start, e.start);
        EXPECT_EQ(r.size, e.size);
        EXPECT_EQ(r.blocks, e.blocks);
        EXPECT_EQ(r.lastBlock, e.lastBlock);
        EXPECT_EQ(r.eraseCommand, e.eraseCommand);
        EXPECT_EQ(&Region(e.id), &r);
        // Internal consistency: whole blocks, last block really the last, inside the image.
        EXPECT_EQ(r.start % kBlockSize, 0u);
        EXPECT_EQ(r.size, r.blocks * kBlockSize);
        EXPECT_EQ(r.lastBlock + kBlockSize, r.start + r.size);
        EXPECT_LE(r.start + r.size, kImageSize);
        if (i > 0) {
            EXPECT_GE(r.start, regions[i - 1].start + regions[i - 1].size) << "overlap";
        }
    }
}

TEST(ImageRegionsTest, RecordChainOrderCoversTheNineRecordRegions) {
    const std::vector<RegionId> expected = {
        RegionId::AlarmRecord,    RegionId::ArmedRecord, RegionId::BloodPressure,
        RegionId::Glucose,        RegionId::Weight,      RegionId::DialOutRecord,
        RegionId::IncomingRecord, RegionId::Inbox,       RegionId::Outbox};
    const auto chain = RecordChain();
    EXPECT_EQ(std::vector<RegionId>(chain.begin(), chain.end()), expected);
    const std::uint32_t blocks =
        std::accumulate(chain.begin(), chain.end(), 0u,
                        [](std::uint32_t sum, RegionId id) { return sum + Region(id).blocks; });
    EXPECT_EQ(blocks, 338u);
}

TEST(ImageRegionsTest, RegionContainingFindsOnlyAddressesInsideRegions) {
    struct Case {
        std::uint32_t address;
        const char* name;  // nullptr: outside every region
    };
    const Case cases[] = {
        {0x00000, "SettingsRegion"},
        {0x00FFF, "SettingsRegion"},
        {0x01000, nullptr},
        {0x02FFF, nullptr},
        {0x03000, "ArmedRecordRegion"},
        {0x04FFF, "ArmedRecordRegion"},
        {0x09CFF, "DialOutRecordRegion"},
        {0x09D00, nullptr},
        {0x16300, "InboxRegion"},
        {0x16400, nullptr},
        {0x31FFF, "AlarmRecordRegion"},
        {0x32000, nullptr},
        {0x3FFFF, nullptr},
        {0x40000, nullptr},
        {0xFFFFFFFF, nullptr},
    };
    for (const Case& c : cases) {
        const ImageRegion* region = RegionContaining(c.address);
        if (c.name == nullptr) {
            EXPECT_EQ(region, nullptr) << std::hex << c.address;
        } else {
            ASSERT_NE(region, nullptr) << std::hex << c.address;
            EXPECT_STREQ(region->name, c.name) << std::hex << c.address;
        }
    }
}

TEST(ImageRegionsTest, EraseCommandsMapToTheirRegions) {
    const RegionId byCode[] = {
        RegionId::AlarmRecord,    RegionId::ArmedRecord, RegionId::BloodPressure,
        RegionId::Glucose,        RegionId::Weight,      RegionId::DialOutRecord,
        RegionId::IncomingRecord, RegionId::Inbox,       RegionId::Outbox};
    for (int code = 0x90; code <= 0x98; ++code) {
        const ImageRegion* region = RegionByEraseCommand(code);
        ASSERT_NE(region, nullptr) << code;
        EXPECT_EQ(region->id, byCode[code - 0x90]);
    }
    for (int code : {-1, 0, 0x84, 0x8F, 0x99}) {
        EXPECT_EQ(RegionByEraseCommand(code), nullptr) << code;
    }
}

bool AllErased(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == kErased; });
}

TEST(DeviceImageTest, StartsErasedAndEraseAllRestoresIt) {
    DeviceImage image;
    ASSERT_EQ(image.Bytes().size(), kImageSize);
    EXPECT_TRUE(AllErased(image.Bytes()));
    std::fill(image.MutableBytes().begin(), image.MutableBytes().end(), 0x12);
    image.EraseAll();
    EXPECT_TRUE(AllErased(image.Bytes()));
}

TEST(DeviceImageTest, StoreBlockAcceptsOnlyBlocksThatFit) {
    std::vector<std::uint8_t> block(kBlockSize);
    std::iota(block.begin(), block.end(), 0);
    struct Case {
        std::uint32_t address;
        bool stored;
    };
    const Case cases[] = {{0x00000, true},  {0x3FF00, true},     {0x3FF01, false},
                          {0x40000, false}, {0xFFFFFF00, false}, {0xFFFFFFFF, false}};
    for (const Case& c : cases) {
        DeviceImage image;
        EXPECT_EQ(image.StoreBlock(c.address, block), c.stored) << std::hex << c.address;
        if (c.stored) {
            const auto stored = image.Range(c.address, kBlockSize);
            EXPECT_TRUE(std::equal(stored.begin(), stored.end(), block.begin(), block.end()));
            EXPECT_EQ(
                std::count(image.Bytes().begin(), image.Bytes().end(), kErased),
                static_cast<std::ptrdiff_t>(kImageSize - kBlockSize + 1));  // block has one 0xFF
        } else {
            EXPECT_TRUE(AllErased(image.Bytes()));
        }
    }
}

TEST(DeviceImageTest, EraseAndRangeAreClippedToTheImage) {
    DeviceImage image;
    std::fill(image.MutableBytes().begin(), image.MutableBytes().end(), 0x00);

    image.EraseRegion(0x3FFF0, 0x1000);  // runs past the end
    EXPECT_TRUE(AllErased(image.Bytes().subspan(0x3FFF0)));
    EXPECT_EQ(image.Bytes()[0x3FFEF], 0x00);

    image.EraseRegion(0xFFFFFFF0, 0x20);  // start beyond the image, sum wraps in 32 bits
    EXPECT_EQ(image.Bytes()[0], 0x00);

    EXPECT_EQ(image.Range(0x3FF00, 0x1000).size(), 0x100u);
    EXPECT_EQ(image.Range(0x40000, 1).size(), 0u);
    EXPECT_EQ(image.Range(0xFFFFFFFF, 0xFFFFFFFF).size(), 0u);
}

TEST(DeviceImageTest, EraseRegionByIdTouchesOnlyThatRegion) {
    DeviceImage image;
    std::fill(image.MutableBytes().begin(), image.MutableBytes().end(), 0x00);
    image.EraseRegion(RegionId::DialOutRecord);
    const ImageRegion& r = Region(RegionId::DialOutRecord);
    EXPECT_TRUE(AllErased(image.RegionBytes(RegionId::DialOutRecord)));
    EXPECT_EQ(image.Bytes()[r.start - 1], 0x00);
    EXPECT_EQ(image.Bytes()[r.start + r.size], 0x00);
    EXPECT_EQ(std::count(image.Bytes().begin(), image.Bytes().end(), kErased),
              static_cast<std::ptrdiff_t>(r.size));

    image.MutableRegionBytes(RegionId::Inbox)[0] = 0x42;
    EXPECT_EQ(image.Bytes()[Region(RegionId::Inbox).start], 0x42);
}

}  // namespace
}  // namespace carecfg
