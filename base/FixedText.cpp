#include "base/FixedText.h"

#include <algorithm>

namespace carecfg {

bool WriteTextField(std::span<std::uint8_t> field, std::size_t width, std::string_view text) {
    if (text.size() > width || text.size() > field.size()) {
        return false;
    }
    std::transform(text.begin(), text.end(), field.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return true;
}

std::string ReadTextField(std::span<const std::uint8_t> field, std::size_t width) {
    const auto bytes = field.first(std::min(width, field.size()));
    const auto end = std::find_if(bytes.begin(), bytes.end(),
                                  [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
    return std::string(bytes.begin(), end);
}

}  // namespace carecfg
