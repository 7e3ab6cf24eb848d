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

#include "cli/CliArguments.h"
#include "sim/UnitEngine.h"
#include "tests/e2e/TempDir.h"

extern char** environ;

namespace carecfg {
namespace {

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
    explicit UnitProcess(const std::string& link) {
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
