// The command-line tool against hostile input: files that are no profile or JSON (each refused
// with exit 8 and its reason, nothing written), a line that keeps sending bytes that never form
// a frame (every command ends at its deadline with exit 9), and a unit that keeps answering a
// block read with an earlier block (the read gives up with "M16").
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/SettingsCommands.h"
#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "settings/SettingsMap.h"
#include "tests/base/HostileFiles.h"
#include "tests/e2e/BabblingPeer.h"
#include "tests/e2e/ScriptedUnit.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

extern char** environ;

namespace carecfg {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::HostileFile;
using testing::HostileFiles;

struct Result {
    int code = -1;
    std::string out, err;
    double ms = 0;
};

class CliHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(m_dir / "skin.ini") << "[MESSAGE]\nM16=The data could not be handled.\n"
                                             "M13=All written.\nM10=Cleared.\n";
    }
    TextCatalog Catalog() const { return TextCatalog(m_dir / "skin.ini"); }

    template <class Command>
    Result Timed(const Command& command) {
        std::ostringstream out, err;
        Result r;
        const auto start = std::chrono::steady_clock::now();
        r.code = command(out, err);
        r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count();
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    static CliSession::Options Options(const std::string& port,
                                       std::chrono::milliseconds deadline) {
        CliSession::Options options;
        options.port = port;
        options.resendMs = 300;
        options.timeout = 1000ms;
        options.deadline = deadline;
        options.readIntervalMs = 5;
        return options;
    }

    testing::TempDir m_dir{"carecfg-cli-hostile"};
};

// Each file command refuses each hostile file with exit 8 and the reason, and writes nothing.
TEST_F(CliHostileTest, FileInputsRefuseEveryHostileFileWithTheReason) {
    struct Input {
        const char* name;
        std::function<int(const fs::path& file, const fs::path& out, std::ostream&, std::ostream&)>
            run;
        bool json;  // the file is the settings JSON: a short one is bad JSON, not a short file
    };
    const Input inputs[] = {
        {"write-settings",
         [&](const fs::path& file, const fs::path&, std::ostream& out, std::ostream& err) {
             CliCommandLine line;
             line.command = CliCommand::WriteSettings;
             line.port = (m_dir / "no-port").string();  // never opened: the file comes first
             line.file = file.string();
             CliSession session(Options(line.port, 5s), Catalog(), out, err);
             return session.Run(line);
         },
         false},
        {"settings",
         [&](const fs::path& file, const fs::path&, std::ostream& out, std::ostream& err) {
             return ShowSettingsFile(file, true, Catalog(), out, err);
         },
         false},
        {"settings-encode --base",
         [&](const fs::path& file, const fs::path& profile, std::ostream& out, std::ostream& err) {
             std::ofstream(m_dir / "values.json") << "{}";
             std::istringstream in;
             return EncodeSettingsFile((m_dir / "values.json").string(), profile, file, Catalog(),
                                       in, out, err);
         },
         false},
        {"settings-encode JSON",
         [&](const fs::path& file, const fs::path& profile, std::ostream& out, std::ostream& err) {
             std::istringstream in;
             return EncodeSettingsFile(file.string(), profile, std::nullopt, Catalog(), in, out,
                                       err);
         },
         true},
    };
    for (const Input& input : inputs) {
        for (const HostileFile& c : HostileFiles()) {
            SCOPED_TRACE(std::string(input.name) + ": " + c.name);
            if (!c.blocksRoot && testing::RunningAsRoot()) {
                continue;  // permission bits do not stop root
            }
            testing::TempDir dir("carecfg-cli-file");
            const fs::path file = dir / "input";
            const fs::path profile = dir / "out.bin";
            c.make(file, kSettingsRecordSize);
            testing::FifoGuard guard(file);
            const Result r = Timed([&](std::ostream& out, std::ostream& err) {
                return input.run(file, profile, out, err);
            });
            const bool badJson = input.json && c.reason == "too short";
            EXPECT_EQ(r.code, badJson ? kExitUsage : kExitFileError) << r.err;
            EXPECT_NE(r.err.find(badJson ? "not valid JSON" : c.reason), std::string::npos)
                << r.err;
            EXPECT_FALSE(fs::exists(profile));
            EXPECT_FALSE(guard.Fired());
            std::printf("  %-22s %-20s exit %2d %8.3f ms  %s", input.name, c.name.c_str(), r.code,
                        r.ms, r.err.c_str());
        }
    }
}

