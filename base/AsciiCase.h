#pragma once

#include <string>
#include <string_view>

namespace carecfg {

// Letter case of component names, keys and stamp texts: only A-Z and a-z count as letters, so
// the result never depends on the process locale (the window's locale may fold bytes of the
// code page differently).

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with A-Z made lower case.
std::string AsciiLowered(std::string_view text);
// True when the texts differ at most in the case of A-Z.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Character-by-character order of the texts with A-Z taken as a-z.
bool LessIgnoringCase(std::string_view a, std::string_view b);

}  // namespace carecfg
