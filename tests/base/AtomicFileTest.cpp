#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <vector>

#include "base/AtomicFile.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

TEST(ReadFileExactly, RefusesWhatIsNoRegularFileWithoutWaiting) {
    testing::TempDir dir;
    fs::create_directory(dir / "folder");
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);  // opening it blocking would hang
    EXPECT_EQ(ReadFileExactly(dir / "fifo", 1), std::nullopt);
#endif
    testing::WriteBytes(dir / "short", "abc");
    EXPECT_EQ(ReadFileExactly(dir / "folder", 1), std::nullopt);
    EXPECT_EQ(ReadFileExactly(dir / "missing", 1), std::nullopt);
    EXPECT_EQ(ReadFileExactly(dir / "short", 4), std::nullopt);
    EXPECT_EQ(ReadFileExactly(dir / "short", 2), (Bytes{'a', 'b'}));
}

TEST(WriteFileAtomically, FailureSaysWhyAndKeepsTheOldFile) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "plain", "old");
    std::string error;
    // The parent of the target is a regular file: the temporary file cannot be created.
    EXPECT_FALSE(WriteFileAtomically(dir / "plain" / "x.bin", Bytes{1}, &error));
    EXPECT_NE(error.find("temporary file"), std::string::npos) << error;
    // A folder in the way of the rename: the folder stays, nothing is left behind.
    fs::create_directory(dir / "taken");
    testing::WriteBytes(dir / "taken" / "inside", "x");
    EXPECT_FALSE(WriteFileAtomically(dir / "taken", Bytes{1, 2}, &error));
    EXPECT_NE(error.find("rename"), std::string::npos) << error;
    EXPECT_EQ(testing::ReadBytes(dir / "plain"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(WriteFileAtomically, ReplacesAnExistingFile) {
    testing::TempDir dir;
    const fs::path target = dir / "profile.bin";
    testing::WriteBytes(target, "older and longer");
    ASSERT_TRUE(WriteFileAtomically(target, Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(testing::ReadBytes(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

#ifndef _WIN32
TEST(WriteFileAtomically, ReplacesKeepingPermissions) {
    testing::TempDir dir;
    const fs::path target = dir / "profile.bin";
    testing::WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(target, Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(testing::ReadBytes(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

}  // namespace
}  // namespace carecfg
