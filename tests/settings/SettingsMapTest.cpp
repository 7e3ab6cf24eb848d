#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "settings/SettingsMap.h"

namespace carecfg {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::uint32_t ZoneBase(int z) {
    return z == 0 ? kZone0Offset : kZone1Offset + kZoneRecordSize * (z - 1);
}

TEST(SettingsMapTest, BlanksKeptBytesAndDisableFlagsCoverTheRecordExactlyOnce) {
    std::vector<int> owners(kSettingsRecordSize, 0);
    for (const auto* list : {&SettingsBlankRanges(), &KeptSettingsRanges()}) {
        for (const ByteRange& range : *list) {
            ASSERT_LE(range.start + range.size, kSettingsRecordSize);
            for (std::uint32_t a = range.start; a < range.start + range.size; ++a) {
                ++owners[a];
            }
        }
    }
    for (int z = 0; z <= kZoneCount; ++z) {
        ++owners[ZoneBase(z) + 89];  // always written by the encoder, never blanked
    }
    for (std::size_t a = 0; a < owners.size(); ++a) {
        EXPECT_EQ(owners[a], 1) << "address 0x" << std::hex << a;
    }
    EXPECT_EQ(ZoneBase(kZoneCount) + kZoneRecordSize, 0xD2Cu);
}

TEST(SettingsMapTest, EveryFieldLiesInTheRecordOnItsOwnBlank) {
    for (const SettingsField& field : SettingsFields()) {
        if (field.rule == FieldRule::UnitSelector) {
            continue;
        }
        const std::size_t size = field.rule == FieldRule::ItemWord ? 2 : BindingSize(field.binding);
        ASSERT_LE(field.offset + size, kSettingsRecordSize) << field.control;
        const auto& blanks = SettingsBlankRanges();
        const auto covering = std::find_if(blanks.begin(), blanks.end(), [&](const ByteRange& r) {
            return field.offset >= r.start && field.offset < r.start + r.size;
        });
        if (covering == blanks.end()) {
            EXPECT_EQ(field.binding.kind, BindingKind::FlagByte) << field.control;  // zone +89
            continue;
        }
        EXPECT_EQ(covering->value, field.blank) << field.control;
        if (field.binding.kind == BindingKind::TextField) {
            EXPECT_EQ(field.binding.fill, field.blank) << field.control;
        }
    }
}

TEST(SettingsMapTest, NoTwoFieldsShareAByteExceptFlagBits) {
    std::vector<const SettingsField*> owner(kSettingsRecordSize, nullptr);
    for (const SettingsField& field : SettingsFields()) {
        if (field.rule == FieldRule::UnitSelector || field.binding.kind == BindingKind::FlagBit) {
            continue;
        }
        const std::size_t size = field.rule == FieldRule::ItemWord ? 2 : BindingSize(field.binding);
        for (std::size_t a = field.offset; a < field.offset + size; ++a) {
            EXPECT_EQ(owner[a], nullptr) << field.control << " at 0x" << std::hex << a;
            owner[a] = &field;
        }
    }
}

TEST(SettingsMapTest, ComputedZoneNames) {
    struct Case {
        std::string actual;
        const char* expected;
    };
    const Case cases[] = {
        {ZoneNameEdit(1), "Edit41"},
        {ZoneNameEdit(32), "Edit320"},
        {ZoneNameEdit(0), "Edit379"},
        {ZoneTypeBox(1), "ComboBox7"},
        {ZoneTypeBox(32), "ComboBox38"},
        {ZoneTypeBox(0), "ComboBox48"},
        {ZoneAlertBox(32), "ComboBox121"},
        {ZoneSirenBox(1), "ComboBox123"},
        {ZoneDisableBox(32), "CheckBox142"},
        {ZoneBlockBox(1, 0, 0), "ComboBox156"},
        {ZoneBlockBox(1, 0, 1), "ComboBox189"},
        {ZoneBlockBox(1, 0, 2), "ComboBox222"},
        {ZoneBlockBox(1, 0, 3), "ComboBox255"},
        {ZoneBlockBox(1, 0, 4), "ComboBox288"},
        {ZoneBlockBox(32, 2, 0), "ComboBox517"},
        {ZoneBlockBox(32, 2, 4), "ComboBox649"},
        {ZoneBlockBox(0, 0, 0), "ComboBox155"},
        {ZoneBlockBox(0, 2, 4), "ComboBox617"},
        {ZoneBlockLabel(1, 0), "Label57"},
        {ZoneBlockLabel(32, 2), "Label276"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.actual, c.expected);
    }
    EXPECT_EQ(ZoneOfTypeBox("combobox7"), 1);
    EXPECT_EQ(ZoneOfTypeBox("ComboBox38"), 32);
    EXPECT_EQ(ZoneOfTypeBox("ComboBox48"), 0);
}

TEST(SettingsMapTest, ControlTableNamesEveryControlOnceWithItsInitialState) {
    std::set<std::string> names;
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        EXPECT_TRUE(names.insert(Lower(info.name)).second) << info.name;
        EXPECT_EQ(info.kind, KindOfControl(info.name));
    }
    std::set<std::string> bound;
    for (const SettingsField& field : SettingsFields()) {
        EXPECT_TRUE(names.count(Lower(field.control))) << field.control;
        bound.insert(Lower(field.control));
        if (!field.partner.empty()) {
            bound.insert(Lower(field.partner));
        }
    }
    // Beyond the bound controls: the heart-rate unit box, zone 0's 15 block boxes, 96 labels.
    EXPECT_EQ(names.size(), bound.size() + 1 + 15 + 96);
    // Receivers tab 2+10+100+1+2, server and timers 14, temperatures 3, clocks 25, zone 0 6,
    // zones 32*20, security 5, email 5+4+4, option flags 8, thresholds 9, speed dial 4, DC loss 1.
    EXPECT_EQ(bound.size(),
              2u + 10 + 100 + 1 + 2 + 14 + 3 + 25 + 6 + 32 * 20 + 5 + 5 + 4 + 4 + 8 + 9 + 4 + 1);

