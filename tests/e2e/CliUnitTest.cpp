// The command-line tool's own pieces: argument parsing, the resend interval from skin.ini and the
// monotonic resend timer.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/MonotonicTimer.h"
#include "tests/e2e/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

std::optional<CliCommandLine> Parse(std::vector<std::string_view> args, std::string& error) {
    return ParseCliArguments(args, error);
}

TEST(CliArguments, AcceptsEachCommandWithItsOptions) {
    struct Case {
        std::vector<std::string_view> args;
        CliCommand command;
        std::string port;
        std::optional<int> resendMs;
        double timeout;
        std::string password;
    };
    const Case cases[] = {
        {{"--port", "COM1", "identity"}, CliCommand::Identity, "COM1", std::nullopt, 5.0, ""},
        {{"--port=/tmp/ttyCARE0", "--resend-ms", "200", "--timeout", "0.5", "identity"},
         CliCommand::Identity,
         "/tmp/ttyCARE0",
         200,
         0.5,
         ""},
        {{"--resend-ms=0", "--port", "DEMO", "login", "123456"},
         CliCommand::Login,
         "DEMO",
         0,
         5.0,
         "123456"},
        {{"-v", "--port", "COM3", "--timeout=2", "set-clock"},
         CliCommand::SetClock,
         "COM3",
         std::nullopt,
         2.0,
         ""},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto line = Parse(c.args, error);
        ASSERT_TRUE(line) << error;
        EXPECT_EQ(line->command, c.command);
        EXPECT_EQ(line->port, c.port);
        EXPECT_EQ(line->resendMs, c.resendMs);
        EXPECT_DOUBLE_EQ(line->timeoutSeconds, c.timeout);
        EXPECT_EQ(line->password, c.password);
    }
}

TEST(CliArguments, RejectsBadUsage) {
    const std::vector<std::vector<std::string_view>> cases = {
        {},
        {"identity"},                             // no port
        {"--port", "COM1"},                       // no command
        {"--port"},                               // option without value
        {"--port", "COM1", "reboot"},             // unknown command
        {"--port", "COM1", "login"},              // no password
        {"--port", "COM1", "login", ""},          // empty password
        {"--port", "COM1", "identity", "extra"},  // stray operand
        {"--port", "COM1", "--resend-ms", "-1", "identity"},
        {"--port", "COM1", "--resend-ms", "1.5", "identity"},
        {"--port", "COM1", "--timeout", "0", "identity"},
        {"--port", "COM1", "--timeout", "soon", "identity"},
        {"--port", "COM1", "--baud", "9600", "identity"},  // unknown option
    };
    for (const auto& args : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, error)) << "accepted: " << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliArguments, HelpNeedsNothingElse) {
    std::string error;
    const auto line = Parse({"--help"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->help);
    EXPECT_NE(CliUsage().find("64"), std::string::npos);
}

TEST(CliArguments, WholeNumbers) {
    const std::pair<std::string_view, std::optional<int>> cases[] = {
        {"1500", 1500}, {"0", 0},    {"+20", 20},   {"-5", -5},  {"", {}},
        {"12.5", {}},   {"abc", {}}, {"15 00", {}}, {"+-1", {}}, {"99999999999", {}},
        {"3000ms", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseWholeNumber(text), expected) << text;
    }
}

TEST(CliArguments, ResendIntervalFromSkinIni) {
    TempDir dir;
    const auto ini = dir.Path() / "skin.ini";
    EXPECT_EQ(ResendIntervalFromCatalog(TextCatalog(ini)), 3000);  // no skin.ini at all
    const std::pair<std::string, int> cases[] = {
        {"[CONFIG]\nresendtime=1500\n", 1500},
        {"[CONFIG]\nresendtime = 250 \n", 250},
        {"[CONFIG]\nresendtime=1.5s\n", 0},
        {"[CONFIG]\ncodepage=1252\n", 0},  // key missing
        {"", 0},
    };
    for (const auto& [content, expected] : cases) {
        std::ofstream(ini, std::ios::trunc) << content;
        EXPECT_EQ(ResendIntervalFromCatalog(TextCatalog(ini)), expected) << content;
    }
}

// The resend timer on a clock the test moves by hand.
class MonotonicTimerTest : public ::testing::Test {
protected:
    using Clock = MonotonicTimer::Clock;
    Clock::time_point now{std::chrono::seconds(100)};
    MonotonicTimer timer{[this] { return now; }};
    int fired = 0;

    void SetUp() override {
        timer.onExpiry = [this] { ++fired; };
    }
    void Pass(int ms) {
        now += std::chrono::milliseconds(ms);
        timer.FireIfDue(now);
    }
};

TEST_F(MonotonicTimerTest, FiresAfterItsIntervalAndRunsOn) {
    EXPECT_EQ(timer.Interval(), 3000);
    timer.SetInterval(200);
    timer.Start();
    Pass(199);
    EXPECT_EQ(fired, 0);
    Pass(1);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(timer.IsRunning());
    Pass(200);
    EXPECT_EQ(fired, 2);
    timer.Stop();
    Pass(1000);
    EXPECT_EQ(fired, 2);
    EXPECT_FALSE(timer.Deadline());
}

TEST_F(MonotonicTimerTest, IntervalZeroNeverFires) {
    timer.SetInterval(0);
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_FALSE(timer.Deadline());
    Pass(1'000'000);
    EXPECT_EQ(fired, 0);
}

TEST_F(MonotonicTimerTest, StartOnARunningTimerKeepsItsEarlierStart) {
    timer.SetInterval(300);
    timer.Start();
    Pass(200);
    timer.Start();
    Pass(100);
    EXPECT_EQ(fired, 1);
    // A stopped timer starts afresh.
    timer.Stop();
    Pass(250);
    timer.Start();
    Pass(299);
    EXPECT_EQ(fired, 1);
    Pass(1);
    EXPECT_EQ(fired, 2);
}

TEST_F(MonotonicTimerTest, HandlerThatStopsAndStartsBeginsANewPeriod) {
    // What the link does on expiry: stop, resend, start again.
    timer.SetInterval(100);
    timer.onExpiry = [this] {
        ++fired;
        timer.Stop();
        timer.Start();
    };
    timer.Start();
    Pass(150);  // late by 50 ms: the new period counts from the handler's start
    EXPECT_EQ(fired, 1);
    Pass(99);
    EXPECT_EQ(fired, 1);
    Pass(1);
    EXPECT_EQ(fired, 2);
}

}  // namespace
}  // namespace carecfg
