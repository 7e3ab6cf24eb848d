#include "settings/SettingsMap.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "base/AsciiCase.h"

namespace carecfg {
namespace {

std::string Named(std::string_view prefix, int number) {
    return std::string(prefix) + std::to_string(number);
}

Binding TextOf(std::size_t width, std::uint8_t fill) {
    return {BindingKind::TextField, width, fill, 0, 0};
}
Binding KindOf(BindingKind kind) {
    return {kind, 1, 0xFF, 0, 0};
}
Binding ChoiceOf(int defaultItem) {
    return {BindingKind::ChoiceByte, 1, 0xFF, defaultItem, 0};
}
Binding BitOf(int bit) {
    return {BindingKind::FlagBit, 1, 0xFF, 0, bit};
}
Binding TenthsOf(std::size_t width) {
    return {BindingKind::TenthsValue, width, 0xFF, 0, 0};
}

// Builds the field list; each helper appends one field or one repeated row.
class FieldListBuilder {
public:
    void Add(std::uint32_t offset, Binding binding, std::string control, std::uint8_t blank,
             FieldRule rule = FieldRule::Plain, std::string partner = {}, int index = 0) {
        m_fields.push_back(
            {offset, binding, rule, std::move(control), std::move(partner), index, blank});
    }

    // The receiver grid: per row the flag byte B bits 0..7, then byte A bits 0 and 1.
    void AddReceiverFlagRow(int n) {
        static constexpr int kByteBColumns[8] = {2, 12, 29, 39, 49, 59, 69, 90};
        static constexpr int kByteAColumns[2] = {100, 143};
        const std::uint32_t byteA = 0x0AA + 2 * n;
        for (int bit = 0; bit < 8; ++bit) {
            Add(byteA + 1, BitOf(bit), Named("CheckBox", kByteBColumns[bit] + n), 0x00);
        }
        for (int bit = 0; bit < 2; ++bit) {
            Add(byteA, BitOf(bit), Named("CheckBox", kByteAColumns[bit] + n), 0x00);
        }
    }

    void AddAlarmClock(int k) {
        const std::uint32_t base = 0xD2C + 6 * k;
        Add(base + 0, ChoiceOf(3), Named("ComboBox", 2 + k), 0x00);
        Add(base + 1, KindOf(BindingKind::NumberByte), Named("ComboBox", 63 + k), 0x00);
        Add(base + 2, KindOf(BindingKind::NumberByte), Named("ComboBox", 68 + k), 0x00);
        Add(base + 4, KindOf(BindingKind::NumberByte), Named("ComboBox", 73 + k), 0x00);
        Add(base + 5, KindOf(BindingKind::NumberByte), Named("ComboBox", 78 + k), 0x00);
    }

    void AddZone0() {
        const std::uint32_t base = kZone0Offset;
        Add(base + 0, TextOf(64, 0xFF), ZoneNameEdit(0), 0xFF);
        Add(base + 64, TextOf(4, 0x00), "Edit380", 0x00);
        Add(base + 68, ChoiceOf(7), ZoneTypeBox(0), 0x00, FieldRule::ErasedChoice);
        Add(base + 69, ChoiceOf(0), ZoneAlertBox(0), 0x00);
        Add(base + 70, ChoiceOf(0), ZoneSirenBox(0), 0x00);
        Add(base + 89, KindOf(BindingKind::FlagByte), ZoneDisableBox(0), 0x00);
    }

    void AddZone(int z) {
        const std::uint32_t base = kZone1Offset + kZoneRecordSize * (z - 1);
        Add(base + 0, TextOf(64, 0xFF), ZoneNameEdit(z), 0xFF);
        Add(base + 68, ChoiceOf(7), ZoneTypeBox(z), 0x00, FieldRule::ZoneType, {}, z);
        Add(base + 69, ChoiceOf(0), ZoneAlertBox(z), 0x00);
        Add(base + 70, ChoiceOf(0), ZoneSirenBox(z), 0x00);
        Add(base + 89, KindOf(BindingKind::FlagByte), ZoneDisableBox(z), 0x00);
        for (int q = 0; q < 3; ++q) {
            const std::uint32_t block = base + 71 + 6 * q;
            for (int item = 0; item < 4; ++item) {
                Add(block + item, KindOf(BindingKind::NumberByte), ZoneBlockBox(z, q, item), 0x00);
            }
            Add(block + 4, ChoiceOf(0), ZoneBlockBox(z, q, 4), 0x00);
        }
    }

