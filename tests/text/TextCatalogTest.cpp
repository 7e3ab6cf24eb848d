#include "text/TextCatalog.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <chrono>
#include <csignal>

#include <stdexcept>
#include <string>

#include "tests/support/TempDir.h"
#include "text/ExecutableDir.h"

namespace carecfg {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class TextCatalogTest : public ::testing::Test {
protected:
    TextCatalog Catalog(std::string_view content) {
        WriteBytes(Ini(), content);
        return TextCatalog(Ini());
    }
    std::filesystem::path Ini() const { return m_folder / "skin.ini"; }

    TempDir m_folder;
};

TEST_F(TextCatalogTest, MessageTextFallsBackToM0ThenUnknownError) {
    struct Case {
        const char* ini;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"[MESSAGE]\nM0=Oops\nM3=Closed\n", "M3", "Closed"},
        {"[MESSAGE]\nM0=Oops\n", "M3", "Oops"},
        {"[MESSAGE]\nM1=Open\n", "M3", "Unknown Error"},
        {"[FORM]\nM3=elsewhere\n", "M3", "Unknown Error"},
        {"[MESSAGE]\nM0=Oops\nM3=\n", "M3", ""},
        {"[MESSAGE]\nm3=lower\n", "M3", "lower"},
        {"[MESSAGE]\nM0=\n", "M3", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Catalog(c.ini).MessageText(c.key), c.expected) << c.ini;
    }
}

TEST_F(TextCatalogTest, NumbersAndDefaults) {
    const TextCatalog catalog = Catalog(
        "[MESSAGE]\nMZZB=0x1F\nMF=12abc\nMSSS1=140.5\nMSSX1=9,5\nMXLS=\n"
        "[FORM]\nfrm.Width=800\nfrm.ShowHint=0\nb.ShowHint=3\nc.ShowHint=yes\nbad=x\nempty=\n"
        "[CONFIG]\nresendtime=3000\n");
    EXPECT_EQ(catalog.MessageInteger("MZZB"), 31);
    EXPECT_EQ(catalog.MessageInteger("MF"), 0);
    EXPECT_EQ(catalog.MessageInteger("absent"), 0);
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MSSS1", '.'), 140.5);
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MSSX1", ','), 9.5);
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MSSX1", '.'), 0.0);
    // The shipped point notation still reads on a comma locale.
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MSSS1", ','), 140.5);
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MXLS", '.'), 0.0);
    EXPECT_DOUBLE_EQ(catalog.MessageNumber("MSSS1"),
                     catalog.MessageNumber("MSSS1", TextCatalog::UserDecimalSeparator()));

    EXPECT_EQ(catalog.ConfigText("resendtime"), "3000");
    EXPECT_EQ(catalog.ConfigText("RESENDTIME "), "3000");
    EXPECT_EQ(catalog.ConfigText("absent"), "0");

    EXPECT_EQ(catalog.FormText("frm.Width", "d"), "800");
    EXPECT_EQ(catalog.FormText("absent", "d"), "d");
    EXPECT_EQ(catalog.FormText("empty", "d"), "");
    EXPECT_EQ(catalog.FormInteger("frm.Width", 5), 800);
    EXPECT_EQ(catalog.FormInteger("bad", 5), 5);
    EXPECT_EQ(catalog.FormInteger("absent", -1), -1);
    EXPECT_FALSE(catalog.FormBool("frm.ShowHint", true));
    EXPECT_TRUE(catalog.FormBool("b.ShowHint", false));
    EXPECT_TRUE(catalog.FormBool("c.ShowHint", true));
    EXPECT_FALSE(catalog.FormBool("c.ShowHint", false));
    EXPECT_FALSE(catalog.FormBool("absent", false));

    EXPECT_EQ(catalog.Lookup("form", "EMPTY"), std::optional<std::string>(""));
    EXPECT_EQ(catalog.Lookup("FORM", "absent"), std::nullopt);
}

TEST_F(TextCatalogTest, LongValueIsCut) {
    const TextCatalog catalog = Catalog("[MESSAGE]\nM1=" + std::string(3000, 'a') + "\n");
    EXPECT_EQ(catalog.MessageText("M1"), std::string(2047, 'a'));
}

TEST_F(TextCatalogTest, MissingFileGivesDefaultsAndAFileAppearingLaterIsRead) {
    const TextCatalog catalog(Ini());
    EXPECT_EQ(catalog.MessageText("M3"), "Unknown Error");
    EXPECT_EQ(catalog.ConfigText("resendtime"), "0");
    EXPECT_EQ(catalog.FormText("Caption", "built-in"), "built-in");
    EXPECT_EQ(catalog.ReadWindowGeometry({1, 2, 3, 4}).width, 3);

    WriteBytes(Ini(), "[CONFIG]\nresendtime=2500\n");
    EXPECT_EQ(catalog.ConfigText("resendtime"), "2500");

    std::filesystem::remove(Ini());
    EXPECT_EQ(catalog.ConfigText("resendtime"), "0");
}

