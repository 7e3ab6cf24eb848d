#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/FieldCodecs.h"

namespace carecfg {

// The working copy of the unit's settings: device addresses 0x000..0xE34, also the exact content
// of a profile file.
constexpr std::size_t kSettingsRecordSize = 3637;
using SettingsRecord = std::array<std::uint8_t, kSettingsRecordSize>;

// The settings region of the image is 4096 bytes; everything behind the record is written 0xFF.
constexpr std::uint32_t kSettingsRegionSize = 0x1000;
constexpr std::uint32_t kSettingsTailStart = kSettingsRecordSize;  // 0xE35

constexpr int kZoneCount = 32;      // zones 1..32; zone 0 has a row of its own
constexpr int kReceiverCount = 10;  // receiver numbers with their flag rows
constexpr int kAlarmClockCount = 5;
constexpr int kZoneRecordSize = 92;
constexpr std::uint32_t kZone0Offset = 0x150;
constexpr std::uint32_t kZone1Offset = 0x1AC;

enum class ControlKind { Edit, ComboBox, CheckBox, Label };
enum class ValueShape { Text, ItemIndex, Checked };

// One control of the settings pages and its state when the window is created.
struct SettingsControlInfo {
    std::string name;
    ControlKind kind;
    int maxLength;  // 0 = none
    bool initiallyHidden;
    bool initiallyDisabled;
};

// How a field differs from the plain binding kind, where it does.
enum class FieldRule {
    Plain,             // the binding kind both ways
    TimeOfDay,         // encode as OptionalNumberByte, decode as NumberByte
    StoredByte,        // encode as NumberByte, decode the byte's value as stored (0xFF shows 255)
    ItemWord,          // the item index as a 2-byte word; no selection writes 0xFFFF
    Systolic,          // tenths (width 1) while the pressure unit flag is checked, else NumberByte
    EmailDay,          // code from the mode box (control) and day box (partner); index = row 1/2
    ZoneType,          // ChoiceByte; decoding updates the zone's dependent controls (index = zone)
    ErasedChoice,      // always written 0xFF, never decoded (zone 0's hidden type box)
    UnitSelector,      // no bytes: decoding selects item 1 when the flag box (partner) is checked
    DeviceIdentifier,  // TextField decoded into the partner too (the read-only identity field)
};

// One field of the settings record and the control that shows it.
struct SettingsField {
    std::uint32_t offset = 0;
    Binding binding;
    FieldRule rule = FieldRule::Plain;
    std::string control;
    std::string partner;  // second control of the rule, else empty
    int index = 0;        // zone number (ZoneType) or row (EmailDay)
    std::uint8_t blank = 0x00;
};

// A stretch of the record with one byte value (a blank value, or unused for kept bytes).
struct ByteRange {
    std::uint32_t start;
    std::uint32_t size;
    std::uint8_t value;
};

// Every field, in the order the decoder sets their controls (which is also a valid encode order).
const std::vector<SettingsField>& SettingsFields();
// The blank values written before every encode, in address order.
const std::vector<ByteRange>& SettingsBlankRanges();
// Bytes no control shows and nobody resets: each zone's +90/+91 and 0xD4F.
const std::vector<ByteRange>& KeptSettingsRanges();

// Every control of the settings pages the map names (bound, hidden, labels, zone 0 blocks), once.
const std::vector<SettingsControlInfo>& SettingsControlTable();

// One control the decoder sets and the shape of the value it holds.
struct DecodedControl {
    std::string name;
    ValueShape shape;
};
// Every control DecodeSettings sets, in decode order.
const std::vector<DecodedControl>& DecodedControls();

// The kind of a control, told by its name's prefix ("Edit", "ComboBox", "CheckBox", "Label").
ControlKind KindOfControl(const std::string& name);

// Computed names of the zone rows, z = 0..32 (zone 0 uses its own boxes where it has them).
std::string ZoneNameEdit(int z);                   // Edit(9z+32); zone 0: Edit379
std::string ZoneTypeBox(int z);                    // ComboBox(6+z); zone 0: ComboBox48
std::string ZoneAlertBox(int z);                   // ComboBox(89+z)
std::string ZoneSirenBox(int z);                   // ComboBox(122+z)
std::string ZoneDisableBox(int z);                 // CheckBox(110+z)
std::string ZoneBlockBox(int z, int q, int item);  // item 0..3 numbers, 4 the choice
std::string ZoneBlockLabel(int z, int q);          // Label(7z+50+q)
// Zone number 1..32 of a type box name ("ComboBox7".."ComboBox38"), else 0.
int ZoneOfTypeBox(const std::string& name);

}  // namespace carecfg
