#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/BlockTransfer.h"
#include "sim/DemoUnit.h"
#include "sim/UnitEngine.h"
#include "tests/link/LinkFakes.h"

namespace carecfg {
namespace {

using testing::Bytes;
using Log = std::vector<std::string>;

// Logs what a window would show of a transfer: progress, messages, decoded regions, the end.
struct TransferLog : LinkListener {
    Log all;
    std::vector<std::pair<int, std::string>> progress;
    void ShowMessage(std::string_view key) override { all.push_back("msg:" + std::string(key)); }
    void ShowProgress(int bar, std::string_view panel) override {
        progress.emplace_back(bar, std::string(panel));
        all.push_back("progress:" + std::to_string(bar) + "/" + std::string(panel));
    }
    void RegionDecoded(RegionId region, bool ok) override {
        all.push_back(std::string("decoded:") + Region(region).name + (ok ? "" : " failed"));
    }
    void TransferEnded(TransferEnd end) override {
        all.push_back(end == TransferEnd::Completed      ? "end:completed"
                      : end == TransferEnd::StrayAddress ? "end:stray"
                                                         : "end:refused");
    }
    // Entries of one kind only, in order.
    Log Only(std::string_view prefix) const {
        Log out;
        std::copy_if(all.begin(), all.end(), std::back_inserter(out),
                     [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
        return out;
    }
};

// The link, the image and the transfer over a fake port, with a simulated unit that answers
// every request the tool writes, in order, until the tool stops asking.
struct TransferRig {
    int now = 0;
    testing::FakePort port{now};
    ManualTimer timer;
    TransferLog log;
    LinkSession session{port, timer, log};
    DeviceImage image;
    BlockTransfer transfer{session, image};
    UnitEngine unit{BuildDemoMemory(), "123456"};
    // Replaces the unit's answer to a request when it returns a frame.
    std::function<std::optional<Bytes>(std::uint8_t command, std::uint32_t address)> override;
    std::size_t answered = 0;

    void RunUnit() {
        while (answered < port.writes.size()) {
            const Bytes request = port.writes[answered++];
            const std::uint8_t command = request[1];
            const std::uint32_t address = (std::uint32_t{request[2]} << 24) |
                                          (std::uint32_t{request[3]} << 16) |
                                          (std::uint32_t{request[4]} << 8) | request[5];
            const std::span<const std::uint8_t> payload(request.data() + 8, request.size() - 9);
            std::optional<Bytes> reply = override ? override(command, address) : std::nullopt;
            if (!reply) {
                reply = unit.Answer(command, address, payload);
            }
            if (reply) {
                session.FeedChunk(reply->data(), static_cast<std::uint16_t>(reply->size()));
            }
        }
    }
    std::vector<std::uint32_t> RequestedAddresses(std::uint8_t command) const {
        std::vector<std::uint32_t> out;
        for (const Bytes& w : port.writes) {
            if (w[1] == command) {
                out.push_back((std::uint32_t{w[2]} << 24) | (std::uint32_t{w[3]} << 16) |
                              (std::uint32_t{w[4]} << 8) | w[5]);
            }
        }
        return out;
    }
};

std::vector<std::uint32_t> Blocks(std::uint32_t start, std::uint32_t count) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = 0; i < count; ++i) {
        out.push_back(start + i * 256);
    }
    return out;
}

TEST(ProgressAt, BarTruncatesAndPanelRounds) {
    struct Case {
        long long position, total;
        int bar;
        const char* panel;
    };
    const Case cases[] = {
        {0, 4096, 1, "1%"},    {0x0E00, 4096, 88, "89%"}, {0x1E00, 8192, 94, "95%"},
        {338, 370, 92, "92%"}, {370, 370, 100, "100%"},   {5000, 370, 100, "100%"},
        {-500, 4096, 0, "0%"}, {1, 0, 0, "0%"},           {0x0100, 3328, 8, "9%"},
    };
    for (const Case& c : cases) {
        const ProgressReading r = ProgressAt(c.position, c.total);
        EXPECT_EQ(r.bar, c.bar) << c.position << "/" << c.total;
        EXPECT_EQ(r.panel, c.panel) << c.position << "/" << c.total;
    }
}

TEST(BlockTransferTest, ReadSettingsFetchesSixteenBlocksThenDecodes) {
    TransferRig rig;
    int decodes = 0;
    rig.transfer.SetDecoder(RegionId::Settings, [&](const DeviceImage& image) {
        ++decodes;
        // The decoder sees the whole region already in the image.
        EXPECT_TRUE(std::equal(image.RegionBytes(RegionId::Settings).begin(),
                               image.RegionBytes(RegionId::Settings).end(),
                               rig.unit.Memory().RegionBytes(RegionId::Settings).begin()));
        return true;
    });
    rig.image.StoreBlock(0x0000, Bytes(256, 0x11));
    rig.transfer.ReadRegion(RegionId::Settings);
    EXPECT_EQ(rig.image.Bytes()[0], 0xFF);  // erased before the first request
    rig.RunUnit();
    EXPECT_EQ(rig.RequestedAddresses(CmdReadBlock), Blocks(0, 16));
    EXPECT_EQ(decodes, 1);
    ASSERT_EQ(rig.log.progress.size(), 17u);
    EXPECT_EQ(rig.log.progress[0], std::make_pair(0, std::string("0%")));
    EXPECT_EQ(rig.log.progress[1].second, "1%");  // after the first reply
    EXPECT_EQ(rig.log.progress[15].first, 88);    // after the reply for 0x0E00
    EXPECT_EQ(rig.log.progress.back(), std::make_pair(0, std::string("100%")));
    EXPECT_EQ(rig.log.Only("decoded"), (Log{"decoded:SettingsRegion"}));
    EXPECT_EQ(rig.log.all.back(), "end:completed");
    EXPECT_FALSE(rig.timer.IsRunning());
}

TEST(BlockTransferTest, RegionReadsFollowTheirButtonsStartingSteps) {
    struct Case {
        RegionId region;
        bool progressBeforeFirstReply;
        std::optional<std::pair<std::uint32_t, std::pair<int, std::string>>> probe;
    };
    const Case cases[] = {
        {RegionId::ArmedRecord, false, {{0x4E00, {94, "95%"}}}},
        {RegionId::AlarmRecord, true, {}},
        {RegionId::DialOutRecord, false, {}},
        {RegionId::Inbox, true, {}},
        {RegionId::Weight, true, {}},
    };
    for (const Case& c : cases) {
        TransferRig rig;
        const ImageRegion& r = Region(c.region);
        rig.transfer.ReadRegion(c.region);
        EXPECT_EQ(!rig.log.progress.empty(), c.progressBeforeFirstReply) << r.name;
        std::vector<std::pair<std::uint32_t, std::pair<int, std::string>>> seen;
        rig.override = [&](std::uint8_t, std::uint32_t address) -> std::optional<Bytes> {
            if (!rig.log.progress.empty()) {
                seen.emplace_back(address, rig.log.progress.back());
            }
            return std::nullopt;
        };
        rig.RunUnit();
        EXPECT_EQ(rig.RequestedAddresses(CmdReadBlock), Blocks(r.start, r.blocks)) << r.name;
        EXPECT_EQ(rig.log.Only("decoded"), Log{std::string("decoded:") + r.name});
        EXPECT_EQ(rig.log.progress.back(), std::make_pair(0, std::string("100%"))) << r.name;
        EXPECT_TRUE(std::equal(rig.image.RegionBytes(c.region).begin(),
                               rig.image.RegionBytes(c.region).end(),
                               rig.unit.Memory().RegionBytes(c.region).begin()))
            << r.name;
        if (c.probe) {
            // The display after the reply for the probed block, seen when the next is asked.
            const auto next = c.probe->first + 256;
            const auto at = std::find_if(seen.begin(), seen.end(),
                                         [&](const auto& s) { return s.first == next; });
            ASSERT_NE(at, seen.end());
            EXPECT_EQ(at->second, c.probe->second);
        }
    }
}

TEST(BlockTransferTest, ReadAllRecordsWalksTheChainAndDecodesEachRegionAsItCompletes) {
    TransferRig rig;
    std::size_t requestsWhenAlarmDecoded = 0;
    rig.transfer.SetDecoder(RegionId::AlarmRecord, [&](const DeviceImage&) {
        requestsWhenAlarmDecoded = rig.port.writes.size();
        return true;
    });
    rig.image.StoreBlock(0x0000, Bytes(256, 0x11));
    rig.transfer.ReadAllRecords();
    EXPECT_EQ(rig.image.Bytes()[0], 0xFF);  // the whole image is erased first
    rig.RunUnit();
    std::vector<std::uint32_t> expected;
    Log decoded;
    for (const RegionId id : RecordChain()) {
        const auto blocks = Blocks(Region(id).start, Region(id).blocks);
        expected.insert(expected.end(), blocks.begin(), blocks.end());
        decoded.push_back(std::string("decoded:") + Region(id).name);
    }
    EXPECT_EQ(rig.RequestedAddresses(CmdReadRecordBlock), expected);
    EXPECT_EQ(expected.size(), 338u);
    EXPECT_EQ(rig.log.Only("decoded"), decoded);
    // Each region is decoded before the first request of the next one.
    EXPECT_EQ(requestsWhenAlarmDecoded, Region(RegionId::AlarmRecord).blocks);
    ASSERT_GE(rig.log.progress.size(), 2u);
    EXPECT_EQ(rig.log.progress[rig.log.progress.size() - 2],
              std::make_pair(92, std::string("92%")));
    EXPECT_EQ(rig.log.progress.back(), std::make_pair(0, std::string("100%")));
    EXPECT_EQ(rig.log.all.back(), "end:completed");
    for (const RegionId id : RecordChain()) {
        EXPECT_TRUE(std::equal(rig.image.RegionBytes(id).begin(), rig.image.RegionBytes(id).end(),
                               rig.unit.Memory().RegionBytes(id).begin()))
            << Region(id).name;
    }
    EXPECT_EQ(rig.image.Bytes()[0x1000], 0xFF);  // outside every region
}

TEST(BlockTransferTest, StrayReplyAddressesEndTheSequenceSilently) {
    struct Case {
        const char* name;
        std::function<void(BlockTransfer&)> start;
        std::uint8_t command;
        std::uint32_t strayAddress;
    };
    const Case cases[] = {
        {"read 0x1000", [](BlockTransfer& t) { t.ReadRegion(RegionId::Settings); }, CmdReadBlock,
         0x1000},
        {"read beyond the image", [](BlockTransfer& t) { t.ReadRegion(RegionId::Inbox); },
         CmdReadBlock, 0x80000000},
        {"record chain in settings", [](BlockTransfer& t) { t.ReadAllRecords(); },
         CmdReadRecordBlock, 0x0000},
    };
    for (const Case& c : cases) {
        TransferRig rig;
        rig.override = [&](std::uint8_t command, std::uint32_t) -> std::optional<Bytes> {
            return BuildFrame(command, c.strayAddress, Bytes(256, 0x42));
        };
        c.start(rig.transfer);
        rig.RunUnit();
        EXPECT_EQ(rig.port.writes.size(), 1u) << c.name;
        EXPECT_EQ(rig.log.Only("msg"), Log{}) << c.name;
        EXPECT_EQ(rig.log.Only("decoded"), Log{}) << c.name;
        EXPECT_EQ(rig.log.all.back(), "end:stray") << c.name;
        EXPECT_EQ(std::count(rig.image.Bytes().begin(), rig.image.Bytes().end(), 0x42), 0)
            << c.name;
    }
}

TEST(BlockTransferTest, SaveSettingsWritesSixteenConfirmedBlocks) {
    TransferRig rig;
    int encodes = 0;
    rig.transfer.SetSettingsEncoder([&] {
        ++encodes;
        rig.image.EraseRegion(RegionId::Settings);
        rig.image.StoreBlock(0x0300, Bytes(256, 0x5A));
        return true;
    });
    rig.transfer.WriteSettings();
    rig.RunUnit();
    EXPECT_EQ(encodes, 1);
    EXPECT_EQ(rig.RequestedAddresses(CmdWriteBlock), Blocks(0, 16));
    EXPECT_EQ(rig.log.Only("msg"), Log{"msg:M13"});
    EXPECT_EQ(rig.log.progress.front(), std::make_pair(0, std::string("0%")));
    EXPECT_EQ(rig.log.progress.back(), std::make_pair(0, std::string("100%")));
    EXPECT_EQ(rig.unit.Memory().Bytes()[0x0300], 0x5A);
    EXPECT_EQ(rig.unit.Memory().Bytes()[0x0FFF], 0xFF);
    EXPECT_EQ(rig.log.all.back(), "end:completed");
}

TEST(BlockTransferTest, RefusedWriteStopsTheSequence) {
    struct Case {
        std::uint8_t status;
        Log messages;
    };
    const Case cases[] = {{2, {"msg:M12"}}, {0, {"msg:M11"}}, {7, {}}};
    for (const Case& c : cases) {
        TransferRig rig;
        rig.override = [&](std::uint8_t command, std::uint32_t address) -> std::optional<Bytes> {
            if (address == 0x0700) {
                return BuildFrame(command, address, Bytes{c.status});
            }
            return std::nullopt;
        };
        rig.transfer.WriteSettings();
        rig.RunUnit();
        EXPECT_EQ(rig.RequestedAddresses(CmdWriteBlock), Blocks(0, 8)) << int(c.status);
        EXPECT_EQ(rig.log.Only("msg"), c.messages) << int(c.status);
        EXPECT_EQ(rig.log.all.back(), "end:refused");
        EXPECT_FALSE(rig.timer.IsRunning());
    }
}

TEST(BlockTransferTest, ConfirmationWhoseNextBlockLiesOutsideTheImageEndsTheSequence) {
    TransferRig rig;
    rig.override = [&](std::uint8_t command, std::uint32_t) -> std::optional<Bytes> {
        return BuildFrame(command, 0x80000000, Bytes{1});  // negative: below 0x0F00
    };
    rig.transfer.WriteSettings();
    rig.RunUnit();
    EXPECT_EQ(rig.port.writes.size(), 1u);
    EXPECT_EQ(rig.log.all.back(), "end:stray");
}

// An answer for an address beyond the settings region (a late block-read answer whose first byte
// is 1) is no confirmation: the write does not report success.
TEST(BlockTransferTest, ConfirmationBeyondTheSettingsRegionIsNoSuccess) {
    for (const std::uint32_t address : {0x1000u, 0x5F00u, 0x3FF00u}) {
        TransferRig rig;
        rig.override = [&](std::uint8_t command, std::uint32_t a) -> std::optional<Bytes> {
            if (a == 0x0300) {
                return BuildFrame(command, address, Bytes{1});
            }
            return std::nullopt;
        };
        rig.transfer.WriteSettings();
        rig.RunUnit();
        EXPECT_EQ(rig.RequestedAddresses(CmdWriteBlock), Blocks(0, 4)) << address;
        EXPECT_TRUE(rig.log.Only("msg:M13").empty()) << address;
        EXPECT_EQ(rig.log.all.back(), "end:stray") << address;
    }
}

TEST(BlockTransferTest, FailingDecoderIsReportedAndTheChainGoesOn) {
    TransferRig rig;
    rig.transfer.SetDecoder(RegionId::AlarmRecord, [](const DeviceImage&) -> bool {
        throw std::runtime_error("decoder");
    });
    rig.transfer.SetDecoder(RegionId::ArmedRecord, [](const DeviceImage&) { return false; });
    rig.transfer.ReadAllRecords();
    rig.RunUnit();
    const Log decoded = rig.log.Only("decoded");
    ASSERT_EQ(decoded.size(), 9u);
    EXPECT_EQ(decoded[0], "decoded:AlarmRecordRegion failed");
    EXPECT_EQ(decoded[1], "decoded:ArmedRecordRegion failed");
    EXPECT_EQ(rig.log.all.back(), "end:completed");
}

TEST(BlockTransferTest, PortClosedShowsM3AfterTheStartingSteps) {
    TransferRig rig;
    rig.port.open = false;
    rig.image.StoreBlock(0x0000, Bytes(256, 0x11));
    rig.transfer.ReadRegion(RegionId::Settings);
    EXPECT_EQ(rig.image.Bytes()[0], 0xFF);
    EXPECT_TRUE(rig.port.writes.empty());
    EXPECT_EQ(rig.log.Only("msg"), Log{"msg:M3"});
}

}  // namespace
}  // namespace carecfg

