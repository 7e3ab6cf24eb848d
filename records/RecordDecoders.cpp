#include "records/RecordDecoders.h"

#include <algorithm>
#include <array>
#include <new>
#include <string_view>

#include "base/AsciiCase.h"
#include "base/FixedText.h"
#include "text/TextCodec.h"

namespace carecfg {

namespace {

// What one list column shows of a record.
enum class ColumnKind {
    None,       // no such column
    Text,       // a fixed-width text field in the unit's code page
    StateName,  // a one-byte index into the arming state names; 0xFF counts as 0
    CallValue,  // an unsigned 16-bit little-endian number; 0xFF 0xFF reads 0
};

struct ColumnField {
    ColumnKind kind;
    std::uint32_t offset;
    std::uint32_t width;
};

// The record layout of one list region: how many slots it has, where each begins and which
// fields fill columns 3 and 4. Slot i begins at start + (i / slotsPerSector) * 4096 +
// (i % slotsPerSector) * slotSize; a contiguous region has all its slots in one "sector".
struct RecordLayout {
    RegionId region;
    std::uint32_t slots;
    std::uint32_t slotSize;
    std::uint32_t slotsPerSector;
    ColumnField third;
    ColumnField fourth;
};

constexpr std::uint32_t kSectorSize = 4096;
constexpr std::size_t kStampSize = 6;

constexpr ColumnField kNone{ColumnKind::None, 0, 0};

constexpr std::array<RecordLayout, 6> kLayouts = {{
    // alarm: stamp, alarm text
    {RegionId::AlarmRecord, 100, 80, 50, {ColumnKind::Text, 6, 64}, kNone},
    // armed: stamp, state code, text
    {RegionId::ArmedRecord, 100, 80, 50, {ColumnKind::StateName, 6, 1}, {ColumnKind::Text, 7, 64}},
    // calls: stamp, call value, telephone number
    {RegionId::DialOutRecord,
     104,
     32,
     104,
     {ColumnKind::CallValue, 6, 2},
     {ColumnKind::Text, 8, 16}},
    {RegionId::IncomingRecord,
     104,
     32,
     104,
     {ColumnKind::CallValue, 6, 2},
     {ColumnKind::Text, 8, 16}},
    // short messages: stamp, telephone number, message text
    {RegionId::Inbox, 100, 256, 100, {ColumnKind::Text, 6, 16}, {ColumnKind::Text, 22, 160}},
    {RegionId::Outbox, 100, 256, 100, {ColumnKind::Text, 6, 16}, {ColumnKind::Text, 22, 160}},
}};

const RecordLayout* LayoutFor(RegionId region) {
    for (const RecordLayout& layout : kLayouts) {
        if (layout.region == region) {
            return &layout;
        }
    }
    return nullptr;
}

std::uint32_t SlotOffset(const RecordLayout& layout, std::uint32_t slot) {
    return (slot / layout.slotsPerSector) * kSectorSize +
           (slot % layout.slotsPerSector) * layout.slotSize;
}

// The field's bytes within the record; shorter (or empty) when the record is cut off.
std::span<const std::uint8_t> FieldBytes(std::span<const std::uint8_t> record,
                                         const ColumnField& field) {
    if (field.offset >= record.size()) {
        return {};
    }
    return record.subspan(field.offset,
                          std::min<std::size_t>(field.width, record.size() - field.offset));
}

std::string ColumnText(std::span<const std::uint8_t> record, const ColumnField& field,
                       const RecordTextSource& texts) {
    const std::span<const std::uint8_t> bytes = FieldBytes(record, field);
    switch (field.kind) {
        case ColumnKind::None:
            return {};
        case ColumnKind::Text: {
            const std::string raw = ReadTextField(bytes, field.width);
            return raw.empty() ? std::string() : texts.codec.ToUtf8(raw);
        }
        case ColumnKind::StateName: {
            if (bytes.empty()) {
                return {};
            }
            const std::size_t code = bytes[0] == kErased ? 0 : bytes[0];
            return code < texts.armedStateNames.size() ? texts.armedStateNames[code]
                                                       : std::string();
        }
        case ColumnKind::CallValue: {
            if (bytes.size() < 2) {
                return {};
            }
            const unsigned value = bytes[0] | (static_cast<unsigned>(bytes[1]) << 8);
            return std::to_string(value == 0xFFFF ? 0 : value);
        }
    }
    return {};
}

// Ascending, character by character, without regard to letter case.
bool StampLess(const RecordRow& a, const RecordRow& b) {
    return LessIgnoringCase(a.stamp, b.stamp);
}

// Appends the number in decimal, at least two digits.
void AppendTwoDigits(std::string& out, unsigned value) {
    if (value < 10) {
        out.push_back('0');
    }
    out += std::to_string(value);
}

}  // namespace

bool IsRecordListRegion(RegionId region) {
    return LayoutFor(region) != nullptr;
}

std::string RecordStampText(std::span<const std::uint8_t> stamp) {
    if (stamp.size() < kStampSize) {
        return {};
    }
    std::string text = "20";
    text.reserve(19);
    static constexpr std::array<char, kStampSize> kSeparators = {'-', '-', ' ', ':', ':', '\0'};
    for (std::size_t i = 0; i < kStampSize; ++i) {
        AppendTwoDigits(text, stamp[i]);
        if (kSeparators[i] != '\0') {
            text.push_back(kSeparators[i]);
        }
    }
    return text;
}

RecordDecode DecodeRecordRegion(const DeviceImage& image, RegionId region,
                                const RecordTextSource& texts) {
    RecordDecode decode;
    const RecordLayout* layout = LayoutFor(region);
    if (layout == nullptr) {
        decode.ok = false;
        return decode;
    }
    const std::span<const std::uint8_t> area = image.RegionBytes(region);
    try {
        for (std::uint32_t slot = 0; slot < layout->slots; ++slot) {
            const std::uint32_t offset = SlotOffset(*layout, slot);
            if (offset >= area.size()) {
                break;
            }
            const std::span<const std::uint8_t> record =
                area.subspan(offset, std::min<std::size_t>(layout->slotSize, area.size() - offset));
            if (record[0] == kErased) {
                continue;
            }
            RecordRow row;
            row.stamp = RecordStampText(record.first(std::min(kStampSize, record.size())));
            row.third = ColumnText(record, layout->third, texts);
            row.fourth = ColumnText(record, layout->fourth, texts);
            decode.rows.push_back(std::move(row));
        }
        std::stable_sort(decode.rows.begin(), decode.rows.end(), StampLess);
        for (std::size_t i = 0; i < decode.rows.size(); ++i) {
            decode.rows[i].number = std::to_string(i + 1);
        }
    } catch (const std::bad_alloc&) {
        decode.ok = false;
    }
    return decode;
}

}  // namespace carecfg
