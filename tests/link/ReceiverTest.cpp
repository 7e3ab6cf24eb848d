#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "link/FrameParser.h"
#include "link/LinkReceiver.h"
#include "tests/link/LinkFakes.h"

namespace carecfg {
namespace {

using testing::Bytes;
using testing::Reply;
using testing::WithBadChecksum;

using Got = std::tuple<std::uint8_t, std::uint32_t, Bytes>;  // command, address, payload

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// A frame whose length field says 300; its payload is zeros so it holds no start byte.
Bytes OverlongFrame() {
    const Bytes header{0x23, 0x83, 0, 0, 0, 0, 0x01, 0x2C};
    Bytes f(header.size() + 300 + 1, 0x00);
    std::copy(header.begin(), header.end(), f.begin());
    f.back() = 0x83 ^ 0x01 ^ 0x2C;
    return f;
}

struct ReceiverCase {
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<Got> frames;
    int badChecksums;
    int dropped;
    int countAfter;
};

class ReceiverRig {
public:
    ReceiverRig() {
        receiver.onFrame = [this](const ReceiveRecord& r) {
            frames.emplace_back(RecordCommand(r), RecordAddress(r),
                                Bytes(r.begin() + 8, r.begin() + 8 + RecordLength(r)));
        };
        receiver.onBadChecksum = [this] { ++bad; };
    }
    void Feed(const Bytes& chunk) {
        for (std::uint8_t b : chunk) {
            receiver.FeedByte(b);
        }
    }
    LinkReceiver receiver;
    std::vector<Got> frames;
    int bad = 0;
};

TEST(LinkReceiverTest, AssemblesFramesFromTheByteStream) {
    const Bytes status = Reply(0x84, {0x01});
    const Bytes block = Reply(0x83, Bytes(256, 0x5A), 0x100);
    const Bytes hashes = BuildFrame(0x23, 0x23232323, Bytes(0x23, 0x23));
    const ReceiverCase cases[] = {
        {"length 0: the byte after the length is the checksum",
         {Reply(0x07, {})},
         {{0x07, 0, {}}},
         0,
         0,
         0},
        {"noise before the start byte is skipped",
         {Cat({{0x00, 0x55}, status})},
         {{0x84, 0, {0x01}}},
         0,
         0,
         0},
        {"0x23 in command, address, length and payload is data",
         {hashes},
         {{0x23, 0x23232323, Bytes(0x23, 0x23)}},
         0,
         0,
         0},
        {"two frames in one chunk",
         {Cat({status, block})},
         {{0x84, 0, {0x01}}, {0x83, 0x100, Bytes(256, 0x5A)}},
         0,
         0,
         0},
        {"a frame split over chunks",
         {Bytes(block.begin(), block.begin() + 5), Bytes(block.begin() + 5, block.begin() + 100),
          Bytes(block.begin() + 100, block.end())},
         {{0x83, 0x100, Bytes(256, 0x5A)}},
         0,
         0,
         0},
        {"bad checksum is reported and leaves the receiver idle",
         {WithBadChecksum(status)},
         {},
         1,
         0,
         0},
        {"bad frame then good frame",
         {Cat({WithBadChecksum(block), status})},
         {{0x84, 0, {0x01}}},
         1,
         0,
         0},
        {"length 300 is dropped and the next frame still taken",
         {Cat({OverlongFrame(), status})},
         {{0x84, 0, {0x01}}},
         0,
         1,
         0},
        {"a frame that stops half-way keeps the receiver waiting",
         {Bytes(block.begin(), block.begin() + 20)},
         {},
         0,
         0,
         20},
    };
    for (const ReceiverCase& c : cases) {
        ReceiverRig rig;
        for (const Bytes& chunk : c.chunks) {
            rig.Feed(chunk);
        }
        EXPECT_EQ(rig.frames, c.frames) << c.name;
        EXPECT_EQ(rig.bad, c.badChecksums) << c.name;
        EXPECT_EQ(rig.receiver.DroppedFrames(), c.dropped) << c.name;
        EXPECT_EQ(rig.receiver.Count(), c.countAfter) << c.name;
    }
}

TEST(LinkReceiverTest, RecordKeepsTheTailOfAnEarlierFrameUntilReset) {
    ReceiverRig rig;
    ReceiveRecord seen{};
    rig.receiver.onFrame = [&](const ReceiveRecord& r) { seen = r; };
    rig.Feed(Reply(0x83, Bytes(256, 0xAA)));
    const Bytes shortReply = Reply(0x84, {0x02});
    rig.Feed(shortReply);
    EXPECT_EQ(seen[8], 0x02);
    EXPECT_EQ(seen[9], 0xAA);
    EXPECT_EQ(seen[264], shortReply.back());  // checksum stored at 264 whatever the length

    rig.receiver.ResetReceiver();
    for (std::uint8_t b : rig.receiver.Record()) {
        ASSERT_EQ(b, 0);
    }
    EXPECT_EQ(rig.receiver.Count(), 0);
}

TEST(LinkReceiverTest, FailingFrameHandlerStillLeavesTheReceiverIdle) {
    ReceiverRig rig;
    rig.receiver.onFrame = [](const ReceiveRecord&) { throw std::runtime_error("handler"); };
    EXPECT_THROW(rig.Feed(Reply(0x84, {0x01})), std::runtime_error);
    EXPECT_EQ(rig.receiver.Count(), 0);
}

TEST(FrameParserTest, YieldsGoodFramesAndCountsTheRest) {
    FrameParser parser;
    const Bytes login = *BuildLogin("123");
    const Bytes read = BuildReadBlock(0x30000);
    const Bytes stream = Cat({{0x11}, WithBadChecksum(read), OverlongFrame(), login});
    auto frames = parser.Feed(Bytes(stream.begin(), stream.begin() + 321));
    EXPECT_TRUE(frames.empty());
    EXPECT_TRUE(parser.InFrame());
    frames = parser.Feed(Bytes(stream.begin() + 321, stream.end()));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].command, CmdLogin);
    EXPECT_EQ(frames[0].address, 0u);
    EXPECT_EQ(frames[0].payload, (Bytes{'1', '2', '3'}));
    EXPECT_EQ(parser.BadChecksums(), 1);
    EXPECT_EQ(parser.DroppedFrames(), 1);

    frames = parser.Feed(Cat({read, read}));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].address, 0x30000u);
    EXPECT_TRUE(frames[1].payload.empty());
}

}  // namespace
}  // namespace carecfg
