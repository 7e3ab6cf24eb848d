#include "base/WholeNumber.h"

#include <charconv>

namespace carecfg {

std::optional<std::int64_t> ParseWholeNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    // The magnitude is read unsigned so that the most negative value still fits.
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    constexpr std::uint64_t kMax = static_cast<std::uint64_t>(INT64_MAX);
    if (negative) {
        if (magnitude > kMax + 1) {
            return std::nullopt;
        }
        return magnitude == kMax + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > kMax) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(magnitude);
}

std::optional<std::int64_t> ParseWholeNumberIn(std::string_view text, std::int64_t lowest,
                                               std::int64_t highest) {
    const auto value = ParseWholeNumber(text);
    if (!value || *value < lowest || *value > highest) {
        return std::nullopt;
    }
    return value;
}

}  // namespace carecfg
