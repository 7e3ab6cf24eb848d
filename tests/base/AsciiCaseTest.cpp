#include "base/AsciiCase.h"

#include <gtest/gtest.h>

#include <clocale>

namespace carecfg {
namespace {

TEST(AsciiCaseTest, OnlyAsciiLettersFoldWhateverTheLocale) {
    // A Latin-1 locale would fold 0xC9 to 0xE9; names and stamps compare byte for byte there.
    std::setlocale(LC_ALL, "C.UTF-8");
    EXPECT_EQ(AsciiLowered("ComboBox39 \xC9Z"), "combobox39 \xC9z");
    EXPECT_TRUE(EqualsIgnoringCase("Edit16", "EDIT16"));
    EXPECT_FALSE(EqualsIgnoringCase("Edit16", "Edit1"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC9", "\xE9"));
    EXPECT_TRUE(LessIgnoringCase("2012-03-31 23:05:09", "2012-04-01 00:00:00"));
    EXPECT_FALSE(LessIgnoringCase("ABC", "abc"));
    EXPECT_FALSE(LessIgnoringCase("abc", "ABC"));
    EXPECT_TRUE(LessIgnoringCase("ab", "ABC"));
    // Bytes above 0x7F come after every ASCII character.
    EXPECT_TRUE(LessIgnoringCase("z", "\xE9"));
    std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace carecfg
