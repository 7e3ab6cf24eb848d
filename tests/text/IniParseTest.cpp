#include "text/IniParse.h"

#include <gtest/gtest.h>

#include <ostream>

#include <optional>
#include <random>
#include <string>

namespace carecfg {
namespace {

struct LookupCase {
    const char* name;
    std::string ini;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

class IniLookupRules : public ::testing::TestWithParam<LookupCase> {};

TEST_P(IniLookupRules, FindsValueByTheReadingRules) {
    const LookupCase& c = GetParam();
    const IniEntries entries = ParseIni(c.ini);
    const auto value = entries.Find(c.section, c.key);
    ASSERT_EQ(value.has_value(), c.expected.has_value()) << c.name;
    if (value) {
        EXPECT_EQ(std::string(*value), *c.expected) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniLookupRules,
    ::testing::Values(
        LookupCase{"plain", "[MESSAGE]\nM3=Port closed\n", "MESSAGE", "M3", "Port closed"},
        LookupCase{"key case", "[MESSAGE]\nm3=x\n", "MESSAGE", "M3", "x"},
        LookupCase{"section case", "[message]\nM3=x\n", "MESSAGE", "M3", "x"},
        LookupCase{"blanks around names", "[ FORM ]\n\t Caption  = y\n", "form", "caption ", "y"},
        LookupCase{"value trimmed", "[A]\nk=  a b \t\n", "A", "k", "a b"},
        LookupCase{"double quotes", "[A]\nk=\" a b \"\n", "A", "k", " a b "},
        LookupCase{"single quotes", "[A]\nk='x'\n", "A", "k", "x"},
        LookupCase{"one pair only", "[A]\nk=\"\"x\"\"\n", "A", "k", "\"x\""},
        LookupCase{"unmatched quotes kept", "[A]\nk=\"x'\n", "A", "k", "\"x'"},
        LookupCase{"lone quote kept", "[A]\nk=\"\n", "A", "k", "\""},
        LookupCase{"empty value present", "[A]\nk=\n", "A", "k", ""},
        LookupCase{"empty quoted value", "[A]\nk=\"\"\n", "A", "k", ""},
        LookupCase{"equals in value", "[A]\nk=a=b\n", "A", "k", "a=b"},
        LookupCase{"first duplicate wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        LookupCase{"repeated section merged", "[A]\nx=1\n[B]\n[a]\ny=2\n", "A", "y", "2"},
        LookupCase{"CRLF endings", "[A]\r\nk=v\r\nj=w\r\n", "A", "j", "w"},
        LookupCase{"CR endings", "[A]\rk=v\r", "A", "k", "v"},
        LookupCase{"no final newline", "[A]\nk=v", "A", "k", "v"},
        LookupCase{"byte-order mark", "\xEF\xBB\xBF[A]\nk=v\n", "A", "k", "v"},
        LookupCase{"8-bit bytes unchanged", "[A]\nk=caf\xE9 \x80\n", "A", "k", "caf\xE9 \x80"},
        LookupCase{"other section", "[A]\nk=v\n[B]\n", "B", "k", std::nullopt},
        LookupCase{"before any section", "k=v\n[A]\n", "A", "k", std::nullopt},
        LookupCase{"line without equals", "[A]\nk\n", "A", "k", std::nullopt},
        LookupCase{"comment line", "[A]\n;k=v\n", "A", ";k", std::nullopt},
        LookupCase{"empty key ignored", "[A]\n=v\n", "A", "", std::nullopt},
        LookupCase{"missing key", "[A]\nk=v\n", "A", "kk", std::nullopt}),
    [](const ::testing::TestParamInfo<LookupCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

TEST(IniParse, CutsLongValuesTo2047Bytes) {
    const std::string value(3000, 'v');
    const IniEntries entries = ParseIni("[MESSAGE]\nM1=" + value + "\nM2=after\n");
    ASSERT_TRUE(entries.Find("MESSAGE", "M1"));
    EXPECT_EQ(entries.Find("MESSAGE", "M1")->size(), 2047u);
    EXPECT_EQ(*entries.Find("MESSAGE", "M2"), "after");
}

struct IntegerCase {
    const char* text;
    std::optional<int> expected;
};

TEST(IniParse, ReadsWholeNumbers) {
    const IntegerCase cases[] = {
        {"0", 0},
        {"42", 42},
        {"+7", 7},
        {"-15", -15},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$ff", 255},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0x7FFFFFFF", 2147483647},
        {"12abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"2147483648", std::nullopt},
        {"0x100000000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"0xG", std::nullopt},
        {"--1", std::nullopt},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(ParseIniInteger(c.text), c.expected) << c.text;
    }
}

struct RealCase {
    const char* text;
    char separator;
    std::optional<double> expected;
};

TEST(IniParse, ReadsRealNumbersWithTheGivenSeparator) {
    const RealCase cases[] = {
        {"12.5", '.', 12.5},
        {"12,5", ',', 12.5},
        {"-0.25", '.', -0.25},
        {"+3", '.', 3.0},
        {".5", '.', 0.5},
        {"5.", '.', 5.0},
        {"1e3", '.', 1000.0},
        {"2.5E-2", '.', 0.025},
        {"1,5e+2", ',', 150.0},
        {"12.5", ',', std::nullopt},
        {"12,5", '.', std::nullopt},
        {"1.2.3", '.', std::nullopt},
        {"", '.', std::nullopt},
        {".", '.', std::nullopt},
        {"1e", '.', std::nullopt},
        {"abc", '.', std::nullopt},
        {"inf", '.', std::nullopt},
        {"nan", '.', std::nullopt},
        {"0x10", '.', std::nullopt},
        {"1e999", '.', std::nullopt},
        {"7 ", '.', std::nullopt},
    };
    for (const RealCase& c : cases) {
        EXPECT_EQ(ParseIniReal(c.text, c.separator), c.expected) << c.text << " " << c.separator;
    }
}

}  // namespace
}  // namespace carecfg

namespace carecfg {
namespace {

TEST(IniParse, ArbitraryBytesGiveBoundedEntries) {
    std::mt19937 random(11);
    const std::string alphabet = "[]=;\"' \t\r\nabcK0x$\xE9";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i) {
            text.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256)
                                             : alphabet[random() % alphabet.size()]);
        }
        if (round % 100 == 0)
            text += "\n[a]\nk=" + std::string(5000, 'x');
        const IniEntries entries = ParseIni(text);
        if (round % 100 == 0) {
            ASSERT_TRUE(entries.Find("A", "K"));
            EXPECT_LE(entries.Find("A", "K")->size(), kMaxIniValueLength);
        }
        ParseIniInteger(text);
        ParseIniReal(text, ',');
    }
}

}  // namespace
}  // namespace carecfg
