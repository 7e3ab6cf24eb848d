// The command-line tool's own pieces: argument parsing, the resend interval from skin.ini, the
// monotonic resend timer and the settings profiles as text and JSON.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/MonotonicTimer.h"
#include "cli/RegionNames.h"
#include "tests/support/TempDir.h"
#include "text/ConfigValues.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using testing::TempDir;

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

TEST(CliArguments, TakesTheNewCommandsAndTheirOperands) {
    struct Case {
        std::vector<std::string_view> args;
        CliCommand command;
        std::string file, out, newSecret, oldSecret;
        std::optional<std::string> loginPassword, base;
        PasswordRole role;
        bool json;
    };
    const std::optional<std::string> none;
    const auto U = PasswordRole::User;
    const Case cases[] = {
        {{"--port", "P", "read-settings", "--out", "a.bin"},
         CliCommand::ReadSettings,
         "",
         "a.bin",
         "",
         "",
         none,
         none,
         U,
         false},
        {{"--port", "P", "write-settings", "a.bin", "--password", "123456"},
         CliCommand::WriteSettings,
         "a.bin",
         "",
         "",
         "",
         "123456",
         none,
         U,
         false},
        {{"settings", "a.bin", "--json"},
         CliCommand::ShowSettings,
         "a.bin",
         "",
         "",
         "",
         none,
         none,
         U,
         true},
        {{"settings-encode", "-", "--out", "b.bin", "--base", "a.bin"},
         CliCommand::EncodeSettings,
         "-",
         "b.bin",
         "",
         "",
         none,
         "a.bin",
         U,
         false},
        {{"--port", "P", "set-password", "admin", "654321"},
         CliCommand::SetPassword,
         "",
         "",
         "654321",
         "",
         none,
         none,
         PasswordRole::Admin,
         false},
        // Global options may follow the command.
        {{"set-pin", "4321", "1234", "--port", "P", "--password", "123456"},
         CliCommand::SetPin,
         "",
         "",
         "4321",
         "1234",
         "123456",
         none,
         U,
         false},
        {{"--port", "P", "factory-default"},
         CliCommand::FactoryDefault,
         "",
         "",
         "",
         "",
         none,
         none,
         U,
         false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto line = Parse(c.args, error);
        ASSERT_TRUE(line) << ::testing::PrintToString(c.args) << ": " << error;
        EXPECT_EQ(line->command, c.command);
        EXPECT_EQ(line->file, c.file);
        EXPECT_EQ(line->out, c.out);
        EXPECT_EQ(line->newSecret, c.newSecret);
        EXPECT_EQ(line->oldSecret, c.oldSecret);
        EXPECT_EQ(line->loginPassword, c.loginPassword);
        EXPECT_EQ(line->base, c.base);
        EXPECT_EQ(line->role, c.role);
        EXPECT_EQ(line->json, c.json);
    }
}

TEST(CliArguments, RejectsBadUsageOfTheNewCommands) {
    const std::vector<std::vector<std::string_view>> cases = {
        {"read-settings", "--out", "a.bin"},  // no port
        {"--port", "P", "read-settings"},     // no --out
        {"--port", "P", "write-settings"},    // no file
        {"--port", "P", "write-settings", "a", "--password", ""},
        {"settings"},                                     // no file
        {"settings-encode", "x.json"},                    // no --out
        {"--port", "P", "set-password", "root", "1234"},  // no such role
        {"--port", "P", "set-password", "user"},          // no new password
        {"--port", "P", "set-pin", "1234"},               // no old PIN
        {"--port", "P", "--read-interval-ms", "0", "identity"},
        {"--port", "P", "--read-interval-ms", "101", "identity"},
        {"--port", "P", "--read-interval-ms", "5ms", "identity"},
    };
    for (const auto& args : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, error)) << "accepted: " << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliArguments, TakesTheRecordCommands) {
    struct Case {
        std::vector<std::string_view> args;
        CliCommand command;
        RegionId region;
        std::string out;
        std::optional<std::string> loginPassword;
    };
    const Case cases[] = {
        {{"--port", "P", "read-records", "--out", "r.bin"},
         CliCommand::ReadRecords,
         RegionId::Settings,
         "r.bin",
         {}},
        {{"--port", "P", "read-region", "alarm", "--out", "a.bin"},
         CliCommand::ReadRegion,
         RegionId::AlarmRecord,
         "a.bin",
         {}},
        {{"read-region", "--out", "s.bin", "settings", "--port", "P"},
         CliCommand::ReadRegion,
         RegionId::Settings,
         "s.bin",
         {}},
        {{"--port", "P", "clear-region", "pressure", "--password", "123456"},
         CliCommand::ClearRegion,
         RegionId::BloodPressure,
         "",
         "123456"},
        {{"--port", "P", "clear-region", "outbox"},
         CliCommand::ClearRegion,
         RegionId::Outbox,
         "",
         {}},
        {{"--port", "P", "clear-records", "--password", "1"},
         CliCommand::ClearRecords,
         RegionId::Settings,
         "",
         "1"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto line = Parse(c.args, error);
        ASSERT_TRUE(line) << ::testing::PrintToString(c.args) << ": " << error;
        EXPECT_EQ(line->command, c.command);
        EXPECT_EQ(line->region, c.region);
        EXPECT_EQ(line->out, c.out);
        EXPECT_EQ(line->loginPassword, c.loginPassword);
    }
}

TEST(CliArguments, RejectsBadUsageOfTheRecordCommands) {
    const std::string all =
        "settings, alarm, armed, pressure, glucose, weight, dialout, incoming, "
        "inbox, outbox";
    const std::string clearable = all.substr(std::string("settings, ").size());
    struct Case {
        std::vector<std::string_view> args;
        std::string errorPart;  // empty: any error
    };
    const Case cases[] = {
        {{"read-records", "--out", "r.bin"}, ""},  // no port
        {{"--port", "P", "read-records"}, ""},     // no --out
        {{"--port", "P", "read-records", "--out", ""}, ""},
        {{"--port", "P", "read-region", "--out", "a.bin"}, ""},  // no region
        {{"--port", "P", "read-region", "alarm"}, ""},           // no --out
        {{"--port", "P", "read-region", "kitchen", "--out", "a.bin"}, "one of: " + all},
        {{"--port", "P", "read-region", "Alarm", "--out", "a.bin"}, "one of: " + all},
        {{"--port", "P", "clear-region", "settings"}, "one of: " + clearable},
        {{"--port", "P", "clear-region", "inboxes"}, "one of: " + clearable},
        {{"--port", "P", "clear-region"}, ""},
        {{"--port", "P", "clear-records", "alarm"}, ""},  // stray operand
        {{"--port", "P", "clear-records", "--password", ""}, ""},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.args, error)) << "accepted: " << ::testing::PrintToString(c.args);
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

TEST(CliArguments, EveryRegionHasOneName) {
    for (const ImageRegion& region : ImageRegions()) {
        EXPECT_EQ(RegionByCliName(CliNameOf(region.id)), region.id) << region.name;
    }
    EXPECT_EQ(CliRegionNames().size(), ImageRegions().size());
}

TEST(CliArguments, ReadIntervalIsTakenInItsRange) {
    for (const auto& [text, ms] : {std::pair{"1", 1}, std::pair{"100", 100}, std::pair{"40", 40}}) {
        std::string error;
        const auto line = Parse({"--port", "P", "--read-interval-ms", text, "identity"}, error);
        ASSERT_TRUE(line) << error;
        EXPECT_EQ(line->readIntervalMs, ms);
    }
}

TEST(CliArguments, HelpOfTheProgramAndOfEachCommand) {
    std::string error;
    const auto line = Parse({"--help"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->help);
    for (const char* part :
         {"identity", "login", "set-clock", "read-settings", "write-settings", "settings-encode",
          "set-password", "set-pin", "factory-default", "read-records", "read-region",
          "clear-region", "clear-records", "\n  7 ", "\n  8 ", "\n  64 ", "--read-interval-ms"}) {
        EXPECT_NE(line->helpText.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(CliUsage(), line->helpText);

    const auto command = Parse({"write-settings", "--help"}, error);
    ASSERT_TRUE(command);
    EXPECT_TRUE(command->help);
    EXPECT_NE(command->helpText.find("carecfg-cli write-settings"), std::string::npos)
        << command->helpText;
    EXPECT_NE(command->helpText.find("--password"), std::string::npos);

    // The region commands list the regions; the reads say how they fail and show progress.
    const std::pair<std::string_view, std::vector<std::string>> commands[] = {
        {"read-records", {"262144", "--out", "--verbose", "no file"}},
        {"read-region", {"  alarm     0x30000   8192  0x90\n", "--out", "--verbose", "no file"}},
        {"clear-region", {"  settings  0x00000   4096  -\n", "--password", "a single time"}},
        {"clear-records", {"--password", "a single time", "exit 7"}},
    };
    for (const auto& [name, parts] : commands) {
        const auto help = Parse({name, "--help"}, error);
        ASSERT_TRUE(help && help->help) << name;
        for (const std::string& part : parts) {
            EXPECT_NE(help->helpText.find(part), std::string::npos) << name << ": " << part;
        }
    }
}

TEST(CliArguments, ResendIntervalFromSkinIni) {
    TempDir dir;
    const auto ini = dir.Path() / "skin.ini";
    EXPECT_EQ(ResendIntervalFromCatalog(TextCatalog(ini)), 0);  // no skin.ini: no timed resend
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