    std::vector<SettingsField> Take() { return std::move(m_fields); }

private:
    std::vector<SettingsField> m_fields;
};

std::vector<SettingsField> BuildFields() {
    FieldListBuilder b;
    const Binding numberByte = KindOf(BindingKind::NumberByte);
    const Binding optionalByte = KindOf(BindingKind::OptionalNumberByte);
    const Binding numberWord = KindOf(BindingKind::NumberWord);

    // Receivers tab, server tab, timers and temperatures.
    b.Add(0x000, TextOf(10, 0xFF), "Edit337", 0xFF, FieldRule::DeviceIdentifier, "Edit2");
    for (int n = 0; n < kReceiverCount; ++n) {
        b.Add(0x00A + 16 * n, TextOf(16, 0xFF), Named("Edit", 5 + n), 0xFF);
    }
    for (int n = 0; n < kReceiverCount; ++n) {
        b.AddReceiverFlagRow(n);
    }
    b.Add(0x0BE, TextOf(16, 0xFF), "Edit366", 0xFF);
    b.Add(0x0CE, optionalByte, "ComboBox47", 0x00, FieldRule::TimeOfDay);
    b.Add(0x0CF, optionalByte, "ComboBox49", 0x00, FieldRule::TimeOfDay);
    b.Add(0x0D0, TextOf(32, 0x00), "Edit15", 0x00);
    b.Add(0x0F0, numberWord, "Edit16", 0x00);
    b.Add(0x0F2, TextOf(32, 0x00), "Edit17", 0x00);
    b.Add(0x112, numberWord, "Edit18", 0x00);
    b.Add(0x114, numberWord, "ComboBox50", 0x00);
    b.Add(0x116, TextOf(16, 0x00), "Edit19", 0x00);
    b.Add(0x126, TextOf(16, 0x00), "Edit20", 0x00);
    b.Add(0x136, TextOf(16, 0x00), "Edit21", 0x00);
    static constexpr int kTimerBoxes[6] = {51, 54, 52, 55, 53, 56};  // hour, minute per timer
    for (int i = 0; i < 6; ++i) {
        b.Add(0x146 + i, optionalByte, Named("ComboBox", kTimerBoxes[i]), 0xFF);
    }
    b.Add(0x14C, numberByte, "ComboBox87", 0x00, FieldRule::StoredByte);
    b.Add(0x14D, numberByte, "ComboBox88", 0x00, FieldRule::StoredByte);
    b.Add(0x14E, numberWord, "ComboBox86", 0x00, FieldRule::ItemWord);

    // Alarming clocks, then the zones.
    for (int k = 0; k < kAlarmClockCount; ++k) {
        b.AddAlarmClock(k);
    }
    b.AddZone0();
    for (int z = 1; z <= kZoneCount; ++z) {
        b.AddZone(z);
    }

    // Security group.
    b.Add(0xD4A, numberWord, "ComboBox83", 0x00);
    b.Add(0xD4C, numberWord, "ComboBox84", 0x00);
    b.Add(0xD4E, BitOf(0), "CheckBox22", 0x00);
    b.Add(0xD4E, BitOf(1), "CheckBox23", 0x00);
    b.Add(0xD4E, BitOf(2), "CheckBox27", 0x00);

    // Email.
    b.Add(0xD50, TextOf(32, 0xFF), "Edit343", 0xFF);
    b.Add(0xD70, TextOf(32, 0xFF), "Edit344", 0xFF);
    b.Add(0xD90, TextOf(32, 0xFF), "ComboBox658", 0xFF);
    b.Add(0xDB0, TextOf(32, 0xFF), "Edit346", 0xFF);
    b.Add(0xDD0, TextOf(16, 0xFF), "Edit347", 0xFF);
    b.Add(0xDE0, numberByte, "ComboBox57", 0xFF);
    b.Add(0xDE1, numberByte, "ComboBox59", 0xFF);
    b.Add(0xDE2, numberByte, "ComboBox58", 0xFF);
    b.Add(0xDE3, numberByte, "ComboBox60", 0xFF);
    b.Add(0xDE4, numberByte, "ComboBox41", 0xFF, FieldRule::EmailDay, "ComboBox61", 1);
    b.Add(0xDE5, numberByte, "ComboBox42", 0xFF, FieldRule::EmailDay, "ComboBox62", 2);

    // Option flags before the thresholds: a unit flag that changes converts the threshold texts,
    // which the thresholds decoded next then overwrite.
    b.Add(0xDF3, BitOf(0), "CheckBox79", 0x00);
    b.Add(0xDF3, BitOf(1), "CheckBox80", 0x00);
    b.Add(0xDF3, BitOf(2), "CheckBox81", 0x00);
    b.Add(0xDF3, numberByte, "ComboBox43", 0x00, FieldRule::UnitSelector, "CheckBox81");
    b.Add(0xDF3, BitOf(3), "CheckBox82", 0x00);
    b.Add(0xDF3, numberByte, "ComboBox45", 0x00, FieldRule::UnitSelector, "CheckBox82");
    b.Add(0xDF3, BitOf(4), "CheckBox83", 0x00);
    b.Add(0xDF3, numberByte, "ComboBox46", 0x00, FieldRule::UnitSelector, "CheckBox83");

    // Health thresholds.
    b.Add(0xDE6, numberByte, "ComboBox652", 0x00, FieldRule::Systolic);
    b.Add(0xDE7, numberByte, "ComboBox653", 0x00, FieldRule::Systolic);
    b.Add(0xDE8, numberByte, "ComboBox650", 0x00);
    b.Add(0xDE9, numberByte, "ComboBox651", 0x00);
    b.Add(0xDEA, TenthsOf(2), "ComboBox654", 0x00);
    b.Add(0xDEC, TenthsOf(2), "ComboBox655", 0x00);
    b.Add(0xDEE, TenthsOf(2), "ComboBox656", 0x00);
    b.Add(0xDF0, TenthsOf(2), "ComboBox657", 0x00);
    b.Add(0xDF2, numberByte, "ComboBox85", 0x00);

    // Speed dial and the DC loss delay.
    for (int k = 0; k < 4; ++k) {
        b.Add(0xDF4 + 16 * k, TextOf(16, 0xFF), Named("Edit", 358 + k), 0xFF);
    }
    b.Add(0xE34, numberByte, "ComboBox40", 0x00);
    return b.Take();
}

std::vector<ByteRange> BuildBlankRanges() {
    std::vector<ByteRange> ranges = {
        {0x000, 0x0AA, 0xFF}, {0x0AA, 0x014, 0x00}, {0x0BE, 0x010, 0xFF},
        {0x0CE, 0x078, 0x00}, {0x146, 0x006, 0xFF}, {0x14C, 0x004, 0x00},
    };
    for (int z = 0; z <= kZoneCount; ++z) {
        const std::uint32_t base = z == 0 ? kZone0Offset : kZone1Offset + kZoneRecordSize * (z - 1);
        ranges.push_back({base, 64, 0xFF});       // name
        ranges.push_back({base + 64, 25, 0x00});  // aux text, type, alert, siren, blocks
    }
    ranges.push_back({0xD2C, 0x023, 0x00});  // clocks, delays, security flags
    ranges.push_back({0xD50, 0x096, 0xFF});  // email
    ranges.push_back({0xDE6, 0x00E, 0x00});  // thresholds, upload delay, option flags
    ranges.push_back({0xDF4, 0x040, 0xFF});  // speed dial
    ranges.push_back({0xE34, 0x001, 0x00});  // DC loss delay
    return ranges;
}

std::vector<ByteRange> BuildKeptRanges() {
    std::vector<ByteRange> ranges;
    for (int z = 0; z <= kZoneCount; ++z) {
        const std::uint32_t base = z == 0 ? kZone0Offset : kZone1Offset + kZoneRecordSize * (z - 1);
        ranges.push_back({base + 90, 2, 0x00});
    }
    ranges.push_back({0xD4F, 1, 0x00});
    return ranges;
}

std::string Lower(std::string_view text) {
    return AsciiLowered(text);
}

// Max lengths the pages give their text controls; text edits not listed take their field width.
int MaxLengthOf(const SettingsField& field) {
    if (field.control == "Edit380") {
        return 10;
    }
    return field.binding.kind == BindingKind::TextField ? static_cast<int>(field.binding.width) : 0;
}

std::vector<SettingsControlInfo> BuildControlTable() {
    std::set<std::string> hidden = {"ComboBox48", "Edit380",    "CheckBox79",
                                    "CheckBox81", "CheckBox82", "CheckBox83"};
    const std::set<std::string> disabled = {"ComboBox48", "CheckBox81", "CheckBox82", "CheckBox83"};
    // Until the first decode the zone rows show no alert, siren or block boxes.
    for (int z = 1; z <= kZoneCount; ++z) {
        hidden.insert(ZoneAlertBox(z));
        hidden.insert(ZoneSirenBox(z));
        for (int q = 0; q < 3; ++q) {
            for (int item = 0; item < 5; ++item) {
                hidden.insert(ZoneBlockBox(z, q, item));
            }
        }
    }

    std::vector<SettingsControlInfo> table;
    std::set<std::string> seen;
    auto add = [&](const std::string& name, int maxLength, bool forceHidden) {
        if (name.empty() || !seen.insert(Lower(name)).second) {
            return;
        }
        table.push_back({name, KindOfControl(name), maxLength,
                         forceHidden || hidden.count(name) > 0, disabled.count(name) > 0});
    };
    for (const SettingsField& field : SettingsFields()) {
        add(field.control, MaxLengthOf(field), false);
        add(field.partner, field.rule == FieldRule::DeviceIdentifier ? 10 : 0, false);
    }
    add("ComboBox44", 0, false);  // heart-rate unit box, bound to no field
    for (int q = 0; q < 3; ++q) {
        for (int item = 0; item < 5; ++item) {
            add(ZoneBlockBox(0, q, item), 0, true);
        }
    }
    for (int z = 1; z <= kZoneCount; ++z) {
        for (int q = 0; q < 3; ++q) {
            add(ZoneBlockLabel(z, q), 0, true);
        }
    }
    return table;
}

ValueShape ShapeOf(const SettingsField& field) {
    switch (field.rule) {
        case FieldRule::ItemWord:
        case FieldRule::EmailDay:
        case FieldRule::ZoneType:
        case FieldRule::UnitSelector:
            return ValueShape::ItemIndex;
        default:
            break;
    }
    switch (field.binding.kind) {
        case BindingKind::ChoiceByte:
            return ValueShape::ItemIndex;
        case BindingKind::FlagByte:
        case BindingKind::FlagBit:
            return ValueShape::Checked;
        default:
            return ValueShape::Text;
    }
}

std::vector<DecodedControl> BuildDecodedControls() {
    std::vector<DecodedControl> decoded;
    for (const SettingsField& field : SettingsFields()) {
        if (field.rule == FieldRule::ErasedChoice) {
            continue;
        }
        decoded.push_back({field.control, ShapeOf(field)});
        if (field.rule == FieldRule::DeviceIdentifier) {
            decoded.push_back({field.partner, ValueShape::Text});
        } else if (field.rule == FieldRule::EmailDay) {
            decoded.push_back({field.partner, ValueShape::ItemIndex});
        }
    }
    return decoded;
}

}  // namespace

const std::vector<SettingsField>& SettingsFields() {
    static const std::vector<SettingsField> fields = BuildFields();
    return fields;
}

const std::vector<ByteRange>& SettingsBlankRanges() {
    static const std::vector<ByteRange> ranges = BuildBlankRanges();
    return ranges;
}

const std::vector<ByteRange>& KeptSettingsRanges() {
    static const std::vector<ByteRange> ranges = BuildKeptRanges();
    return ranges;
}

const std::vector<SettingsControlInfo>& SettingsControlTable() {
    static const std::vector<SettingsControlInfo> table = BuildControlTable();
    return table;
}

const std::vector<DecodedControl>& DecodedControls() {
    static const std::vector<DecodedControl> decoded = BuildDecodedControls();
    return decoded;
}

ControlKind KindOfControl(const std::string& name) {
    const std::string lower = Lower(name);
    if (lower.starts_with("combobox")) {
        return ControlKind::ComboBox;
    }
    if (lower.starts_with("checkbox")) {
        return ControlKind::CheckBox;
    }
    if (lower.starts_with("label")) {
        return ControlKind::Label;
    }
    return ControlKind::Edit;
}

std::string ZoneNameEdit(int z) {
    return z == 0 ? "Edit379" : Named("Edit", 9 * z + 32);
}
std::string ZoneTypeBox(int z) {
    return z == 0 ? "ComboBox48" : Named("ComboBox", 6 + z);
}
std::string ZoneAlertBox(int z) {
    return Named("ComboBox", 89 + z);
}
std::string ZoneSirenBox(int z) {
    return Named("ComboBox", 122 + z);
}
std::string ZoneDisableBox(int z) {
    return Named("CheckBox", 110 + z);
}
std::string ZoneBlockBox(int z, int q, int item) {
    return Named("ComboBox", 155 + 33 * item + z + 165 * q);
}
std::string ZoneBlockLabel(int z, int q) {
    return Named("Label", 7 * z + 50 + q);
}

int ZoneOfTypeBox(const std::string& name) {
    const std::string lower = Lower(name);
    for (int z = 1; z <= kZoneCount; ++z) {
        if (lower == Lower(ZoneTypeBox(z))) {
            return z;
        }
    }
    return 0;
}

}  // namespace carecfg
