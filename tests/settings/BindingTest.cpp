#include <gtest/gtest.h>

#include <vector>

#include "settings/FieldCodecs.h"

namespace carecfg {
namespace {

using Bytes = std::vector<std::uint8_t>;

Binding Text(std::size_t width, std::uint8_t fill) {
    return {BindingKind::TextField, width, fill, 0, 0};
}
Binding Kind(BindingKind kind) {
    return {kind, 1, 0xFF, 0, 0};
}
Binding Choice(int defaultItem) {
    return {BindingKind::ChoiceByte, 1, 0xFF, defaultItem, 0};
}
Binding Bit(int n) {
    return {BindingKind::FlagBit, 1, 0xFF, 0, n};
}
Binding Tenths(std::size_t width) {
    return {BindingKind::TenthsValue, width, 0xFF, 0, 0};
}

ControlValue TextValue(std::string text) {
    return {std::move(text), -1, false};
}
ControlValue Item(int index) {
    return {"", index, false};
}
ControlValue Check(bool checked) {
    return {"", -1, checked};
}

TEST(BindingTest, EncodeWritesTheFieldAndDecodeReadsItBack) {
    struct Case {
        const char* what;
        Binding binding;
        Bytes before;
        ControlValue control;
        Bytes after;
        ControlValue decoded;
    };
    const Case cases[] = {
        {"text with 0xFF fill",
         Text(4, 0xFF),
         {1, 2, 3, 4},
         TextValue("AB"),
         {'A', 'B', 0xFF, 0xFF},
         TextValue("AB")},
        {"text filling the field",
         Text(4, 0x00),
         {1, 2, 3, 4},
         TextValue("ABCD"),
         {'A', 'B', 'C', 'D'},
         TextValue("ABCD")},
        {"too-long text leaves the field blank",
         Text(4, 0x00),
         {1, 2, 3, 4},
         TextValue("ABCDE"),
         {0, 0, 0, 0},
         TextValue("")},
        {"number byte keeps low bits",
         Kind(BindingKind::NumberByte),
         {0x00},
         TextValue("300"),
         {0x2C},
         TextValue("44")},
        {"number byte empty",
         Kind(BindingKind::NumberByte),
         {0x12},
         TextValue(""),
         {0x00},
         TextValue("0")},
        {"number byte -1 reads back as 0",
         Kind(BindingKind::NumberByte),
         {0x00},
         TextValue("-1"),
         {0xFF},
         TextValue("0")},
        {"optional byte empty",
         Kind(BindingKind::OptionalNumberByte),
         {0x00},
         TextValue(" "),
         {0xFF},
         TextValue("")},
        {"optional byte value",
         Kind(BindingKind::OptionalNumberByte),
         {0xFF},
         TextValue("7"),
         {0x07},
         TextValue("7")},
        {"number word",
         Kind(BindingKind::NumberWord),
         {0, 0},
         TextValue("8080"),
         {0x90, 0x1F},
         TextValue("8080")},
        {"number word too large",
         Kind(BindingKind::NumberWord),
         {0, 0},
         TextValue("70000"),
         {0x70, 0x11},
         TextValue("4464")},
        {"number word invalid",
         Kind(BindingKind::NumberWord),
         {1, 1},
         TextValue("x"),
         {0, 0},
         TextValue("0")},
        {"choice without selection", Choice(0), {0x03}, Item(-1), {0xFF}, Item(0)},
        {"choice erased with default", Choice(2), {0x00}, Item(-1), {0xFF}, Item(2)},
        {"choice selected", Choice(2), {0xFF}, Item(3), {0x03}, Item(3)},
        {"flag byte on", Kind(BindingKind::FlagByte), {0xFF}, Check(true), {0x01}, Check(true)},
        {"flag byte off", Kind(BindingKind::FlagByte), {0xFF}, Check(false), {0x00}, Check(false)},
        {"flag bit set", Bit(3), {0x00}, Check(true), {0x08}, Check(true)},
        {"flag bit cleared, others kept", Bit(3), {0xFF}, Check(false), {0xF7}, Check(false)},
        {"tenths in a byte", Tenths(1), {0xFF}, TextValue("12.3"), {123}, TextValue("12.3")},
        {"tenths in a word",
         Tenths(2),
         {0xFF, 0xFF},
         TextValue("300.5"),
         {0xBD, 0x0B},
         TextValue("300.5")},
        {"tenths 7.8", Tenths(1), {0xFF}, TextValue("7.8"), {78}, TextValue("7.8")},
        {"tenths empty", Tenths(2), {0xFF, 0xFF}, TextValue(""), {0, 0}, TextValue("0.0")},
        {"tenths below one tenth", Tenths(1), {0xFF}, TextValue("0.05"), {0}, TextValue("0.0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = c.before;
        Encode(c.binding, bytes, c.control, '.');
        EXPECT_EQ(bytes, c.after);
        EXPECT_EQ(BindingSize(c.binding), c.after.size());
        const ControlValue decoded = Decode(c.binding, bytes, '.');
        EXPECT_EQ(decoded.text, c.decoded.text);
        EXPECT_EQ(decoded.itemIndex, c.decoded.itemIndex);
        EXPECT_EQ(decoded.checked, c.decoded.checked);
    }
}

TEST(BindingTest, ErasedBytesDecodeAsEmpty) {
    const Bytes erased(16, 0xFF);
    EXPECT_EQ(Decode(Text(16, 0xFF), erased).text, "");
    EXPECT_EQ(Decode(Kind(BindingKind::NumberByte), erased).text, "0");
    EXPECT_EQ(Decode(Kind(BindingKind::OptionalNumberByte), erased).text, "");
    EXPECT_EQ(Decode(Kind(BindingKind::NumberWord), erased).text, "0");
    EXPECT_EQ(Decode(Choice(0), erased).itemIndex, 0);
    EXPECT_FALSE(Decode(Kind(BindingKind::FlagByte), erased).checked);
    EXPECT_TRUE(Decode(Bit(5), erased).checked);
    EXPECT_EQ(Decode(Tenths(2), erased).text, "0.0");
}

TEST(BindingTest, FlagBitsSharingAZeroedByte) {
    Bytes shared = {0xFF};
    shared[0] = 0;  // the walker zeroes a shared flag byte before its check boxes
    Encode(Bit(0), shared, Check(true));
    Encode(Bit(1), shared, Check(false));
    Encode(Bit(7), shared, Check(true));
    EXPECT_EQ(shared[0], 0x81);
    EXPECT_TRUE(Decode(Bit(0), shared).checked);
    EXPECT_FALSE(Decode(Bit(1), shared).checked);
    EXPECT_TRUE(Decode(Bit(7), shared).checked);
}

TEST(BindingTest, TenthsFollowTheDecimalSeparator) {
    Bytes bytes = {0, 0};
    Encode(Tenths(2), bytes, TextValue("12,3"), ',');
    EXPECT_EQ(bytes, (Bytes{123, 0}));
    EXPECT_EQ(Decode(Tenths(2), bytes, ',').text, "12,3");
    Encode(Tenths(2), bytes, TextValue("12.3"), ',');  // wrong notation counts as invalid
    EXPECT_EQ(bytes, (Bytes{0, 0}));
}

TEST(BindingTest, NoKindReachesOutsideItsSpan) {
    const Binding bindings[] = {Text(16, 0x00),
                                Kind(BindingKind::NumberByte),
                                Kind(BindingKind::OptionalNumberByte),
                                Kind(BindingKind::NumberWord),
                                Choice(1),
                                Kind(BindingKind::FlagByte),
                                Bit(2),
                                Tenths(2),
                                Tenths(9)};
    const ControlValue control = {"65535", 4, true};
    for (const Binding& binding : bindings) {
        for (std::size_t span : {0u, 1u}) {
            SCOPED_TRACE(static_cast<int>(binding.kind));
            Bytes buffer(6, 0xAA);
            const auto field = std::span(buffer).subspan(2, span);
            Encode(binding, field, control);
            EXPECT_EQ(buffer[0], 0xAA);
            EXPECT_EQ(buffer[1], 0xAA);
            EXPECT_EQ(buffer[2 + span], 0xAA);
            Decode(binding, field);  // must not read past the span either
        }
    }
    // A word field handed one byte reads that byte alone.
    const Bytes one = {0x05};
    EXPECT_EQ(Decode(Kind(BindingKind::NumberWord), one).text, "5");
}

}  // namespace
}  // namespace carecfg