    struct Case {
        const char* name;
        bool hidden;
        bool disabled;
        int maxLength;
    };
    const Case cases[] = {
        {"Edit337", false, false, 10},     {"Edit2", false, false, 10},
        {"Edit5", false, false, 16},       {"Edit379", false, false, 64},
        {"Edit380", true, false, 10},      {"ComboBox48", true, true, 0},
        {"CheckBox79", true, false, 0},    {"CheckBox81", true, true, 0},
        {"CheckBox83", true, true, 0},     {"ComboBox90", true, false, 0},
        {"ComboBox123", true, false, 0},   {"ComboBox288", true, false, 0},
        {"ComboBox155", true, false, 0},   {"Label57", true, false, 0},
        {"ComboBox7", false, false, 0},    {"Edit41", false, false, 64},
        {"ComboBox658", false, false, 32}, {"ComboBox44", false, false, 0},
    };
    for (const Case& c : cases) {
        const auto& table = SettingsControlTable();
        const auto it = std::find_if(table.begin(), table.end(), [&](const SettingsControlInfo& i) {
            return i.name == c.name;
        });
        ASSERT_NE(it, table.end()) << c.name;
        EXPECT_EQ(it->initiallyHidden, c.hidden) << c.name;
        EXPECT_EQ(it->initiallyDisabled, c.disabled) << c.name;
        EXPECT_EQ(it->maxLength, c.maxLength) << c.name;
    }
}

TEST(SettingsMapTest, DecodedControlsInDecodeOrderWithTheirShapes) {
    const auto& decoded = DecodedControls();
    ASSERT_GE(decoded.size(), 4u);
    EXPECT_EQ(decoded[0].name, "Edit337");
    EXPECT_EQ(decoded[1].name, "Edit2");
    EXPECT_EQ(decoded[2].name, "Edit5");
    auto position = [&](const char* name) {
        const auto it = std::find_if(decoded.begin(), decoded.end(),
                                     [&](const DecodedControl& d) { return d.name == name; });
        return it == decoded.end() ? -1 : static_cast<int>(it - decoded.begin());
    };
    struct Case {
        const char* name;
        ValueShape shape;
    };
    const Case cases[] = {
        {"ComboBox47", ValueShape::Text},       {"CheckBox2", ValueShape::Checked},
        {"ComboBox86", ValueShape::ItemIndex},  {"ComboBox2", ValueShape::ItemIndex},
        {"ComboBox7", ValueShape::ItemIndex},   {"ComboBox156", ValueShape::Text},
        {"ComboBox288", ValueShape::ItemIndex}, {"ComboBox41", ValueShape::ItemIndex},
        {"ComboBox61", ValueShape::ItemIndex},  {"ComboBox43", ValueShape::ItemIndex},
        {"ComboBox652", ValueShape::Text},      {"CheckBox111", ValueShape::Checked},
        {"Edit16", ValueShape::Text},           {"ComboBox40", ValueShape::Text},
    };
    for (const Case& c : cases) {
        const int at = position(c.name);
        ASSERT_GE(at, 0) << c.name;
        EXPECT_EQ(decoded[static_cast<std::size_t>(at)].shape, c.shape) << c.name;
    }
    EXPECT_EQ(position("ComboBox48"), -1);
    EXPECT_EQ(position("Label57"), -1);
    // Order where it matters: clocks before zones, unit flags before thresholds.
    EXPECT_LT(position("ComboBox2"), position("Edit379"));
    EXPECT_LT(position("ComboBox7"), position("ComboBox90"));
    EXPECT_LT(position("CheckBox81"), position("ComboBox43"));
    EXPECT_LT(position("ComboBox43"), position("ComboBox652"));
    EXPECT_EQ(decoded.back().name, "ComboBox40");
}

}  // namespace
}  // namespace carecfg
