// skin.ini that is no catalogue: a FIFO, a directory, a huge sparse file, a symbolic link loop,
// binary bytes or a broken text. Lookups give their defaults without blocking, and writing the
// window bounds fails with an exception (which the window ignores) instead of blocking or
// replacing what is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/base/HostileFiles.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;

std::string BinaryBytes() {
    std::string bytes;
    for (int i = 0; i < 65536; ++i) {
        bytes.push_back(static_cast<char>((i * 167 + i / 256) & 0xFF));
    }
    return bytes;
}

struct Case {
    const char* name;
    void (*make)(const fs::path&);
    bool geometryWriteFails;  // false: the file is a text file the bounds can be added to
};

const Case kCases[] = {
    {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, true},
    {"directory", [](const fs::path& p) { fs::create_directory(p); }, true},
    {"1 GiB sparse",
     [](const fs::path& p) {
         testing::WriteFilled(p, 0);
         fs::resize_file(p, std::uintmax_t{1} << 30);
     },
     true},
    {"symbolic link loop", [](const fs::path& p) { fs::create_symlink(p, p); }, true},
    {"binary", [](const fs::path& p) { std::ofstream(p, std::ios::binary) << BinaryBytes(); },
     false},
    {"broken text",
     [](const fs::path& p) {
         std::ofstream(p, std::ios::binary) << "[MESSAGE\nM34\n=\n[[]]\n[CONFIG]]\ncodepage==x\r\r"
                                               "[FORM]\nLeft=abc\n\"unclosed=\n";
     },
     false},
};

TEST(HostileCatalogTest, LookupsGiveDefaultsAndBoundsNeverBlock) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        testing::TempDir dir("carecfg-skin");
        const auto path = dir / "skin.ini";
        c.make(path);
        testing::FifoGuard guard(path);
        TextCatalog catalog(path);
        EXPECT_EQ(catalog.MessageText("M34"), "Unknown Error");
        EXPECT_EQ(catalog.ConfigText("resendtime"), "0");
        EXPECT_EQ(catalog.FormText("frm_mainset.caption", "x"), "x");
        const TextCatalog::Geometry g = catalog.ReadWindowGeometry({1, 2, 3, 4});
        EXPECT_EQ(g.left, 1);
        EXPECT_EQ(g.height, 4);
        (void)TextCodec::FromCatalog(catalog);  // an unknown code page is no failure
        if (c.geometryWriteFails) {
            EXPECT_THROW(catalog.WriteWindowGeometry({5, 6, 7, 8}), std::runtime_error);
        } else {
            catalog.WriteWindowGeometry({5, 6, 7, 8});
            EXPECT_EQ(catalog.ReadWindowGeometry({1, 2, 3, 4}).width, 7);
        }
        EXPECT_FALSE(guard.Fired());
    }
}

// The FIFO, directory and huge file are still in place after the failed write: nothing was
// written over them.
TEST(HostileCatalogTest, FailedBoundsWriteLeavesTheFileAsItWas) {
    for (const Case& c : kCases) {
        if (!c.geometryWriteFails) {
            continue;
        }
        SCOPED_TRACE(c.name);
        testing::TempDir dir("carecfg-skin");
        const auto path = dir / "skin.ini";
        c.make(path);
        const auto before = fs::symlink_status(path).type();
        testing::FifoGuard guard(path);
        TextCatalog catalog(path);
        EXPECT_THROW(catalog.WriteWindowGeometry({5, 6, 7, 8}), std::runtime_error);
        EXPECT_EQ(fs::symlink_status(path).type(), before);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
        EXPECT_FALSE(guard.Fired());
    }
}

}  // namespace
}  // namespace carecfg
