// The two programs as a new user runs them: unitsim on a link path, carecfg-cli against it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliArguments.h"
#include "image/DeviceImage.h"
#include "sim/DemoUnit.h"
#include "sim/UnitEngine.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

extern char** environ;

namespace carecfg {
namespace {

using testing::TempDir;

std::vector<char*> Argv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    return argv;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits for a child, at most `limit`; kills it when it takes longer. The exit code, or -1.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::usleep(10'000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// unitsim started with its standard output on a pipe; stopped with SIGTERM.
class UnitProcess {
public:
    explicit UnitProcess(const std::string& link, std::vector<std::string> options = {}) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        std::vector<std::string> args = {UNITSIM_PATH, "--link", link};
        args.insert(args.end(), options.begin(), options.end());
        auto argv = Argv(args);
        if (::posix_spawn(&m_pid, UNITSIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~UnitProcess() {
        Stop();
        if (m_out >= 0) {
            ::close(m_out);
        }
    }

    // The first line the unit prints, waiting at most `limit` for it.
    std::string FirstLine(std::chrono::milliseconds limit) {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (line.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buf[256];
            const ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            line.append(buf, static_cast<std::size_t>(n));
        }
        return line.substr(0, line.find('\n'));
    }

    // Sends SIGTERM and returns the exit code (-1 when it had to be killed).
    int Stop() {
        if (m_pid <= 0) {
            return -1;
        }
        ::kill(m_pid, SIGTERM);
        const int code = WaitFor(m_pid, std::chrono::seconds(10));
        m_pid = -1;
        return code;
    }
    bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome RunCli(std::vector<std::string> args, const TempDir& dir) {
    const auto outPath = dir.Path() / "cli.out";
    const auto errPath = dir.Path() / "cli.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), CARECFG_CLI_PATH);
    auto argv = Argv(args);
    pid_t pid = -1;
    Outcome o;
    if (::posix_spawn(&pid, CARECFG_CLI_PATH, &actions, nullptr, argv.data(), environ) == 0) {
        o.code = WaitFor(pid, std::chrono::seconds(30));
    }
    posix_spawn_file_actions_destroy(&actions);
    o.out = ReadFile(outPath);
    o.err = ReadFile(errPath);
    return o;
}

TEST(Programs, IdentityFromUnitsimThroughCarecfgCli) {
    TempDir dir;
    const std::string link = "/tmp/ttyCARE-e2e-" + std::to_string(::getpid());
    UnitProcess unit(link);
    ASSERT_TRUE(unit.Started());
    const std::string line = unit.FirstLine(std::chrono::seconds(10));
    ASSERT_EQ(line.rfind("unitsim: unit on " + link, 0), 0u) << line;

    const Outcome o = RunCli({"--port", link, "--timeout", "5", "identity"}, dir);
    EXPECT_EQ(o.code, kExitOk) << o.err;
    EXPECT_NE(o.out.find("Device ID: "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(std::string("\nFirmware: ") + UnitEngine::kFirmwareVersion + "\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find(std::string("\nIMEI: ") + UnitEngine::kImei + "\n"), std::string::npos)
        << o.out;

    EXPECT_EQ(unit.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

// The catalogue text carecfg-cli prints for a key (skin.ini beside it).
std::string CatalogText(const char* key) {
    return TextCatalog(std::filesystem::path(CARECFG_CLI_PATH).parent_path() / "skin.ini")
        .MessageText(key);
}

// A unit on a link of its own for one test, started and waited for.
class UnitOnLink {
public:
    explicit UnitOnLink(const char* tag, std::vector<std::string> options = {})
        : m_link("/tmp/ttyCARE-" + std::string(tag) + "-" + std::to_string(::getpid())),
          m_unit(m_link, std::move(options)) {
        m_ready = m_unit.Started() &&
                  m_unit.FirstLine(std::chrono::seconds(10)).rfind("unitsim: unit on", 0) == 0;
    }
    bool Ready() const { return m_ready; }
    const std::string& Link() const { return m_link; }

private:
    std::string m_link;
    UnitProcess m_unit;
    bool m_ready = false;
};

TEST(Programs, NewUserChangesThreeSettingsOnAUnit) {
    TempDir dir;
    UnitOnLink unit("scenario");
    ASSERT_TRUE(unit.Ready());
    const std::vector<std::string> port = {"--port", unit.Link(), "--read-interval-ms", "5"};
    auto withPort = [&](std::vector<std::string> args) {
        args.insert(args.begin(), port.begin(), port.end());
        return args;
    };
    const std::string read = (dir / "unit.bin").string();
    const Outcome r1 = RunCli(withPort({"read-settings", "--out", read}), dir);
    ASSERT_EQ(r1.code, kExitOk) << r1.err;

    const Outcome shown = RunCli({"settings", read, "--json"}, dir);
    ASSERT_EQ(shown.code, kExitOk) << shown.err;
    auto values = nlohmann::ordered_json::parse(shown.out);
    ASSERT_TRUE(values.contains("Edit5") && values.contains("Edit41") &&
                values.contains("ComboBox650"));
    values["Edit5"] = "+4915550001";
    values["Edit41"] = "Garden gate";
    values["ComboBox650"] = "120";
    std::ofstream(dir / "edited.json") << values.dump(2);

    const std::string changed = (dir / "changed.bin").string();
    const Outcome encoded = RunCli(
        {"settings-encode", (dir / "edited.json").string(), "--out", changed, "--base", read}, dir);
    ASSERT_EQ(encoded.code, kExitOk) << encoded.err;
    const Outcome written =
        RunCli(withPort({"write-settings", changed, "--password", "123456"}), dir);
    ASSERT_EQ(written.code, kExitOk) << written.err;
    EXPECT_EQ(written.out, CatalogText("M13") + "\n");

    const std::string back = (dir / "back.bin").string();
    ASSERT_EQ(RunCli(withPort({"read-settings", "--out", back}), dir).code, kExitOk);
    const Outcome again = RunCli({"settings", back, "--json"}, dir);
    ASSERT_EQ(again.code, kExitOk) << again.err;
    const auto after = nlohmann::ordered_json::parse(again.out);
    EXPECT_EQ(after["Edit5"], "+4915550001");
    EXPECT_EQ(after["Edit41"], "Garden gate");
    EXPECT_EQ(after["ComboBox650"], "120");
    EXPECT_EQ(after, values);
}

TEST(Programs, BlockWriteRefusedPartWay) {
    TempDir dir;
    UnitOnLink unit("refuse", {"--write-status-at", "0x0700:2"});
    ASSERT_TRUE(unit.Ready());
    const std::string profile = (dir / "p.bin").string();
    testing::WriteBytes(profile, std::string(3637, '\x11'));
    const Outcome o = RunCli({"--port", unit.Link(), "--read-interval-ms", "5", "write-settings",
                              profile, "--password", "123456"},
                             dir);
    EXPECT_EQ(o.code, kExitUnitRefused) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(CatalogText("M12")), std::string::npos) << o.err;

    // The blocks before 0x0700 are on the unit, the rest are not.
    const std::string back = (dir / "back.bin").string();
    ASSERT_EQ(
        RunCli({"--port", unit.Link(), "--read-interval-ms", "5", "read-settings", "--out", back},
               dir)
            .code,
        kExitOk);
    const std::string bytes = testing::ReadBytes(back);
    ASSERT_EQ(bytes.size(), 3637u);
    EXPECT_EQ(bytes.substr(0, 0x0700), std::string(0x0700, '\x11'));
    EXPECT_NE(bytes.substr(0x0700, 0x0100), std::string(0x0100, '\x11'));
}

TEST(Programs, RecordsReadAndClearedOnAUnit) {
    TempDir dir;
    UnitOnLink unit("records");
    ASSERT_TRUE(unit.Ready());
    auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", unit.Link(), "--read-interval-ms", "5"});
        return RunCli(std::move(args), dir);
    };
    const std::vector<std::uint8_t> demo = BuildDemoMemory();
    auto part = [](const std::string& bytes, RegionId id) {
        return bytes.substr(Region(id).start, Region(id).size);
    };
    auto demoPart = [&](RegionId id) {
        return std::string(demo.begin() + Region(id).start,
                           demo.begin() + Region(id).start + Region(id).size);
    };

    const std::string records = (dir / "records.bin").string();
    const Outcome read = cli({"read-records", "--out", records});
    ASSERT_EQ(read.code, kExitOk) << read.err;
    const std::string image = testing::ReadBytes(records);
    ASSERT_EQ(image.size(), kImageSize);
    std::string expected(kImageSize, '\xFF');
    for (const RegionId id : RecordChain()) {
        EXPECT_TRUE(part(image, id) == demoPart(id)) << Region(id).name;
        expected.replace(Region(id).start, Region(id).size, demoPart(id));
    }
    EXPECT_TRUE(image == expected) << "bytes outside the record regions are not 0xFF";

    const std::string alarm = (dir / "alarm.bin").string();
    ASSERT_EQ(cli({"read-region", "alarm", "--out", alarm}).code, kExitOk);
    EXPECT_TRUE(testing::ReadBytes(alarm) == part(image, RegionId::AlarmRecord));

    const Outcome cleared = cli({"clear-region", "armed", "--password", "123456"});
    EXPECT_EQ(cleared.code, kExitOk) << cleared.err;
    EXPECT_EQ(cleared.out, CatalogText("M27") + "\n");
    const std::string armed = (dir / "armed.bin").string();
    ASSERT_EQ(cli({"read-region", "armed", "--out", armed}).code, kExitOk);
    EXPECT_TRUE(testing::ReadBytes(armed) ==
                std::string(Region(RegionId::ArmedRecord).size, '\xFF'));

    const Outcome all = cli({"clear-records"});
    EXPECT_EQ(all.code, kExitOk) << all.err;
    EXPECT_EQ(all.out, CatalogText("M10") + "\n");
    ASSERT_EQ(cli({"read-records", "--out", records}).code, kExitOk);
    EXPECT_TRUE(testing::ReadBytes(records) == std::string(kImageSize, '\xFF'));

    // Names the tool does not know are refused with the list of those it does.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"read-region", "attic", "--out", alarm},
          std::vector<std::string>{"clear-region", "settings"}}) {
        const Outcome bad = cli(args);
        EXPECT_EQ(bad.code, kExitUsage) << args[1];
        EXPECT_NE(bad.err.find("alarm, armed, pressure, glucose, weight, dialout, incoming, inbox, "
                               "outbox"),
                  std::string::npos)
            << bad.err;
    }
    EXPECT_TRUE(testing::ReadBytes(alarm) == part(image, RegionId::AlarmRecord));
}

TEST(Programs, BadUsageAndMissingPort) {
    TempDir dir;
    const Outcome usage = RunCli({"identity"}, dir);
    EXPECT_EQ(usage.code, kExitUsage);
    EXPECT_NE(usage.err.find("usage: carecfg-cli"), std::string::npos);

    const Outcome missing = RunCli({"--port", (dir.Path() / "ttyNone").string(), "identity"}, dir);
    EXPECT_EQ(missing.code, kExitOpenFailed);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace carecfg
