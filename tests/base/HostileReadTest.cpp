// Reads of hostile files: every one is refused at once with its reason, none blocks, none reads
// a huge file, and a good file next to them still reads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/AtomicFile.h"
#include "tests/base/HostileFiles.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::HostileFile;
using testing::HostileFiles;

constexpr std::size_t kWanted = 3637;

TEST(HostileReadTest, EveryHostileFileIsRefusedWithItsReason) {
    for (const HostileFile& c : HostileFiles()) {
        SCOPED_TRACE(c.name);
        if (!c.blocksRoot && testing::RunningAsRoot()) {
            continue;  // permission bits do not stop root
        }
        testing::TempDir dir("carecfg-hostile");
        const auto path = dir / "file.bin";
        c.make(path, kWanted);
        testing::FifoGuard guard(path);
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ReadFileExactly(path, kWanted, &error));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(guard.Fired());
        // Reported, not asserted: the figure depends on the machine.
        std::printf("  %-20s %8.3f ms  %s\n", c.name.c_str(),
                    std::chrono::duration<double, std::milli>(took).count(), error.c_str());
    }
}

// The whole-file read refuses the same kinds by type and size, before reading a byte.
TEST(HostileReadTest, SmallFileReadRefusesWhatIsNoSmallRegularFile) {
    for (const HostileFile& c : HostileFiles()) {
        SCOPED_TRACE(c.name);
        if (c.reason == "too short" || (!c.blocksRoot && testing::RunningAsRoot())) {
            continue;  // any size up to the limit is a small file
        }
        testing::TempDir dir("carecfg-hostile");
        const auto path = dir / "doc.json";
        c.make(path, 10);
        testing::FifoGuard guard(path);
        std::string error;
        EXPECT_FALSE(ReadSmallFile(path, 1024, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_FALSE(guard.Fired());
    }
}

TEST(HostileReadTest, LimitsKeepGoodFilesAndALongerRawFile) {
    testing::TempDir dir("carecfg-hostile");
    testing::WriteFilled(dir / "exact.bin", kWanted);
    testing::WriteFilled(dir / "longer.bin", 4096);
    testing::WriteFilled(dir / "limit.json", 1024);
    testing::WriteFilled(dir / "over.json", 1025);
    EXPECT_EQ(ReadFileExactly(dir / "exact.bin", kWanted)->size(), kWanted);
    EXPECT_EQ(ReadFileExactly(dir / "longer.bin", kWanted)->size(), kWanted);
    EXPECT_EQ(ReadSmallFile(dir / "limit.json", 1024)->size(), 1024u);
    std::string error;
    EXPECT_FALSE(ReadSmallFile(dir / "over.json", 1024, &error));
    EXPECT_EQ(error, std::string(std::strerror(EFBIG)) + " (1025 bytes, at most 1024)");
}

}  // namespace
}  // namespace carecfg