TEST_F(TextCatalogTest, ADirectoryInPlaceOfTheFileGivesDefaults) {
    std::filesystem::create_directory(Ini());
    EXPECT_EQ(TextCatalog(Ini()).MessageText("M3"), "Unknown Error");
}

#ifndef _WIN32
// Rewrites the file in place (same inode, same size) and sets its timestamp.
void RewriteInPlace(const std::filesystem::path& path, std::string_view bytes,
                    std::optional<timespec> mtime) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    if (mtime) {
        const timespec times[2] = {*mtime, *mtime};
        ASSERT_EQ(::futimens(fd, times), 0);
    }
    ::close(fd);
}

TEST_F(TextCatalogTest, NoticesEditsBetweenTwoLookups) {
    const TextCatalog catalog = Catalog("[MESSAGE]\nM1=AAAA\n");
    EXPECT_EQ(catalog.MessageText("M1"), "AAAA");

    // Same size, same inode, immediately: the timestamp may not have moved.
    RewriteInPlace(Ini(), "[MESSAGE]\nM1=BBBB\n", std::nullopt);
    EXPECT_EQ(catalog.MessageText("M1"), "BBBB");

    // An old file: only the nanoseconds of the timestamp tell the edit apart.
    const timespec old{1'000'000'000, 500};
    RewriteInPlace(Ini(), "[MESSAGE]\nM1=CCCC\n", old);
    EXPECT_EQ(catalog.MessageText("M1"), "CCCC");
    RewriteInPlace(Ini(), "[MESSAGE]\nM1=DDDD\n", timespec{old.tv_sec, old.tv_nsec + 1});
    EXPECT_EQ(catalog.MessageText("M1"), "DDDD");

    // Replaced by another file of the same size and timestamp: the inode differs.
    const auto other = m_folder / "other.ini";
    WriteBytes(other, "[MESSAGE]\nM1=EEEE\n");
    {
        const timespec times[2] = {timespec{old.tv_sec, old.tv_nsec + 1},
                                   timespec{old.tv_sec, old.tv_nsec + 1}};
        ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    }
    std::filesystem::rename(other, Ini());
    EXPECT_EQ(catalog.MessageText("M1"), "EEEE");
    EXPECT_EQ(catalog.MessageText("M1"), "EEEE");
}
#endif

TEST_F(TextCatalogTest, RecheckIntervalAnswersFromTheCacheButSeesOwnWrites) {
    TextCatalog catalog = Catalog("[MESSAGE]\nM1=old\n");
    catalog.SetRecheckInterval(std::chrono::hours(1));
    EXPECT_EQ(catalog.MessageText("M1"), "old");
    WriteBytes(Ini(), "[MESSAGE]\nM1=new\n");
    EXPECT_EQ(catalog.MessageText("M1"), "old");
    catalog.WriteWindowGeometry({1, 2, 3, 4});
    EXPECT_EQ(catalog.MessageText("M1"), "new");
    EXPECT_EQ(catalog.ReadWindowGeometry({0, 0, 0, 0}).height, 4);
    WriteBytes(Ini(), "[MESSAGE]\nM1=newer\n");
    catalog.SetRecheckInterval(std::chrono::nanoseconds(0));
    EXPECT_EQ(catalog.MessageText("M1"), "newer");
}

TEST_F(TextCatalogTest, ReadsWindowGeometryFromConfigInAnyCase) {
    const TextCatalog catalog =
        Catalog("[CONFIG]\nleft=10\nTOP=0x14\nWidth=wide\n[Other]\nHeight=99\n");
    const TextCatalog::Geometry g = catalog.ReadWindowGeometry({1, 2, 3, 4});
    EXPECT_EQ(g.left, 10);
    EXPECT_EQ(g.top, 20);
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.height, 4);
}

struct GeometryWriteCase {
    const char* name;
    std::string before;
    std::string after;
};