// Bytes that never form a frame keep the silence time-out away; the deadline ends every kind
// of command all the same, with exit 9, and a read writes no file.
TEST_F(CliHostileTest, EveryCommandEndsAtItsDeadlineWhileBytesKeepComing) {
    testing::BabblingPeer peer;
    ASSERT_TRUE(peer.Started());
    const fs::path out = m_dir / "records.bin";
    struct Command {
        const char* name;
        std::function<int(CliSession&)> run;
    };
    const std::vector<std::uint8_t> profile(kSettingsRecordSize, 0);
    const Command commands[] = {
        {"identity", [](CliSession& s) { return s.Identity(); }},
        {"read-records", [&](CliSession& s) { return s.ReadRecords(out); }},
        {"write-settings", [&](CliSession& s) { return s.WriteSettings(profile); }},
        {"clear-records", [](CliSession& s) { return s.ClearRecords(); }},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.name);
        const Result r = Timed([&](std::ostream& o, std::ostream& e) {
            CliSession session(Options(peer.Path(), 1500ms), Catalog(), o, e);
            const int opened = session.Open();
            return opened != kExitOk ? opened : c.run(session);
        });
        EXPECT_EQ(r.code, kExitDeadline) << r.err;
        EXPECT_NE(r.err.find("did not end within its deadline of 1.5 s"), std::string::npos)
            << r.err;
        EXPECT_FALSE(fs::exists(out));
        std::printf("  %-16s exit %d after %7.1f ms  %s", c.name, r.code, r.ms, r.err.c_str());
    }
    EXPECT_GT(peer.BannersSent(), 0);
}

// A unit that answers every block request with the first block again: the read ends with the
// text of "M16" and exit 1 well before the deadline, and writes no file.
TEST_F(CliHostileTest, UnitAnsweringAnEarlierBlockEndsTheRead) {
    testing::ScriptedUnit unit(
        [](const ParsedFrame& request) -> std::optional<std::vector<std::uint8_t>> {
            return BuildFrame(request.command, 0x0000, std::vector<std::uint8_t>(256, 0x33));
        });
    ASSERT_TRUE(unit.Started());
    const fs::path out = m_dir / "settings.bin";
    const Result r = Timed([&](std::ostream& o, std::ostream& e) {
        CliSession session(Options(unit.Path(), 60s), Catalog(), o, e);
        const int opened = session.Open();
        return opened != kExitOk ? opened : session.ReadSettings(out);
    });
    EXPECT_EQ(r.code, kExitFailure) << r.err;
    EXPECT_NE(r.err.find("The data could not be handled."), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
    // The first reply is new, each later one repeats it.
    EXPECT_EQ(unit.Received().size(), 1u + BlockTransfer::kMaxRepliesWithoutProgress);
    std::printf("  stuck read: exit %d after %.1f ms  %s", r.code, r.ms, r.err.c_str());
}

// The program itself: --deadline is parsed, documented, and ends a command with exit 9.
TEST(CliDeadlineTest, OptionIsParsedDocumentedAndEndsTheProgram) {
    std::string error;
    const std::vector<std::string_view> good = {"--port", "DEMO", "--deadline", "2.5", "identity"};
    const auto line = ParseCliArguments(good, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->deadlineSeconds, 2.5);
    for (const char* bad : {"0", "-1", "x", "90000"}) {
        const std::vector<std::string_view> args = {"--port", "DEMO", "--deadline", bad,
                                                    "identity"};
        EXPECT_FALSE(ParseCliArguments(args, error)) << bad;
    }
    EXPECT_EQ(DefaultDeadlineSeconds(CliCommand::ReadRecords), 120.0);
    EXPECT_EQ(DefaultDeadlineSeconds(CliCommand::Identity), 30.0);
    const std::string usage = CliUsage();
    EXPECT_NE(usage.find("--deadline"), std::string::npos);
    EXPECT_NE(usage.find("  9   the command did not end within --deadline"), std::string::npos);

    testing::BabblingPeer peer;
    ASSERT_TRUE(peer.Started());
    const std::string program = CARECFG_CLI_PATH;
    std::vector<std::string> args = {program, "--port", peer.Path(), "--deadline", "1", "identity"};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitDeadline);
}

}  // namespace
}  // namespace carecfg
