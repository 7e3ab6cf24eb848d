#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "base/WholeNumber.h"

namespace carecfg {
namespace {

TEST(WholeNumber, FillsTheWholeTextOrIsRefused) {
    const std::pair<std::string_view, std::optional<std::int64_t>> cases[] = {
        {"1500", 1500},
        {"0", 0},
        {"+20", 20},
        {"-5", -5},
        {"007", 7},
        {"", {}},
        {"+", {}},
        {"-", {}},
        {"12.5", {}},
        {"abc", {}},
        {" 15", {}},
        {"15 ", {}},
        {"15 00", {}},
        {"+-1", {}},
        {"--1", {}},
        {"3000ms", {}},
        {"0x10", {}},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"9223372036854775808", {}},
        {"-9223372036854775809", {}},
        {"99999999999999999999999", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ParseWholeNumber(text), expected) << '"' << text << '"';
    }
}

TEST(WholeNumber, RangesOfTheCallersType) {
    EXPECT_EQ(ParseWholeNumberAs<int>("2147483647"), 2147483647);
    EXPECT_EQ(ParseWholeNumberAs<int>("2147483648"), std::nullopt);
    EXPECT_EQ(ParseWholeNumberAs<int>("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseWholeNumberAs<std::uint32_t>("-1"), std::nullopt);
    EXPECT_EQ(ParseWholeNumberAs<std::uint32_t>("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWholeNumberAs<std::uint8_t>("256"), std::nullopt);
    EXPECT_EQ(ParseWholeNumberIn("100", 1, 100), 100);
    EXPECT_EQ(ParseWholeNumberIn("0", 1, 100), std::nullopt);
}

}  // namespace
}  // namespace carecfg
