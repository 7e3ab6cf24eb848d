#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/FixedText.h"
#include "image/DeviceImage.h"

namespace carecfg {

// Byte-level codecs of the unit's memory. None of them fails: every bad input maps to a defined
// value. Functions taking a span never touch a byte outside it, whatever width they are given.
// Texts are 8-bit code-page bytes, one byte per character, carried unchanged in std::string.

// ---- byte ranges ----

// Sets the first `count` bytes of the destination (at most all of it) to the value.
void FillBytes(std::span<std::uint8_t> destination, std::size_t count, std::uint8_t value);
// Sets `count` image bytes from the address on (clipped to the image) to the value.
void EraseImageRange(DeviceImage& image, std::uint32_t address, std::uint32_t count,
                     std::uint8_t value);

// ---- text fields: WriteTextField and ReadTextField of base/FixedText.h ----

// ---- integers (little-endian, unsigned, width 1..4) ----

// Byte i receives bits 8i..8i+7 of the value; higher bits are dropped.
void WriteUIntLE(std::span<std::uint8_t> bytes, int width, std::uint32_t value);
// The little-endian value of `width` bytes; 0 when all of them are 0xFF (erased).
std::uint32_t ReadUIntLE(std::span<const std::uint8_t> bytes, int width);

// Stores the low 8 bits (256 becomes 0, -1 becomes 0xFF).
void WriteByteValue(std::uint8_t& byte, long long value);
int ByteOrZero(std::uint8_t byte);
int ByteOrDefault(std::uint8_t byte, int fallback);
// Empty for 0xFF, else the decimal text.
std::string ByteToText(std::uint8_t byte);

// ---- text to number ----

// The text trimmed of characters at or below the blank at both ends.
std::string_view TrimBlanksAndControls(std::string_view text);
// A signed decimal whole number in the 32-bit range, else 0.
int TextToIntOrZero(std::string_view text);
// As TextToIntOrZero, but 255 for empty or invalid text.
int TextToIntOr255(std::string_view text);
// The real number plus 0.0005, rounded once to double (the sum is exact for a text without
// exponent, and taken in extended precision for one with); 0.0 for an empty or invalid text.
// `decimalSeparator` is the separator of the user's notation.
double TextToReal(std::string_view text, char decimalSeparator = '.');

// ---- bits and reals ----

// 1 when bit n (0 = least significant) is set; 0 otherwise and for n outside 0..7.
int GetBit(std::uint8_t byte, int n);
// The byte with bit n set when the flag is true; otherwise (and for n outside 0..7) unchanged.
std::uint8_t SetBit(std::uint8_t byte, bool flag, int n);
double MaxReal(double a, double b);
double MinReal(double a, double b);

// Whole number of tenths (truncated toward zero) of a text such as "7.8" (-> 78); 0 for invalid
// text or for values too large to count.
long long TextToTenths(std::string_view text, char decimalSeparator = '.');
// A count of tenths as text with one decimal: 78 -> "7.8".
std::string TenthsToText(long long tenths, char decimalSeparator = '.');

// ---- binding kinds: how one page control maps to bytes of the image ----

// The state of one control: an edit field's text, a drop-down's item index, a check box's mark.
struct ControlValue {
    std::string text;
    int itemIndex = -1;
    bool checked = false;
};

enum class BindingKind {
    TextField,           // width w, blank fill byte
    NumberByte,          // 0xFF shows "0"
    OptionalNumberByte,  // 0xFF shows empty text; empty text writes 0xFF
    NumberWord,          // two bytes, 0xFFFF shows "0"
    ChoiceByte,          // drop-down item index; 0xFF selects the default item
    FlagByte,            // check box: 1 / 0
    FlagBit,             // check box on bit n of a byte shared with other check boxes
    TenthsValue,         // one-decimal real stored as tenths in 1 or 2 bytes
};

// One binding: the kind plus the parameters that kind uses.
struct Binding {
    BindingKind kind = BindingKind::NumberByte;
    std::size_t width = 1;     // TextField: field width; TenthsValue: 1 or 2
    std::uint8_t fill = 0xFF;  // TextField: blank fill
    int defaultItem = 0;       // ChoiceByte: item shown for 0xFF
    int bit = 0;               // FlagBit: bit number 0..7
};

// Number of bytes the binding occupies.
std::size_t BindingSize(const Binding& binding);

// Writes the control's value into the bytes (the span starts at the field). FlagBit only sets or
// clears its own bit; whoever walks the bindings zeroes a shared flag byte before encoding the
// check boxes that share it.
void Encode(const Binding& binding, std::span<std::uint8_t> bytes, const ControlValue& control,
            char decimalSeparator = '.');
// The control's value decoded from the bytes; only the member the kind uses is set.
ControlValue Decode(const Binding& binding, std::span<const std::uint8_t> bytes,
                    char decimalSeparator = '.');

}  // namespace carecfg