TEST_F(TextCatalogTest, WritesWindowGeometryKeepingEveryOtherLine) {
    const GeometryWriteCase cases[] = {
        {"section headed CONFIG receives the entries",
         "[FORM]\nCaption=x\n\n[CONFIG]\nresendtime=3000\n\n[MESSAGE]\nM0=e\n",
         "[FORM]\nCaption=x\n\n[CONFIG]\nresendtime=3000\nLeft=5\nTop=6\nWidth=700\nHeight=-8\n\n"
         "[MESSAGE]\nM0=e\n"},
        {"existing entries replaced, first of duplicates",
         "; comment\n[ config ]\n  TOP = 1\nleft=2\nLeft=3\nwidth=\"4\"\n",
         "; comment\n[ config ]\n  TOP =6\nleft=5\nLeft=3\nwidth=700\nHeight=-8\n"},
        {"no section: a new one is appended", "[FORM]\r\nCaption=x\r\n",
         "[FORM]\r\nCaption=x\r\n\r\n[Config]\r\nLeft=5\r\nTop=6\r\nWidth=700\r\nHeight=-8\r\n"},
        {"no final line ending", "[Config]\nLeft=1",
         "[Config]\nLeft=5\nTop=6\nWidth=700\nHeight=-8"},
        {"no final line ending, no section", "[A]\nk=v",
         "[A]\nk=v\n\n[Config]\nLeft=5\nTop=6\nWidth=700\nHeight=-8\n"},
        {"8-bit and odd lines kept", "[M]\nk=caf\xE9\nnoequals\n[Config]\n",
         "[M]\nk=caf\xE9\nnoequals\n[Config]\nLeft=5\nTop=6\nWidth=700\nHeight=-8\n"},
    };
    for (const GeometryWriteCase& c : cases) {
        TextCatalog catalog = Catalog(c.before);
        catalog.WriteWindowGeometry({5, 6, 700, -8});
        EXPECT_EQ(ReadBytes(Ini()), c.after) << c.name;
        const TextCatalog::Geometry g = catalog.ReadWindowGeometry({0, 0, 0, 0});
        EXPECT_EQ(g.left, 5) << c.name;
        EXPECT_EQ(g.top, 6) << c.name;
        EXPECT_EQ(g.width, 700) << c.name;
        EXPECT_EQ(g.height, -8) << c.name;
    }
}

TEST_F(TextCatalogTest, WritingGeometryCreatesAMissingFile) {
    TextCatalog catalog(Ini());
    catalog.WriteWindowGeometry({1, 2, 3, 4});
    EXPECT_EQ(ReadBytes(Ini()), "[Config]\nLeft=1\nTop=2\nWidth=3\nHeight=4\n");
}

#ifndef _WIN32
TEST_F(TextCatalogTest, WritingGeometryKeepsFileModeAndLeavesNoTemporaryFile) {
    TextCatalog catalog = Catalog("[Config]\n");
    ASSERT_EQ(::chmod(Ini().c_str(), 0640), 0);
    catalog.WriteWindowGeometry({1, 2, 3, 4});
    struct stat st {};
    ASSERT_EQ(::stat(Ini().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 1);
}
#endif

TEST_F(TextCatalogTest, FailedGeometryWriteThrowsAndKeepsTheFolderIntact) {
    // The folder is a regular file: nothing can be created beneath it, not even by root.
    WriteBytes(m_folder / "plain", "x");
    TextCatalog underFile(m_folder / "plain" / "skin.ini");
    EXPECT_THROW(underFile.WriteWindowGeometry({1, 2, 3, 4}), std::runtime_error);
    EXPECT_EQ(ReadBytes(m_folder / "plain"), "x");

    // A directory where the file should be cannot be read, so it is not replaced.
    std::filesystem::create_directory(Ini());
    TextCatalog directory(Ini());
    EXPECT_THROW(directory.WriteWindowGeometry({1, 2, 3, 4}), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(Ini()));
}

#ifndef _WIN32
TEST_F(TextCatalogTest, GeometryWriteThatRunsOutOfSpaceLeavesTheOldFile) {
    // A file-size limit makes the write of the temporary file fail, for root as well.
    const std::string old = "[Config]\nLeft=1\n" + std::string(100, ';') + "\n";
    TextCatalog catalog = Catalog(old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    bool threw = false;
    try {
        catalog.WriteWindowGeometry({1, 2, 3, 4});
    } catch (const std::runtime_error&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadBytes(Ini()), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 1);
}
#endif

TEST(ExecutableDirTest, IsTheFolderOfThisTestProgram) {
    const auto dir = ExecutableDir();
    EXPECT_TRUE(std::filesystem::is_directory(dir));
#ifdef _WIN32
    EXPECT_TRUE(std::filesystem::exists(dir / "carecfg_text_tests.exe"));
#else
    EXPECT_TRUE(std::filesystem::exists(dir / "carecfg_text_tests"));
#endif
    EXPECT_EQ(TextCatalog::BesideExecutable().Path(), dir / "skin.ini");
}

}  // namespace
}  // namespace carecfg
