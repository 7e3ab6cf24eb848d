#include "settings/FieldCodecs.h"

#include "base/WholeNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace carecfg {

namespace {

// Width limited to 0..4 and to the bytes that are there.
std::size_t IntegerWidth(std::size_t available, int width) {
    const int clamped = std::clamp(width, 0, 4);
    return std::min(available, static_cast<std::size_t>(clamped));
}

// A single-byte field read from a span; a missing byte counts as erased.
std::uint8_t FirstByte(std::span<const std::uint8_t> bytes) {
    return bytes.empty() ? kErased : bytes[0];
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Parses a signed decimal whole number in the 32-bit range that fills the whole trimmed text.
bool ParseInt(std::string_view text, int& value) {
    const auto parsed = ParseWholeNumberAs<std::int32_t>(TrimBlanksAndControls(text));
    if (!parsed) {
        return false;
    }
    value = *parsed;
    return true;
}

// A real as written: its sign, the digits before and after the separator, and the whole of it in
// the C notation ("12.5e-3") for the conversion.
struct RealText {
    bool negative = false;
    std::string integerPart;
    std::string fraction;
    bool hasExponent = false;
    std::string normal;
};

// Parses a real of the form [sign] digits [separator digits] [e [sign] digits], with at least one
// mantissa digit, into its parts and, in extended precision, its value. Infinite and
// not-a-number values are refused.
bool ParseReal(std::string_view text, char separator, long double& value, RealText& parts) {
    text = TrimBlanksAndControls(text);
    std::string normal;
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::size_t mantissaDigits = 0;
    std::string integerPart;
    while (i < text.size() && IsDigit(text[i])) {
        integerPart += text[i++];
    }
    mantissaDigits += integerPart.size();
    std::string fraction;
    if (i < text.size() && text[i] == separator) {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            fraction += text[i++];
        }
    }
    mantissaDigits += fraction.size();
    if (mantissaDigits == 0) {
        return false;
    }
    normal = integerPart.empty() ? "0" : integerPart;
    if (!fraction.empty()) {
        normal += '.';
        normal += fraction;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        std::string exponent = "e";
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            exponent += text[i++];
        }
        const std::size_t firstDigit = exponent.size();
        while (i < text.size() && IsDigit(text[i])) {
            exponent += text[i++];
        }
        if (exponent.size() == firstDigit) {
            return false;
        }
        normal += exponent;
    }
    if (i != text.size()) {
        return false;
    }
    long double parsed = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), parsed);
    if (error != std::errc() || end != normal.data() + normal.size() || !std::isfinite(parsed)) {
        return false;
    }
    value = negative ? -parsed : parsed;
    parts = RealText{negative, std::move(integerPart), std::move(fraction),
                     normal.find('e') != std::string::npos, std::move(normal)};
    return true;
}

// The exact decimal text of a real written without exponent plus 0.0005, so that the one
// rounding to double is that of the conversion. Decimal digits keep this the same on every
// system: extended precision is not (x87 arithmetic runs at double precision on Windows).
std::string PlusHalfThousandth(const RealText& parts) {
    std::string digits = parts.integerPart.empty() ? "0" : parts.integerPart;
    const std::size_t point = digits.size();
    digits += parts.fraction;
    if (parts.fraction.size() < 4) {
        digits.append(4 - parts.fraction.size(), '0');
    }
    std::string offset(digits.size(), '0');
    offset[point + 3] = '5';
    bool negative = parts.negative;
    // Subtracts the smaller magnitude from the larger, digit by digit (both are equally long).
    const auto subtract = [](std::string larger, const std::string& smaller) {
        int borrow = 0;
        for (std::size_t i = larger.size(); i-- > 0;) {
            int d = (larger[i] - '0') - (smaller[i] - '0') - borrow;
            borrow = d < 0 ? 1 : 0;
            larger[i] = static_cast<char>('0' + (d + 10) % 10);
        }
        return larger;
    };
    std::string sum;
    if (!negative) {
        sum = digits;
        int carry = 0;
        for (std::size_t i = sum.size(); i-- > 0;) {
            const int d = (sum[i] - '0') + (offset[i] - '0') + carry;
            carry = d / 10;
            sum[i] = static_cast<char>('0' + d % 10);
        }
        if (carry != 0) {
            sum.insert(sum.begin(), '1');
            sum.insert(point + 1, 1, '.');
            return sum;
        }
    } else if (digits > offset) {
        sum = subtract(digits, offset);
    } else {  // -0.0005 and anything nearer to zero: the sum is zero or positive
        sum = subtract(offset, digits);
        negative = false;
    }
    std::string text = negative ? "-" : "";
    text.append(sum, 0, point);
    text += '.';
    text.append(sum, point);
    return text;
}

}  // namespace

