// carecfg-cli health --report as a user runs it: the doctor's report of a health region written
// as a PDF without a display, the report of a decode a time text stopped, and a report that
// cannot be written.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "cli/CliArguments.h"
#include "image/DeviceImage.h"
#include "sim/DemoUnit.h"
#include "tests/e2e/HealthRegions.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace carecfg {
namespace {

using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs carecfg-cli with the arguments on the offscreen platform, its stderr into `errFile`, and
// waits for it to end. The exit code, or -1 when it did not exit normally.
int RunCli(std::vector<std::string> args, const std::filesystem::path& errFile) {
    args.insert(args.begin(), CARECFG_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen"};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string_view(*e).substr(0, 16) != "QT_QPA_PLATFORM=") {
            env.emplace_back(*e);
        }
    }
    std::vector<char*> envp;
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The text of a PDF as pdftotext gives it; nullopt when poppler-utils is not installed.
std::optional<std::string> PdfText(const std::filesystem::path& pdf) {
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
        return std::nullopt;
    }
    const std::filesystem::path text = pdf.string() + ".txt";
    const std::string command = "pdftotext -layout '" + pdf.string() + "' '" + text.string() + "'";
    if (std::system(command.c_str()) != 0) {
        return std::string();
    }
    return ReadText(text);
}

struct ReportCase {
    const char* name;
    bool demo;           // the demo unit's image, else the month-13 region
    const char* report;  // relative to the test's folder
    int exit;
    bool written;
    std::vector<std::string> texts;  // in the PDF's text, or on stderr when nothing is written
};

class HealthReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(HealthReportTest, WritesTheReportOrNothing) {
    const ReportCase& c = GetParam();
    TempDir dir;
    const Bytes input = c.demo ? BuildDemoMemory() : testing::MonthThirteenPressureRegion();
    const auto file = dir / "input.bin";
    ASSERT_TRUE(WriteFileAtomically(file, input));
    const auto report = dir.Path() / c.report;
    const auto errFile = dir / "stderr.txt";

    const int code = RunCli(
        {"health", file.string(), "--region", "pressure", "--report", report.string()}, errFile);
    const std::string err = ReadText(errFile);
    ASSERT_EQ(code, c.exit) << err;
    if (!c.written) {
        EXPECT_FALSE(std::filesystem::exists(report));
        EXPECT_NE(err.find(report.string()), std::string::npos) << err;
        return;
    }
    const std::string pdf = ReadText(report);
    ASSERT_GT(pdf.size(), 1000u);
    EXPECT_EQ(pdf.substr(0, 4), "%PDF");
    const auto text = PdfText(report);
    if (!text) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    for (const std::string& expected : c.texts) {
        EXPECT_NE(text->find(expected), std::string::npos) << expected << "\n" << *text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, HealthReportTest,
    ::testing::Values(
        // The summary counts 84 readings in bank 1 and 35 in bank 2.
        ReportCase{"DemoPressure",
                   true,
                   "report.pdf",
                   kExitOk,
                   true,
                   {"Blood pressure report", "Summary", " 84 ", " 35 ", "Readings of Bank 2",
                    "2024-03-04 07:14:05", "124 mmHg"}},
        // What was decoded before the bad time text is reported, the exit code says it stopped.
        ReportCase{"StoppedDecode",
                   false,
                   "report.pdf",
                   kExitFileError,
                   true,
                   {"Blood pressure report", "2024-13-05 09:30:00", "130 mmHg"}},
        ReportCase{"FolderMissing", true, "missing/report.pdf", kExitFileError, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace carecfg
