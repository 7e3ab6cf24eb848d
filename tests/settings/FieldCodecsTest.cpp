#include "settings/FieldCodecs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromText(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TextFieldTest, ReadStopsAtFirstTerminatorOrWidth) {
    struct Case {
        Bytes field;
        std::size_t width;
        std::string expected;
    };
    const Case cases[] = {
        {Concat(FromText("AB"), {0xFF, 0xFF}), 4, "AB"},
        {Concat(FromText("AB"), Concat({0x00}, FromText("CD"))), 5, "AB"},
        {Concat(FromText("AB"), Concat({0xFF}, FromText("CD"))), 5, "AB"},
        {FromText("ABCDEFGHIJKLMNOP"), 16, "ABCDEFGHIJKLMNOP"},
        {FromText("ABCD"), 2, "AB"},
        {Concat({0xFF}, FromText("AB")), 3, ""},
        {Concat({0x00}, FromText("AB")), 3, ""},
        {FromText("ABC"), 10, "ABC"},  // width beyond the span reads only the span
        {{0xE9, 0x80, 0x01, 0xFE}, 4, "\xE9\x80\x01\xFE"},  // code-page bytes kept as they are
        {{}, 8, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadTextField(c.field, c.width), c.expected) << c.expected;
    }
}

TEST(TextFieldTest, WriteCopiesOnlyTextsThatFit) {
    struct Case {
        std::size_t width;
        std::size_t span;  // bytes actually handed over, out of a 20-byte guarded buffer
        std::string text;
        bool written;
    };
    const Case cases[] = {
        {16, 16, std::string(17, 'x'), false},
        {16, 16, std::string(16, 'y'), true},
        {16, 16, "AB", true},
        {16, 16, "", true},
        {8, 4, "ABCDEF", false},  // width says it fits, the field does not: nothing is written
        {2, 4, "ABC", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Bytes buffer(20, 0x11);
        const bool result = WriteTextField(std::span(buffer).subspan(2, c.span), c.width, c.text);
        EXPECT_EQ(result, c.written);
        Bytes expected(20, 0x11);
        if (c.written) {
            std::copy(c.text.begin(), c.text.end(), expected.begin() + 2);
        }
        EXPECT_EQ(buffer, expected);  // the rest of the field and everything around it untouched
    }
}

TEST(IntegerCodecTest, ReadUIntLeTreatsErasedFieldsAsZero) {
    struct Case {
        Bytes bytes;
        int width;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {{0xFF}, 1, 0},
        {{0x00}, 1, 0},
        {{0xFE}, 1, 254},
        {{0x00, 0xFF}, 2, 65280},
        {{0x34, 0x12}, 2, 0x1234},
        {{0xFF, 0xFF}, 2, 0},
        {{0xFF, 0x00}, 2, 255},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 4, 0},
        {{0x01, 0x02, 0x03, 0x04}, 4, 0x04030201},
        {{0x34, 0x12, 0x99}, 2, 0x1234},  // bytes past the width are not read
        {{0x01, 0x02}, 4, 0x0201},        // width past the span reads only the span
        {{0x01, 0x02, 0x03, 0x04, 0x05}, 9, 0x04030201},
        {{0x01}, 0, 0},
        {{}, 2, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadUIntLE(c.bytes, c.width), c.expected)
            << "width " << c.width << " expected " << c.expected;
    }
}

