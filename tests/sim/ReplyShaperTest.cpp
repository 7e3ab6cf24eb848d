#include "sim/ReplyShaper.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "link/FrameParser.h"
#include "link/LinkFrame.h"

namespace carecfg {
namespace {

std::vector<std::uint8_t> BlockFrame() {
    std::vector<std::uint8_t> block(256);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint8_t>(i * 7);
    }
    return BuildFrame(0x83, 0x30100, block);
}

std::vector<std::uint8_t> Joined(const ReplyPlan& plan) {
    std::vector<std::uint8_t> all;
    for (const auto& part : plan.parts) {
        all.insert(all.end(), part.bytes.begin(), part.bytes.end());
    }
    return all;
}

TEST(ReplyShaperTest, WithoutFaultsTheFrameGoesOutWhole) {
    ReplyShaper shaper({}, 1);
    const ReplyPlan plan = shaper.Shape(BlockFrame());
    ASSERT_EQ(plan.parts.size(), 1u);
    EXPECT_EQ(plan.parts[0].pauseBeforeMs, 0);
    EXPECT_EQ(plan.parts[0].bytes, BlockFrame());
}

TEST(ReplyShaperTest, DropSendsNothing) {
    SimFaults faults;
    faults.dropOneIn = 1;
    ReplyShaper shaper(faults, 5);
    EXPECT_TRUE(shaper.Shape(BlockFrame()).parts.empty());
}

TEST(ReplyShaperTest, CorruptionBreaksTheChecksumButKeepsTheHeader) {
    SimFaults faults;
    faults.corruptOneIn = 1;
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        ReplyShaper shaper(faults, seed);
        for (const auto& frame :
             {BlockFrame(), BuildFrame(0x82, 0x100, std::vector<std::uint8_t>{1})}) {
            const ReplyPlan plan = shaper.Shape(frame);
            ASSERT_TRUE(plan.corrupted);
            const auto sent = Joined(plan);
            ASSERT_EQ(sent.size(), frame.size());
            EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 8, sent.begin()));
            FrameParser parser;
            EXPECT_TRUE(parser.Feed(sent).empty());
            EXPECT_EQ(parser.BadChecksums(), 1);
        }
    }
}

TEST(ReplyShaperTest, NoiseNeverHoldsAStartByteAndTheFrameStillParses) {
    SimFaults faults;
    faults.noiseBytes = 40;
    ReplyShaper shaper(faults, 3);
    for (int i = 0; i < 30; ++i) {
        const auto sent = Joined(shaper.Shape(BlockFrame()));
        ASSERT_EQ(sent.size(), 40 + BlockFrame().size());
        EXPECT_EQ(std::count(sent.begin(), sent.begin() + 40, kFrameStart), 0);
        FrameParser parser;
        const auto frames = parser.Feed(sent);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].address, 0x30100u);
    }
}

TEST(ReplyShaperTest, SplitSendsTwoPartsWithAPauseBetween) {
    SimFaults faults;
    faults.splitReplies = true;
    faults.replyDelayMs = 30;
    ReplyShaper shaper(faults, 9);
    for (int i = 0; i < 20; ++i) {
        const ReplyPlan plan = shaper.Shape(BlockFrame());
        ASSERT_EQ(plan.parts.size(), 2u);
        EXPECT_EQ(plan.parts[0].pauseBeforeMs, 30);
        EXPECT_EQ(plan.parts[1].pauseBeforeMs, SimFaults{}.splitPauseMs);
        EXPECT_FALSE(plan.parts[0].bytes.empty());
        EXPECT_FALSE(plan.parts[1].bytes.empty());
        EXPECT_EQ(Joined(plan), BlockFrame());
    }
}

TEST(ReplyShaperTest, SplitAtSeveralPlacesKeepsEveryByteInOrder) {
    SimFaults faults;
    faults.splitReplies = true;
    faults.splitCuts = 5;
    faults.splitPauseMs = 7;
    faults.noiseBytes = 3;
    ReplyShaper shaper(faults, 11);
    std::size_t mostParts = 0;
    for (int i = 0; i < 50; ++i) {
        const ReplyPlan plan = shaper.Shape(BlockFrame());
        ASSERT_GE(plan.parts.size(), 2u);
        ASSERT_LE(plan.parts.size(), 6u);
        mostParts = std::max(mostParts, plan.parts.size());
        for (std::size_t p = 0; p < plan.parts.size(); ++p) {
            EXPECT_FALSE(plan.parts[p].bytes.empty());
            EXPECT_EQ(plan.parts[p].pauseBeforeMs, p == 0 ? 0 : 7);
        }
        // The first part holds the noise and at least the start of the frame.
        EXPECT_GT(plan.parts[0].bytes.size(), 3u);
        FrameParser parser;
        const auto frames = parser.Feed(Joined(plan));
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].address, 0x30100u);
    }
    EXPECT_EQ(mostParts, 6u) << "five distinct cuts make six parts";
}

TEST(ReplyShaperTest, StopHalfwaySendsTheFirstHalfOnly) {
    SimFaults faults;
    faults.stopHalfwayOneIn = 1;
    ReplyShaper shaper(faults, 2);
    const ReplyPlan plan = shaper.Shape(BlockFrame());
    EXPECT_TRUE(plan.stoppedHalfway);
    const auto full = BlockFrame();
    EXPECT_EQ(Joined(plan), std::vector<std::uint8_t>(full.begin(), full.begin() + 132));
}

// The faults seen over a run of replies, as one string: d drop, c corrupt, h half, . clean.
std::string FaultTrace(std::uint32_t seed) {
    SimFaults faults;
    faults.dropOneIn = 4;
    faults.corruptOneIn = 3;
    faults.stopHalfwayOneIn = 5;
    faults.noiseBytes = 2;
    ReplyShaper shaper(faults, seed);
    std::string trace;
    for (int i = 0; i < 200; ++i) {
        const ReplyPlan plan = shaper.Shape(BlockFrame());
        trace += plan.parts.empty() ? 'd' : plan.corrupted ? 'c' : plan.stoppedHalfway ? 'h' : '.';
        if (!plan.parts.empty()) {
            trace += std::to_string(plan.parts[0].bytes[0]);
        }
    }
    return trace;
}

TEST(ReplyShaperTest, SameSeedGivesSameFaultsAndOthersDiffer) {
    EXPECT_EQ(FaultTrace(42), FaultTrace(42));
    EXPECT_NE(FaultTrace(42), FaultTrace(43));
    const std::string trace = FaultTrace(42);
    for (char kind : {'d', 'c', 'h', '.'}) {
        EXPECT_NE(trace.find(kind), std::string::npos) << kind;
    }
}

}  // namespace
}  // namespace carecfg