namespace carecfg {
namespace {

// A unit that keeps answering with blocks the sequence already has (the same earlier block, or
// two blocks in turn) never lets a time-out fire: the sequence ends with "M16" after a bounded
// number of such replies. One late duplicate on the way costs nothing.
TEST(BlockTransferTest, SequenceWithoutProgressEndsWithAMessage) {
    struct Case {
        const char* name;
        std::function<void(BlockTransfer&)> start;
        std::uint8_t command;
        std::uint32_t first;  // the block the unit answers properly before it gets stuck
    };
    const Case cases[] = {
        {"read settings", [](BlockTransfer& t) { t.ReadRegion(RegionId::Settings); }, CmdReadBlock,
         0x0000},
        {"read a record region", [](BlockTransfer& t) { t.ReadRegion(RegionId::Inbox); },
         CmdReadBlock, Region(RegionId::Inbox).start},
        {"read all records", [](BlockTransfer& t) { t.ReadAllRecords(); }, CmdReadRecordBlock,
         Region(RecordChain().front()).start},
        {"write settings", [](BlockTransfer& t) { t.WriteSettings(); }, CmdWriteBlock, 0x0000},
    };
    for (const Case& c : cases) {
        for (const bool alternating : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (alternating ? ", two blocks in turn" : ""));
            TransferRig rig;
            int replies = 0;
            rig.override = [&](std::uint8_t command, std::uint32_t) -> std::optional<Bytes> {
                // Stuck from the third reply on: the first block again (or the first two).
                const std::uint32_t at = replies < 2
                                             ? c.first + replies * 256u
                                             : c.first + (alternating ? (replies % 2) * 256u : 0u);
                ++replies;
                return BuildFrame(command, at, command == CmdWriteBlock ? Bytes{1} : Bytes(256, 7));
            };
            c.start(rig.transfer);
            rig.RunUnit();
            EXPECT_EQ(replies, 2 + BlockTransfer::kMaxRepliesWithoutProgress);
            EXPECT_EQ(rig.log.Only("msg"), Log{"msg:M16"});
            EXPECT_EQ(rig.log.all.back(), "end:stray");
            EXPECT_EQ(rig.log.Only("decoded"), Log{});
        }
    }
}

TEST(BlockTransferTest, OccasionalRepeatedRepliesDoNotEndTheSequence) {
    TransferRig rig;
    std::uint32_t last = 0xFFFFFFFF;
    int replies = 0;
    rig.override = [&](std::uint8_t command, std::uint32_t address) -> std::optional<Bytes> {
        // Every third reply repeats the block before instead of the one asked for.
        const bool repeat = ++replies % 3 == 0 && last != 0xFFFFFFFF;
        const std::uint32_t at = repeat ? last : address;
        last = at;
        return rig.unit.Answer(command, at, {});
    };
    rig.transfer.ReadRegion(RegionId::Settings);
    rig.RunUnit();
    EXPECT_EQ(rig.log.Only("msg"), Log{});
    EXPECT_EQ(rig.log.all.back(), "end:completed");
    EXPECT_TRUE(std::equal(rig.image.RegionBytes(RegionId::Settings).begin(),
                           rig.image.RegionBytes(RegionId::Settings).end(),
                           rig.unit.Memory().RegionBytes(RegionId::Settings).begin()));
}

}  // namespace
}  // namespace carecfg
