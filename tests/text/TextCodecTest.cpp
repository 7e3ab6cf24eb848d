#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

TEST(TextCodec, Windows1252RoundTrip) {
    const TextCodec codec;
    EXPECT_EQ(codec.CodePage(), "WINDOWS-1252");
    struct Case {
        const char* bytes;
        const char* utf8;
    };
    const Case cases[] = {
        {"caf\xE9", "caf\xC3\xA9"},
        {"\x80 5", "\xE2\x82\xAC 5"},
        {"plain ASCII", "plain ASCII"},
        {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(codec.ToUtf8(c.bytes), c.utf8) << c.bytes;
        EXPECT_EQ(codec.FromUtf8(c.utf8), c.bytes) << c.utf8;
    }
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(codec.ToUtf8(withNul), withNul);
}

TEST(TextCodec, NeverFails) {
    const TextCodec codec;
    // 0x81 has no character in Windows-1252.
    EXPECT_EQ(codec.ToUtf8("a\x81z"), "a\xEF\xBF\xBDz");
    // A character the code page lacks, and malformed UTF-8 that must not swallow the 'A'.
    EXPECT_EQ(codec.FromUtf8("x\xE4\xB8\xADy"), "x?y");
    EXPECT_EQ(codec.FromUtf8("\xE0"
                             "A"),
              "?A");
    EXPECT_EQ(codec.FromUtf8("end\xC3"), "end?");
    const std::string big(100000, '\xE9');
    EXPECT_EQ(codec.FromUtf8(codec.ToUtf8(big)), big);
}

TEST(TextCodec, CodePageNames) {
    EXPECT_EQ(TextCodec("no-such-code-page").CodePage(), "WINDOWS-1252");
    EXPECT_EQ(TextCodec("").CodePage(), "WINDOWS-1252");
    EXPECT_EQ(TextCodec("0").CodePage(), "WINDOWS-1252");
    EXPECT_EQ(TextCodec("1251").CodePage(), "CP1251");
    EXPECT_EQ(TextCodec("1251").ToUtf8("\xC0"), "\xD0\x90");  // Cyrillic A
    EXPECT_EQ(TextCodec("GB2312").ToUtf8("\xD6\xD0"), "\xE4\xB8\xAD");
    EXPECT_EQ(TextCodec("GB2312").ToUtf8("\xD6"), "\xEF\xBF\xBD");  // cut-off pair
}

TEST(TextCodec, CodePageFromCatalog) {
    testing::TempDir folder;
    const TextCatalog catalog(folder / "skin.ini");
    EXPECT_EQ(TextCodec::FromCatalog(catalog).CodePage(), "WINDOWS-1252");
    testing::WriteBytes(folder / "skin.ini", "[CONFIG]\ncodepage=ISO-8859-5\n");
    EXPECT_EQ(TextCodec::FromCatalog(catalog).CodePage(), "ISO-8859-5");
}

}  // namespace
}  // namespace carecfg
