// The adapter pulled out in the middle of a transfer, and a second instance on a held port:
// unitsim closes its side of the line part way, carecfg-cli ends at once with "the line hung up"
// and writes nothing, and the same command works once the unit is back on its link path. A
// second carecfg-cli on a port the first one holds gets "M2" while the first completes.
#include <dirent.h>
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
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliArguments.h"
#include "image/DeviceImage.h"
#include "sim/DemoUnit.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

extern char** environ;

namespace carecfg {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TempDir;

// Waits for a condition another process brings about; false after the limit (a hang guard).
bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = 20s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A child process; killed and reaped if still running when it goes.
class Child {
public:
    Child(std::vector<std::string> args, const fs::path& out, const fs::path& err) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return m_pid; }
    // Asks the process to end (SIGTERM) and waits for it.
    int Stop() {
        ::kill(m_pid, SIGTERM);
        return Wait();
    }
    // The exit code; -1 when it had to be killed after `limit` or did not end normally.
    int Wait(std::chrono::seconds limit = 60s) {
        int status = 0;
        const bool ended =
            WaitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) != 0; }, limit);
        if (!ended) {
            return -1;  // the destructor kills it
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // The process holds a descriptor of `device` (a /dev/pts/N name).
    bool Holds(const std::string& device) const {
        const std::string dir = "/proc/" + std::to_string(m_pid) + "/fd";
        bool found = false;
        if (DIR* d = ::opendir(dir.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::error_code ec;
                if (e->d_name[0] != '.' && fs::read_symlink(dir + "/" + e->d_name, ec) == device) {
                    found = true;
                }
            }
            ::closedir(d);
        }
        return found;
    }

private:
    pid_t m_pid = -1;
};

std::string Text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string CatalogText(const char* key) {
    return TextCatalog(fs::path(CARECFG_CLI_PATH).parent_path() / "skin.ini").MessageText(key);
}

// The terminal a link path points at now, or empty while it is missing.
std::string Target(const std::string& link) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.string();
}

class PulledAdapterTest : public ::testing::Test {
protected:
    TempDir dir{"pulled-adapter"};
    std::string link = "/tmp/ttyCARE-pulled-" + std::to_string(::getpid());

    void TearDown() override {
        std::error_code ec;
        fs::remove(link, ec);  // a unit that had to be killed leaves its link behind
    }

    // unitsim on the link with the options, waited for until its link is there.
    std::unique_ptr<Child> StartUnit(std::vector<std::string> options) {
        std::error_code ec;
        fs::remove(link, ec);
        std::vector<std::string> args = {UNITSIM_PATH, "--link", link};
        args.insert(args.end(), options.begin(), options.end());
        auto unit = std::make_unique<Child>(args, dir / "unit.out", dir / "unit.err");
        EXPECT_TRUE(WaitUntil([&] { return !Target(link).empty(); })) << Text(dir / "unit.err");
        return unit;
    }
    std::unique_ptr<Child> StartCli(std::vector<std::string> args, const std::string& tag) {
        args.insert(args.begin(), {CARECFG_CLI_PATH, "--port", link, "--read-interval-ms", "5"});
        return std::make_unique<Child>(args, dir / (tag + ".out"), dir / (tag + ".err"));
    }
    struct Outcome {
        int code;
        std::string out, err;
    };
    Outcome RunCli(std::vector<std::string> args, const std::string& tag) {
        auto cli = StartCli(std::move(args), tag);
        const int code = cli->Wait();
        return {code, Text(dir / (tag + ".out")), Text(dir / (tag + ".err"))};
    }
};

struct PulledCase {
    const char* name;
    std::vector<std::string> command;  // {OUT} stands for the output file
    int blocksBeforeHangUp;
};

TEST_F(PulledAdapterTest, TheCliEndsAtOnceWritesNothingAndWorksOnceTheUnitIsBack) {
    const std::string profile = (dir / "profile.bin").string();
    const std::vector<std::uint8_t> demo = BuildDemoMemory();
    std::ofstream(profile, std::ios::binary) << std::string(demo.begin(), demo.begin() + 3637);
    const PulledCase cases[] = {
        {"read-records", {"read-records", "--out", "{OUT}"}, 40},
        {"read-settings", {"read-settings", "--out", "{OUT}"}, 5},
        {"read-region", {"read-region", "inbox", "--out", "{OUT}"}, 50},
        {"write-settings", {"write-settings", profile, "--password", "123456"}, 7},
    };
    for (const PulledCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = dir / (std::string(c.name) + ".bin");
        std::ofstream(out) << "kept";
        std::vector<std::string> command = c.command;
        for (std::string& arg : command) {
            if (arg == "{OUT}") {
                arg = out.string();
            }
        }
        auto unit = StartUnit(
            {"--hang-up-after", std::to_string(c.blocksBeforeHangUp), "--come-back-ms", "300"});

        const Outcome pulled = RunCli(command, "pulled");
        EXPECT_EQ(pulled.code, kExitLineLost) << pulled.err;
        EXPECT_NE(pulled.err.find("the line hung up"), std::string::npos) << pulled.err;
        EXPECT_EQ(Text(out), "kept") << "a transfer cut short changes no file";

        // The hang-up took the link path away (before the line closed); the unit comes back on a
        // fresh terminal behind the same path.
        ASSERT_TRUE(WaitUntil([&] { return !Target(link).empty(); }));
        const Outcome back = RunCli(command, "back");
        EXPECT_EQ(back.code, kExitOk) << back.err;
        if (c.command[0] != "write-settings") {
            EXPECT_NE(Text(out), "kept");
        }
        EXPECT_EQ(unit->Stop(), 0);
    }
}

TEST_F(PulledAdapterTest, ASecondInstanceGetsM2AndTheFirstCompletes) {
    // Slow replies keep the first instance busy with the record chain for a few seconds.
    auto unit = StartUnit({"--split", "--split-pause-ms", "10"});
    const std::string device = Target(link);
    const fs::path records = dir / "records.bin";
    auto first = StartCli({"read-records", "--out", records.string()}, "first");
    ASSERT_TRUE(WaitUntil([&] { return first->Holds(device); }));

    const Outcome second = RunCli({"identity"}, "second");
    EXPECT_EQ(second.code, kExitOpenFailed) << second.err;
    EXPECT_EQ(second.err.rfind(CatalogText("M2") + ": " + link, 0), 0u) << second.err;
    EXPECT_TRUE(first->Holds(device)) << "the first instance is still at work";

    EXPECT_EQ(first->Wait(), kExitOk) << Text(dir / "first.err");
    const std::string image = Text(records);
    ASSERT_EQ(image.size(), kImageSize);
    const std::vector<std::uint8_t> demo = BuildDemoMemory();
    for (const RegionId id : RecordChain()) {
        const ImageRegion& r = Region(id);
        EXPECT_TRUE(image.compare(
                        r.start, r.size,
                        std::string(demo.begin() + r.start, demo.begin() + r.start + r.size)) == 0)
            << r.name;
    }
    EXPECT_EQ(RunCli({"identity"}, "after").code, kExitOk) << "the port is free again";
    EXPECT_EQ(unit->Stop(), 0);
}

}  // namespace
}  // namespace carecfg