TEST(IntegerCodecTest, WriteUIntLeDropsHighBitsAndStaysInsideTheSpan) {
    struct Case {
        int width;
        std::size_t span;
        std::uint32_t value;
        Bytes expected;  // the whole 6-byte buffer, span starting at offset 1
    };
    const Case cases[] = {
        {2, 4, 65536, {0xAA, 0x00, 0x00, 0xAA, 0xAA, 0xAA}},
        {2, 4, 8080, {0xAA, 0x90, 0x1F, 0xAA, 0xAA, 0xAA}},
        {1, 4, 0x1234, {0xAA, 0x34, 0xAA, 0xAA, 0xAA, 0xAA}},
        {4, 4, 0xDEADBEEF, {0xAA, 0xEF, 0xBE, 0xAD, 0xDE, 0xAA}},
        {4, 2, 0xDEADBEEF, {0xAA, 0xEF, 0xBE, 0xAA, 0xAA, 0xAA}},
        {7, 4, 0x01020304, {0xAA, 0x04, 0x03, 0x02, 0x01, 0xAA}},
        {0, 4, 0x01, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
    };
    for (const Case& c : cases) {
        Bytes buffer(6, 0xAA);
        WriteUIntLE(std::span(buffer).subspan(1, c.span), c.width, c.value);
        EXPECT_EQ(buffer, c.expected) << "width " << c.width << " value " << c.value;
    }
}

TEST(IntegerCodecTest, SingleByteCodecs) {
    const std::pair<long long, std::uint8_t> stored[] = {{0, 0x00},  {255, 0xFF},    {256, 0x00},
                                                         {-1, 0xFF}, {0x1234, 0x34}, {-256, 0x00}};
    for (const auto& [value, expected] : stored) {
        std::uint8_t byte = 0x55;
        WriteByteValue(byte, value);
        EXPECT_EQ(byte, expected) << value;
    }
    EXPECT_EQ(ByteOrZero(0xFF), 0);
    EXPECT_EQ(ByteOrZero(0xFE), 254);
    EXPECT_EQ(ByteOrDefault(0xFF, 3), 3);
    EXPECT_EQ(ByteOrDefault(0x00, 3), 0);
    EXPECT_EQ(ByteToText(0x00), "0");
    EXPECT_EQ(ByteToText(0xFE), "254");
    EXPECT_EQ(ByteToText(0xFF), "");
}

TEST(TextToNumberTest, WholeNumbersTrimmedAndRangeChecked) {
    struct Case {
        std::string text;
        int orZero;
        int or255;
    };
    const Case cases[] = {
        {" 12 ", 12, 12},
        {"\t12\r\n", 12, 12},
        {"0", 0, 0},
        {"-5", -5, -5},
        {"+7", 7, 7},
        {"007", 7, 7},
        {"2147483647", std::numeric_limits<int>::max(), std::numeric_limits<int>::max()},
        {"-2147483648", std::numeric_limits<int>::min(), std::numeric_limits<int>::min()},
        {"300", 300, 300},  // returned whole; the field keeps the low bits later
        {"", 0, 255},
        {"   ", 0, 255},
        {"1a", 0, 255},
        {"a1", 0, 255},
        {"1 2", 0, 255},
        {"1.5", 0, 255},
        {"0x10", 0, 255},
        {"$10", 0, 255},
        {"-", 0, 255},
        {"+-3", 0, 255},
        {"2147483648", 0, 255},
        {"-2147483649", 0, 255},
        {"99999999999999999999999", 0, 255},
        {"\xA0"
         "5",
         0, 255},  // a code-page non-breaking space is not a blank
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextToIntOrZero(c.text), c.orZero) << '"' << c.text << '"';
        EXPECT_EQ(TextToIntOr255(c.text), c.or255) << '"' << c.text << '"';
    }
}

std::string WithSeparator(std::string text, char separator) {
    std::replace(text.begin(), text.end(), '.', separator);
    return text;
}

TEST(TextToNumberTest, RealsGetTheOffsetInEitherNotation) {
    struct Case {
        std::string text;  // written with '.', also tried with ','
        double expected;
    };
    const Case cases[] = {
        {"7.8", 7.8005}, {" 12.3 ", 12.3005}, {"-2.5", -2.4995},  {"5", 5.0005},  {".5", 0.5005},
        {"5.", 5.0005},  {"1e2", 100.0005},   {"1.5E-1", 0.1505}, {"", 0.0},      {"  ", 0.0},
        {"abc", 0.0},    {"1.2.3", 0.0},      {"1.5x", 0.0},      {".", 0.0},     {"1e", 0.0},
        {"e5", 0.0},     {"inf", 0.0},        {"nan", 0.0},       {"1e999", 0.0}, {"1 000", 0.0},
    };
    for (char separator : {'.', ','}) {
        for (const Case& c : cases) {
            const std::string text = WithSeparator(c.text, separator);
            EXPECT_DOUBLE_EQ(TextToReal(text, separator), c.expected) << '"' << text << '"';
        }
    }
    // The other notation's separator is not accepted.
    EXPECT_EQ(TextToReal("1,5", '.'), 0.0);
    EXPECT_EQ(TextToReal("1.5", ','), 0.0);
}

