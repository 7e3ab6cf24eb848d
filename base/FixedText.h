#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace carecfg {

// Fixed-width text fields of the unit's memory and of its link frames: one byte per character
// of the PC's code page, no length byte, no terminator when the text fills the field.

// Copies the text to the start of the field and returns true; the rest of the field keeps its
// content. A text longer than the width (or than the field) writes nothing and returns false.
bool WriteTextField(std::span<std::uint8_t> field, std::size_t width, std::string_view text);
// The field's bytes up to (not including) the first 0x00 or 0xFF, at most `width` bytes.
std::string ReadTextField(std::span<const std::uint8_t> field, std::size_t width);

}  // namespace carecfg
