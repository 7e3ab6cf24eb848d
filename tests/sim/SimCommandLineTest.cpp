#include "sim/SimCommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace carecfg {
namespace {

std::optional<SimCommandLine> Parse(std::vector<std::string_view> args,
                                    std::string* error = nullptr) {
    std::string e;
    auto line = ParseSimCommandLine(args, e);
    if (error) {
        *error = e;
    }
    return line;
}

TEST(SimCommandLineTest, DefaultsWithoutArguments) {
    const auto line = Parse({});
    ASSERT_TRUE(line);
    EXPECT_EQ(line->link, "/tmp/ttyCARE0");
    EXPECT_EQ(line->options.password, "123456");
    EXPECT_EQ(line->options.seed, 1u);
    EXPECT_EQ(line->options.faults.writeStatus, 1);
    EXPECT_FALSE(line->options.imageFile);
    EXPECT_FALSE(line->help);
}

TEST(SimCommandLineTest, EveryOptionIsTaken) {
    const auto line = Parse({"--link",
                             "/tmp/x",
                             "--image",
                             "in.bin",
                             "--save",
                             "out.bin",
                             "--password",
                             "abc",
                             "--seed",
                             "77",
                             "--pace",
                             "--delay-ms",
                             "40",
                             "--corrupt",
                             "5",
                             "--drop",
                             "6",
                             "--noise",
                             "3",
                             "--split",
                             "--split-cuts",
                             "4",
                             "--split-pause-ms",
                             "12",
                             "--hang-up-after",
                             "30",
                             "--come-back-ms",
                             "500",
                             "--stop-halfway",
                             "8",
                             "--write-status",
                             "2",
                             "--write-status-at",
                             "0x0700:2",
                             "--help"});
    ASSERT_TRUE(line);
    const SimFaults& f = line->options.faults;
    EXPECT_EQ(line->link, "/tmp/x");
    EXPECT_EQ(line->options.imageFile->string(), "in.bin");
    EXPECT_EQ(line->options.saveFile->string(), "out.bin");
    EXPECT_EQ(line->options.password, "abc");
    EXPECT_EQ(line->options.seed, 77u);
    EXPECT_TRUE(f.pace);
    EXPECT_EQ(f.replyDelayMs, 40);
    EXPECT_EQ(f.corruptOneIn, 5);
    EXPECT_EQ(f.dropOneIn, 6);
    EXPECT_EQ(f.noiseBytes, 3);
    EXPECT_TRUE(f.splitReplies);
    EXPECT_EQ(f.splitCuts, 4);
    EXPECT_EQ(f.splitPauseMs, 12);
    EXPECT_EQ(f.hangUpAfterBlocks, 30);
    EXPECT_EQ(f.comeBackAfterMs, 500);
    EXPECT_EQ(f.stopHalfwayOneIn, 8);
    EXPECT_EQ(f.writeStatus, 2);
    ASSERT_TRUE(f.writeStatusAt);
    EXPECT_EQ(f.writeStatusAt->address, 0x0700u);
    EXPECT_EQ(f.writeStatusAt->status, 2);
    EXPECT_TRUE(line->help);
}

TEST(SimCommandLineTest, BadArgumentsAreRefusedWithAReason) {
    const std::vector<std::vector<std::string_view>> cases = {{"--bogus"},
                                                              {"--drop"},
                                                              {"--drop", "x"},
                                                              {"--drop", "-1"},
                                                              {"--seed", "1.5"},
                                                              {"--password", ""},
                                                              {"--password", "1234567"},
                                                              {"--write-status", "256"},
                                                              {"--write-status-at", "1792"},
                                                              {"--write-status-at", "0x0750:2"},
                                                              {"--write-status-at", "0x40000:2"},
                                                              {"--write-status-at", "0x0700:256"},
                                                              {"--write-status-at", "0xZZ:1"},
                                                              {"--delay-ms", "10ms"},
                                                              {"--split-cuts", "0"},
                                                              {"--hang-up-after", "-3"},
                                                              {"--come-back-ms"}};
    for (const auto& args : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(SimCommandLineTest, WriteStatusAtTakesDecimalOrHexadecimalAddresses) {
    const std::pair<std::string_view, std::uint32_t> cases[] = {
        {"1792:0", 0x0700}, {"0x0F00:0", 0x0F00}, {"0:0", 0}, {"0X3FF00:0", 0x3FF00}};
    for (const auto& [text, address] : cases) {
        const auto line = Parse({"--write-status-at", text});
        ASSERT_TRUE(line) << text;
        ASSERT_TRUE(line->options.faults.writeStatusAt) << text;
        EXPECT_EQ(line->options.faults.writeStatusAt->address, address) << text;
        EXPECT_EQ(line->options.faults.writeStatusAt->status, 0) << text;
    }
}

}  // namespace
}  // namespace carecfg
