// Help documents that are no documents: each keeps the built-in text and reports the reason in
// the system's words, and none blocks the start (a FIFO) or is read whole (a huge file).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/help/HelpDocuments.h"
#include "app/help/RtfReader.h"
#include "tests/base/HostileFiles.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

TEST(HostileDocumentsTest, EachKeepsTheBuiltInTextAndTellsWhy) {
    namespace fs = std::filesystem;
    struct Case {
        const char* name;
        void (*make)(const fs::path&);
        std::string reason;
        bool blocksRoot = true;
    };
    const Case cases[] = {
        {"directory", [](const fs::path& p) { fs::create_directory(p); }, std::strerror(EISDIR)},
        {"symbolic link loop", [](const fs::path& p) { fs::create_symlink(p, p); },
         std::strerror(ELOOP)},
        {"200 MB",
         [](const fs::path& p) {
             testing::WriteFilled(p, 0);
             fs::resize_file(p, 200'000'000);
         },
         std::strerror(EFBIG)},
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         "not a regular file"},
        {"unreadable",
         [](const fs::path& p) {
             testing::WriteFilled(p, 10);
             fs::permissions(p, fs::perms::none);
         },
         std::strerror(EACCES), false},
    };
    const TextCodec codec;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.blocksRoot && testing::RunningAsRoot()) {
            continue;  // permission bits do not stop root
        }
        testing::TempDir dir("carecfg-help");
        const auto path = dir / kHelpDocumentName;
        c.make(path);
        testing::FifoGuard guard(path);
        const HelpLoad load = LoadHelpDocument(path, codec, kReadMeRTEBuiltInText);
        EXPECT_TRUE(load.failed);
        EXPECT_NE(load.errorText.find(c.reason), std::string::npos) << load.errorText;
        EXPECT_EQ(load.html, PlainTextToHtml(kReadMeRTEBuiltInText, codec));
        EXPECT_FALSE(guard.Fired());
    }
}

// Binary bytes are no failure: they are shown as plain text, whatever they hold.
TEST(HostileDocumentsTest, BinaryDocumentIsShownAsText) {
    testing::TempDir dir("carecfg-help");
    std::string bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes.push_back(static_cast<char>((i * 131) & 0xFF));
    }
    std::ofstream(dir / kContactDocumentName, std::ios::binary) << bytes;
    const HelpLoad load =
        LoadHelpDocument(dir / kContactDocumentName, TextCodec(), kContactRTEBuiltInText);
    EXPECT_FALSE(load.failed);
    EXPECT_FALSE(load.html.empty());
}

}  // namespace
}  // namespace carecfg
