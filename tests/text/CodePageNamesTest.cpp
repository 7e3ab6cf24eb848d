#include "text/CodePageNames.h"

#include <gtest/gtest.h>

namespace carecfg {
namespace {

// The spellings the catalogue's "codepage" key is given in, as iconv accepts them on POSIX.
TEST(CodePageNames, MapsSpellingsToNumbers) {
    struct Case {
        const char* name;
        unsigned number;
    };
    const Case cases[] = {
        {"1252", 1252},         {"936", 936},
        {"CP1251", 1251},       {"cp1250", 1250},
        {"WINDOWS-1252", 1252}, {"windows-1257", 1257},
        {"Windows_1253", 1253}, {"IBM850", 850},
        {"ibm437", 437},        {"ISO-8859-1", 28591},
        {"iso8859-2", 28592},   {"ISO_8859-5", 28595},
        {"ISO-8859-15", 28605}, {"latin1", 28591},
        {"GB2312", 936},        {"gbk", 936},
        {"GB18030", 54936},     {"Big5", 950},
        {"Shift_JIS", 932},     {"SJIS", 932},
        {"EUC-JP", 20932},      {"EUC-KR", 51949},
        {"KOI8-R", 20866},      {"koi8-u", 21866},
        {"UTF-8", 65001},       {"US-ASCII", 20127},
        {" CP 1252 ", 1252},    {"0", 0},
    };
    for (const Case& c : cases) {
        const auto number = WindowsCodePageNumber(c.name);
        ASSERT_TRUE(number.has_value()) << c.name;
        EXPECT_EQ(*number, c.number) << c.name;
    }
}

TEST(CodePageNames, RefusesNamesWithoutANumber) {
    for (const char* name : {"", "no-such-code-page", "CP", "WINDOWS-", "CP12x", "ISO-8859",
                             "1252x", "-1252x", "12345678901", "UTF-16LE"}) {
        EXPECT_FALSE(WindowsCodePageNumber(name).has_value()) << name;
    }
}

}  // namespace
}  // namespace carecfg