void FillBytes(std::span<std::uint8_t> destination, std::size_t count, std::uint8_t value) {
    std::fill_n(destination.begin(), std::min(count, destination.size()), value);
}

void EraseImageRange(DeviceImage& image, std::uint32_t address, std::uint32_t count,
                     std::uint8_t value) {
    auto bytes = image.MutableBytes();
    if (address >= bytes.size()) {
        return;
    }
    FillBytes(bytes.subspan(address), count, value);
}

void WriteUIntLE(std::span<std::uint8_t> bytes, int width, std::uint32_t value) {
    const std::size_t n = IntegerWidth(bytes.size(), width);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t ReadUIntLE(std::span<const std::uint8_t> bytes, int width) {
    const std::size_t n = IntegerWidth(bytes.size(), width);
    std::uint32_t result = 0;
    bool erased = true;
    for (std::size_t i = n; i-- > 0;) {
        result = (result << 8) | bytes[i];
        if (bytes[i] != kErased) {
            erased = false;
        }
    }
    return erased ? 0 : result;
}

void WriteByteValue(std::uint8_t& byte, long long value) {
    byte = static_cast<std::uint8_t>(static_cast<unsigned long long>(value) & 0xFFu);
}

int ByteOrZero(std::uint8_t byte) {
    return byte == kErased ? 0 : byte;
}

int ByteOrDefault(std::uint8_t byte, int fallback) {
    return byte == kErased ? fallback : byte;
}

std::string ByteToText(std::uint8_t byte) {
    return byte == kErased ? std::string() : std::to_string(byte);
}

std::string_view TrimBlanksAndControls(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

int TextToIntOrZero(std::string_view text) {
    int value = 0;
    return ParseInt(text, value) ? value : 0;
}

int TextToIntOr255(std::string_view text) {
    int value = 0;
    return ParseInt(text, value) ? value : 255;
}

double TextToReal(std::string_view text, char decimalSeparator) {
    long double value = 0;
    RealText parts;
    if (!ParseReal(text, decimalSeparator, value, parts)) {
        return 0.0;
    }
    // The small offset lets a later truncation to tenths keep values such as 7.8 that binary
    // floating point holds a hair below their decimal value.
    double result = 0.0;
    if (!parts.hasExponent) {
        const std::string sum = PlusHalfThousandth(parts);
        std::from_chars(sum.data(), sum.data() + sum.size(), result);
    } else {
        result = static_cast<double>(value + 0.0005L);
    }
    return std::isfinite(result) ? result : 0.0;
}

int GetBit(std::uint8_t byte, int n) {
    if (n < 0 || n > 7) {
        return 0;
    }
    return (byte >> n) & 1;
}

std::uint8_t SetBit(std::uint8_t byte, bool flag, int n) {
    if (!flag || n < 0 || n > 7) {
        return byte;
    }
    return static_cast<std::uint8_t>(byte | (1u << n));
}

double MaxReal(double a, double b) {
    return a > b ? a : b;
}

double MinReal(double a, double b) {
    return a < b ? a : b;
}

long long TextToTenths(std::string_view text, char decimalSeparator) {
    const double tenths = std::trunc(TextToReal(text, decimalSeparator) * 10.0);
    // Beyond this no stored width could hold the value, and the conversion would be undefined.
    constexpr double kLimit = 9.0e18;
    if (!(tenths > -kLimit && tenths < kLimit)) {
        return 0;
    }
    return static_cast<long long>(tenths);
}

std::string TenthsToText(long long tenths, char decimalSeparator) {
    const unsigned long long magnitude = tenths < 0 ? 0ull - static_cast<unsigned long long>(tenths)
                                                    : static_cast<unsigned long long>(tenths);
    std::string text = tenths < 0 ? "-" : "";
    text += std::to_string(magnitude / 10);
    text += decimalSeparator;
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

std::size_t BindingSize(const Binding& binding) {
    switch (binding.kind) {
        case BindingKind::TextField:
            return binding.width;
        case BindingKind::NumberWord:
            return 2;
        case BindingKind::TenthsValue:
            return std::clamp<std::size_t>(binding.width, 1, 4);
        default:
            return 1;
    }
}

void Encode(const Binding& binding, std::span<std::uint8_t> bytes, const ControlValue& control,
            char decimalSeparator) {
    if (bytes.empty()) {
        return;
    }
    std::uint8_t& first = bytes[0];
    switch (binding.kind) {
        case BindingKind::TextField:
            // Blank first, so a text that does not fit leaves a blank field.
            FillBytes(bytes, binding.width, binding.fill);
            WriteTextField(bytes, binding.width, control.text);
            break;
        case BindingKind::NumberByte:
            WriteByteValue(first, TextToIntOrZero(control.text));
            break;
        case BindingKind::OptionalNumberByte:
            WriteByteValue(first, TextToIntOr255(control.text));
            break;
        case BindingKind::NumberWord:
            WriteUIntLE(bytes, 2, static_cast<std::uint32_t>(TextToIntOrZero(control.text)));
            break;
        case BindingKind::ChoiceByte:
            WriteByteValue(first, control.itemIndex < 0 ? -1 : control.itemIndex);
            break;
        case BindingKind::FlagByte:
            first = control.checked ? 1 : 0;
            break;
        case BindingKind::FlagBit:
            if (binding.bit >= 0 && binding.bit <= 7) {
                first = SetBit(static_cast<std::uint8_t>(first & ~(1u << binding.bit)),
                               control.checked, binding.bit);
            }
            break;
        case BindingKind::TenthsValue:
            WriteUIntLE(bytes, static_cast<int>(BindingSize(binding)),
                        static_cast<std::uint32_t>(static_cast<unsigned long long>(
                            TextToTenths(control.text, decimalSeparator))));
            break;
    }
}

ControlValue Decode(const Binding& binding, std::span<const std::uint8_t> bytes,
                    char decimalSeparator) {
    ControlValue control;
    const std::uint8_t first = FirstByte(bytes);
    switch (binding.kind) {
        case BindingKind::TextField:
            control.text = ReadTextField(bytes, binding.width);
            break;
        case BindingKind::NumberByte:
            control.text = std::to_string(ByteOrZero(first));
            break;
        case BindingKind::OptionalNumberByte:
            control.text = ByteToText(first);
            break;
        case BindingKind::NumberWord:
            control.text = std::to_string(ReadUIntLE(bytes, 2));
            break;
        case BindingKind::ChoiceByte:
            control.itemIndex = ByteOrDefault(first, binding.defaultItem);
            break;
        case BindingKind::FlagByte:
            control.checked = ByteOrZero(first) != 0;
            break;
        case BindingKind::FlagBit:
            control.checked = GetBit(first, binding.bit) == 1;
            break;
        case BindingKind::TenthsValue:
            control.text = TenthsToText(ReadUIntLE(bytes, static_cast<int>(BindingSize(binding))),
                                        decimalSeparator);
            break;
    }
    return control;
}

}  // namespace carecfg
