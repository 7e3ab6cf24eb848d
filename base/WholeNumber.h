#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace carecfg {

// A signed decimal whole number that fills the whole text: an optional '+' or '-', then one or
// more digits 0..9, nothing else (no blanks: callers trim by their own rules). nullopt for any
// other text and for numbers outside the 64-bit range.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

// As ParseWholeNumber, limited to the range [lowest, highest].
std::optional<std::int64_t> ParseWholeNumberIn(std::string_view text, std::int64_t lowest,
                                               std::int64_t highest);

// As ParseWholeNumber, limited to the range of Int.
template <class Int>
std::optional<Int> ParseWholeNumberAs(std::string_view text) {
    const auto value =
        ParseWholeNumberIn(text, std::numeric_limits<Int>::min(),
                           static_cast<std::int64_t>(std::numeric_limits<Int>::max()));
    if (!value) {
        return std::nullopt;
    }
    return static_cast<Int>(*value);
}

}  // namespace carecfg