TEST(TextToNumberTest, OffsetIsAddedExactlyAndRoundedOnce) {
    // In double arithmetic 0.004 + 0.0005 rounds to 0.0045000000000000005; the exact sum rounded
    // once gives the double just below 0.0045, on every system (x87 extended precision would
    // depend on the system's precision setting, and it rounds three times).
    struct Case {
        const char* text;
        char separator;
        double value;
    };
    const Case cases[] = {
        {"0.004", '.', 0.0044999999999999997},
        {"0,004", ',', 0.0044999999999999997},
        {"0.025", '.', 0.025499999999999998},
        {"40.128357", '.', 40.128857000000004},   // triple rounding gave the double below
        {"521.531538", '.', 521.53203799999994},  // and here the one above
        {"9.9999", '.', 10.0004},                 // the carry runs into a new digit
        {"-1.25", '.', -1.2495},                  // a negative value loses the offset
        {"-0.0001", '.', 0.0004},                 // and changes sign nearer to zero
        {"-0.0005", '.', 0.0},                    // zero, not minus zero
        {"7", '.', 7.0005},
        {"1.5e-3", '.', 0.002},  // with an exponent: extended precision
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextToReal(c.text, c.separator), c.value) << c.text;
    }
    EXPECT_FALSE(std::signbit(TextToReal("-0.0005", '.')));
}

TEST(TextToNumberTest, TenthsTruncateTowardZero) {
    struct Case {
        std::string text;
        long long tenths;
    };
    const Case cases[] = {
        {"7.8", 78},  {"12.3", 123},   {"0.05", 0},    {"0.06", 0},
        {"2.55", 25}, {"300.5", 3005}, {"-1.25", -12}, {"", 0},
        {"abc", 0},   {"1e300", 0},    {"-1e300", 0},  {"9e16", 900000000000000000},
    };
    for (char separator : {'.', ','}) {
        for (const Case& c : cases) {
            const std::string text = WithSeparator(c.text, separator);
            EXPECT_EQ(TextToTenths(text, separator), c.tenths) << '"' << text << '"';
        }
    }
    EXPECT_EQ(TenthsToText(78, '.'), "7.8");
    EXPECT_EQ(TenthsToText(0, ','), "0,0");
    EXPECT_EQ(TenthsToText(65535, '.'), "6553.5");
    EXPECT_EQ(TenthsToText(-5, '.'), "-0.5");
}

TEST(BitCodecTest, GetAndSetOnlyTouchTheNamedBit) {
    for (int n = 0; n < 8; ++n) {
        const auto mask = static_cast<std::uint8_t>(1u << n);
        EXPECT_EQ(GetBit(mask, n), 1) << n;
        EXPECT_EQ(GetBit(static_cast<std::uint8_t>(~mask), n), 0) << n;
        EXPECT_EQ(SetBit(0x00, true, n), mask) << n;
        EXPECT_EQ(SetBit(0x00, false, n), 0x00) << n;
        EXPECT_EQ(SetBit(0xFF, false, n), 0xFF) << n;  // a clear flag changes nothing
    }
    for (int n : {-1, 8, 100}) {
        EXPECT_EQ(GetBit(0xFF, n), 0) << n;
        EXPECT_EQ(SetBit(0x00, true, n), 0x00) << n;
    }
}

TEST(ByteRangeTest, FillAndEraseAreClipped) {
    Bytes buffer(8, 0x00);
    FillBytes(std::span(buffer).subspan(2, 3), 100, 0x7E);
    EXPECT_EQ(buffer, (Bytes{0, 0, 0x7E, 0x7E, 0x7E, 0, 0, 0}));

    DeviceImage image;
    std::fill(image.MutableBytes().begin(), image.MutableBytes().end(), 0x00);
    EraseImageRange(image, 0x3FFFE, 0x100, 0xFF);
    EraseImageRange(image, 0x40000, 0x100, 0xFF);
    EraseImageRange(image, 0x100, 2, 0xFF);
    EXPECT_EQ(std::count(image.Bytes().begin(), image.Bytes().end(), 0xFF), 4);
    EXPECT_EQ(image.Bytes()[0x3FFFF], 0xFF);
    EXPECT_EQ(image.Bytes()[0x101], 0xFF);
    EXPECT_EQ(image.Bytes()[0x102], 0x00);
}

}  // namespace
}  // namespace carecfg
