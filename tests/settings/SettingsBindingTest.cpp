#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "tests/settings/SettingsTestSupport.h"

namespace carecfg {
namespace {

using testing::FakeSettingsTexts;

class SettingsBindingTest : public ::testing::Test {
protected:
    SettingsBindingTest() { testing::AddEmailDayLists(texts); }

    void DecodeErased() {
        binding.Record().fill(0xFF);
        ASSERT_TRUE(binding.DecodeSettings());
    }
    std::uint8_t Byte(std::uint32_t address) const { return binding.Record()[address]; }

    InMemoryControls controls;
    DeviceImage image;
    FakeSettingsTexts texts;
    SettingsBinding binding{controls, image, texts, '.'};
};

TEST_F(SettingsBindingTest, ErasedRegionDecodesAsAnErasedUnit) {
    DecodeErased();
    struct TextCase {
        const char* control;
        const char* text;
    };
    const TextCase texts[] = {
        {"Edit337", ""},        {"Edit2", ""},          {"Edit5", ""},
        {"Edit366", ""},        {"Edit15", ""},         {"Edit41", ""},
        {"ComboBox658", ""},    {"Edit358", ""},        {"ComboBox47", "0"},
        {"ComboBox49", "0"},    {"Edit16", "0"},        {"ComboBox50", "0"},
        {"ComboBox83", "0"},    {"ComboBox40", "0"},    {"ComboBox156", "0"},
        {"ComboBox57", "0"},    {"ComboBox650", "0"},   {"ComboBox51", ""},
        {"ComboBox56", ""},     {"ComboBox87", "255"},  {"ComboBox88", "255"},
        {"ComboBox652", "0.0"}, {"ComboBox653", "0.0"}, {"ComboBox654", "0.0"},
        {"ComboBox61", ""},     {"ComboBox62", ""},
    };
    for (const TextCase& c : texts) {
        EXPECT_EQ(controls.Text(c.control), c.text) << c.control;
    }
    struct ItemCase {
        const char* control;
        int item;
    };
    const ItemCase items[] = {
        {"ComboBox86", 0}, {"ComboBox2", 3},   {"ComboBox6", 3},  {"ComboBox7", 7},
        {"ComboBox38", 7}, {"ComboBox89", 0},  {"ComboBox90", 0}, {"ComboBox288", 0},
        {"ComboBox41", 2}, {"ComboBox42", 2},  {"ComboBox43", 1}, {"ComboBox45", 1},
        {"ComboBox46", 1}, {"ComboBox48", -1},
    };
    for (const ItemCase& c : items) {
        EXPECT_EQ(controls.ItemIndex(c.control), c.item) << c.control;
    }
    for (const SettingsField& field : SettingsFields()) {
        if (field.binding.kind == BindingKind::FlagBit) {
            EXPECT_TRUE(controls.Checked(field.control)) << field.control;
        }
    }
    for (int z = 0; z <= kZoneCount; ++z) {
        EXPECT_FALSE(controls.Checked(ZoneDisableBox(z)));
    }
    EXPECT_FALSE(controls.Visible("ComboBox61"));
    EXPECT_FALSE(controls.Visible("ComboBox62"));
    // Zone type 7 hides alert and siren boxes, which still hold their decoded item.
    EXPECT_FALSE(controls.Visible("ComboBox90"));
    EXPECT_FALSE(controls.Visible("ComboBox123"));
    EXPECT_TRUE(controls.Visible("Edit41"));
}

TEST_F(SettingsBindingTest, DecodeSetsItemsFromStoredBytesEvenInHiddenBoxes) {
    DecodeErased();
    const std::uint32_t zone1 = kZone1Offset;
    binding.Record()[zone1 + 69] = 4;
    binding.Record()[zone1 + 70] = 5;
    ASSERT_TRUE(binding.DecodeSettings());
    EXPECT_FALSE(controls.Visible("ComboBox90"));
    EXPECT_EQ(controls.ItemIndex("ComboBox90"), 4);
    EXPECT_EQ(controls.ItemIndex("ComboBox123"), 5);
}

TEST_F(SettingsBindingTest, FullLengthReceiverNumberFillsItsFieldOnly) {
    controls.SetText("Edit5", "0123456789012345");
    controls.SetText("Edit6", "77");
    ASSERT_TRUE(binding.EncodeSettings());
    const std::string first(binding.Record().begin() + 0x0A, binding.Record().begin() + 0x1A);
    EXPECT_EQ(first, "0123456789012345");
    EXPECT_EQ(Byte(0x1A), '7');
    EXPECT_EQ(Byte(0x1B), '7');
    EXPECT_EQ(Byte(0x1C), 0xFF);
    ASSERT_TRUE(binding.DecodeSettings());
    EXPECT_EQ(controls.Text("Edit5"), "0123456789012345");
    EXPECT_EQ(controls.Text("Edit6"), "77");
}

TEST_F(SettingsBindingTest, ZoneZeroTypeAlwaysWritesErased) {
    controls.SetItems("ComboBox48", {"a", "b"});
    controls.SetItemIndex("ComboBox48", 1);
    ASSERT_TRUE(binding.EncodeSettings());
    EXPECT_EQ(Byte(0x194), 0xFF);
}

TEST_F(SettingsBindingTest, SystolicThresholdsFollowThePressureFlag) {
    struct Case {
        bool kPa;
        const char* high;
        const char* low;
        std::uint8_t highByte;
        std::uint8_t lowByte;
    };
    const Case cases[] = {
        {true, "18.5", "9.0", 185, 90},
        {false, "140", "90", 140, 90},
    };
    for (const Case& c : cases) {
        controls.SetChecked("CheckBox81", c.kPa);
        controls.SetText("ComboBox652", c.high);
        controls.SetText("ComboBox653", c.low);
        ASSERT_TRUE(binding.EncodeSettings());
        EXPECT_EQ(Byte(0xDE6), c.highByte) << c.high;
        EXPECT_EQ(Byte(0xDE7), c.lowByte) << c.low;
        EXPECT_EQ(GetBit(Byte(0xDF3), 2), c.kPa ? 1 : 0);
        ASSERT_TRUE(binding.DecodeSettings());
        EXPECT_EQ(controls.Text("ComboBox652"), c.high);
        EXPECT_EQ(controls.Text("ComboBox653"), c.low);
    }
}

TEST_F(SettingsBindingTest, EncodeReplacesTheImageRegionAndErasesItsTail) {
    std::fill(image.MutableBytes().begin(), image.MutableBytes().begin() + 0x1100, 0x00);
    testing::FillRealisticPages(controls);
    ASSERT_TRUE(binding.EncodeSettings());
    const auto bytes = image.Bytes();
    EXPECT_TRUE(std::equal(binding.Record().begin(), binding.Record().end(), bytes.begin()));
    EXPECT_TRUE(std::all_of(bytes.begin() + 0xE35, bytes.begin() + 0x1000,
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(bytes[0x1000], 0x00);  // beyond the settings region: untouched
}

TEST_F(SettingsBindingTest, TakeSettingsFromImageIgnoresTheTail) {
    image.MutableBytes()[0] = 'A';
    image.MutableBytes()[1] = 0xFF;
    image.MutableBytes()[0xE35] = 0x12;
    binding.TakeSettingsFromImage();
    EXPECT_EQ(controls.Text("Edit337"), "A");
    EXPECT_EQ(controls.Text("Edit2"), "A");
    ASSERT_TRUE(binding.EncodeSettings());
    EXPECT_EQ(image.Bytes()[0xE35], 0xFF);
}

TEST_F(SettingsBindingTest, EmailDayCodesDecodeAndEncodeBack) {
    struct Case {
        std::uint8_t code;
        int mode;
        int day;
        const char* dayText;
        std::size_t listSize;
    };
    const Case cases[] = {
        {0x83, 0, 3, "Thu", 7},
        {0x05, 1, 4, "5", 31},
        {0x00, 1, -1, "", 31},
    };
    for (const Case& c : cases) {
        DecodeErased();
        binding.Record()[0xDE4] = c.code;
        binding.Record()[0xDE5] = c.code;
        ASSERT_TRUE(binding.DecodeSettings());
        for (const char* day : {"ComboBox61", "ComboBox62"}) {
            EXPECT_TRUE(controls.Visible(day));
            EXPECT_EQ(controls.ItemIndex(day), c.day) << int(c.code);
            EXPECT_EQ(controls.Text(day), c.dayText) << int(c.code);
            EXPECT_EQ(controls.Items(day).size(), c.listSize);
        }
        EXPECT_EQ(controls.ItemIndex("ComboBox41"), c.mode);
        ASSERT_TRUE(binding.EncodeSettings());
        EXPECT_EQ(Byte(0xDE4), c.code);
        EXPECT_EQ(Byte(0xDE5), c.code);
    }
}

TEST_F(SettingsBindingTest, ChoosingAnEmailModeRebuildsOrHidesTheDayBox) {
    binding.UserChoseItem("ComboBox42", 0);
    EXPECT_TRUE(controls.Visible("ComboBox62"));
    EXPECT_EQ(controls.Items("ComboBox62").front(), "Mon");
    EXPECT_EQ(controls.Text("ComboBox62"), "Mon");
    binding.UserChoseItem("ComboBox42", 2);
    EXPECT_FALSE(controls.Visible("ComboBox62"));
    EXPECT_EQ(controls.Text("ComboBox62"), "");
    ASSERT_TRUE(binding.EncodeSettings());
    EXPECT_EQ(Byte(0xDE5), 0xFF);
}

std::vector<std::string> BlockBoxes(int z) {
    std::vector<std::string> boxes;
    for (int q = 0; q < 3; ++q) {
        for (int item = 0; item < 5; ++item) {
            boxes.push_back(ZoneBlockBox(z, q, item));
        }
    }
    return boxes;
}

TEST_F(SettingsBindingTest, ZoneTypeDecidesWhichZoneControlsShow) {
    struct Case {
        int type;
        bool blocks;
        bool name;
        bool alertAndSiren;
    };
    const Case cases[] = {
        {0, true, true, true},   {3, false, true, true},  {6, false, false, false},
        {7, false, true, false}, {-1, false, true, true},
    };
    const int z = 5;
    for (const Case& c : cases) {
        controls.SetItemIndex(ZoneAlertBox(z), 3);
        binding.UserChoseItem(ZoneTypeBox(z), c.type);
        for (const std::string& box : BlockBoxes(z)) {
            EXPECT_EQ(controls.Visible(box), c.blocks) << box << " type " << c.type;
        }
        for (int q = 0; q < 3; ++q) {
            EXPECT_EQ(controls.Visible(ZoneBlockLabel(z, q)), c.blocks);
        }
        EXPECT_EQ(controls.Text(ZoneBlockBox(z, 1, 2)), c.blocks ? "0" : "");
        EXPECT_EQ(controls.ItemIndex(ZoneBlockBox(z, 1, 4)), 0);
        EXPECT_EQ(controls.Visible(ZoneNameEdit(z)), c.name) << c.type;
        EXPECT_EQ(controls.Visible(ZoneAlertBox(z)), c.alertAndSiren) << c.type;
        EXPECT_EQ(controls.Visible(ZoneSirenBox(z)), c.alertAndSiren) << c.type;
        EXPECT_EQ(controls.ItemIndex(ZoneAlertBox(z)), 0);
    }
    // Other zones are untouched.
    EXPECT_FALSE(controls.Visible(ZoneBlockLabel(4, 0)));
}

TEST_F(SettingsBindingTest, ZoneTypeZeroThenThreeSavesZerosInTheBlocks) {
    const int z = 5;
    const std::uint32_t base = kZone1Offset + kZoneRecordSize * (z - 1);
    binding.Record().fill(0x33);
    ASSERT_TRUE(binding.DecodeSettings());
    binding.UserChoseItem(ZoneTypeBox(z), 0);
    binding.UserChoseItem(ZoneTypeBox(z), 3);
    controls.SetText(ZoneNameEdit(z), "Hall");
    ASSERT_TRUE(binding.EncodeSettings());
    for (std::uint32_t a = base + 71; a < base + 89; ++a) {
        EXPECT_EQ(Byte(a), 0x00) << a - base;
    }
    EXPECT_EQ(Byte(base + 68), 3);
    EXPECT_EQ(Byte(base + 69), 0);
    EXPECT_EQ(Byte(base + 70), 0);
}

TEST_F(SettingsBindingTest, HiddenNameOfATypeSixZoneIsStillSaved) {
    binding.UserChoseItem(ZoneTypeBox(2), 6);
    controls.SetText(ZoneNameEdit(2), "Garage");
    ASSERT_TRUE(binding.EncodeSettings());
    const std::uint32_t base = kZone1Offset + kZoneRecordSize;
    EXPECT_EQ(std::string(binding.Record().begin() + base, binding.Record().begin() + base + 6),
              "Garage");
}

TEST_F(SettingsBindingTest, PortKeyFilterAndClamp) {
    struct Case {
        const char* before;
        char key;
        bool accepted;
        const char* after;  // text once the key was handled (and typed, if accepted)
    };
    const Case cases[] = {
        {"65535", '1', false, "65535"}, {"70000", '1', false, "65535"},
        {"6553", '9', true, "65535"},   {"6553", '4', true, "65534"},
        {"65535", '\b', true, "6553"},  {"", '8', true, "8"},
        {"80", 'x', false, "80"},       {"-5", '1', false, "0"},
        {"80a", '1', true, "80a1"},
    };
    for (const Case& c : cases) {
        controls.SetText("Edit18", c.before);
        const bool accepted = binding.UserKeyPress("Edit18", c.key);
        EXPECT_EQ(accepted, c.accepted) << c.before << " + " << c.key;
        if (accepted) {
            std::string typed = controls.Text("Edit18");
            if (c.key == '\b') {
                typed.pop_back();
            } else {
                typed += c.key;
            }
            binding.UserEditedText("Edit18", typed);
        }
        EXPECT_EQ(controls.Text("Edit18"), c.after) << c.before << " + " << c.key;
    }
}

TEST_F(SettingsBindingTest, PortClampRunsForTextSetByCodeAndForPastedText) {
    binding.SetTextByCode("Edit16", "70000");
    EXPECT_EQ(controls.Text("Edit16"), "65535");
    binding.UserEditedText("Edit16", "123456789012345678901234567890");
    EXPECT_EQ(controls.Text("Edit16"), "65535");
    binding.UserEditedText("Edit16", "8080");
    EXPECT_EQ(controls.Text("Edit16"), "8080");
    EXPECT_TRUE(binding.UserKeyPress("Edit17", 'x'));
}

TEST_F(SettingsBindingTest, ThresholdOrderIsKeptByMovingTheOtherBox) {
    struct Case {
        const char* box;
        const char* typed;  // chosen item or typed text, one character per step when typing
        bool typing;
        bool kPa;
        const char* high;  // before
        const char* low;
        const char* highAfter;
        const char* lowAfter;
    };
    const Case cases[] = {
        {"ComboBox650", "60", false, false, "100", "70", "60", "59"},
        {"ComboBox651", "120", false, false, "100", "70", "121", "120"},
        {"ComboBox650", "80", false, false, "100", "70", "80", "70"},
        {"ComboBox653", "14.0", false, true, "13.5", "9.0", "14.1", "14.0"},
        {"ComboBox652", "9.0", false, true, "13.5", "9.0", "9.0", "8.9"},
        {"ComboBox652", "90", false, false, "140", "90", "90", "89"},
        {"ComboBox655", "8.0", false, false, "7.0", "4.0", "8.1", "8.0"},
        {"ComboBox87", "30", false, false, "40", "35", "30", "29"},
        {"ComboBox656", "40", false, false, "100", "50", "40", "39"},
        // Typing compares after every character: "6" moves the low box to 5 first.
        {"ComboBox650", "60", true, false, "", "70", "60", "5"},
        // A text that is no number changes nothing.
        {"ComboBox650", "6x", false, false, "100", "70", "6x", "70"},
    };
    for (const Case& c : cases) {
        controls.SetChecked("CheckBox81", c.kPa);
        const std::string box = c.box;
        const int pair = std::stoi(box.substr(8));
        const bool isHigh = pair % 2 == (pair >= 650 ? 0 : 1);
        const std::string high = isHigh ? box : "ComboBox" + std::to_string(pair - 1);
        const std::string low = isHigh ? "ComboBox" + std::to_string(pair + 1) : box;
        controls.SetText(high, c.high);
        controls.SetText(low, c.low);
        if (c.typing) {
            std::string typed;
            for (char ch : std::string(c.typed)) {
                typed += ch;
                binding.UserEditedText(box, typed);
            }
        } else {
            controls.SetItems(box, {c.typed});
            binding.UserChoseItem(box, 0);
        }
        EXPECT_EQ(controls.Text(high), c.highAfter) << c.box << " " << c.typed;
        EXPECT_EQ(controls.Text(low), c.lowAfter) << c.box << " " << c.typed;
    }
}

TEST_F(SettingsBindingTest, KeptBytesSurviveDecodeAndEncode) {
    binding.Record().fill(0xFF);
    for (const ByteRange& kept : KeptSettingsRanges()) {
        for (std::uint32_t a = kept.start; a < kept.start + kept.size; ++a) {
            binding.Record()[a] = static_cast<std::uint8_t>(a * 7);
        }
    }
    ASSERT_TRUE(binding.DecodeSettings());
    ASSERT_TRUE(binding.EncodeSettings());
    for (const ByteRange& kept : KeptSettingsRanges()) {
        for (std::uint32_t a = kept.start; a < kept.start + kept.size; ++a) {
            EXPECT_EQ(Byte(a), static_cast<std::uint8_t>(a * 7)) << a;
        }
    }
}

TEST_F(SettingsBindingTest, EncodeOfDecodeGivesARealisticRecordBack) {
    testing::FillRealisticPages(controls);
    ASSERT_TRUE(binding.EncodeSettings());
    SettingsRecord original = binding.Record();
    original[0x1AA] = 0x5A;  // a kept byte
    original[0xD4F] = 0xA5;

    InMemoryControls otherPages;
    DeviceImage otherImage;
    SettingsBinding other(otherPages, otherImage, texts, '.');
    other.Record() = original;
    ASSERT_TRUE(other.DecodeSettings());
    ASSERT_TRUE(other.EncodeSettings());
    binding.Record() = original;
    ASSERT_TRUE(binding.DecodeSettings());  // both pages now show the record
    for (std::size_t a = 0; a < original.size(); ++a) {
        EXPECT_EQ(other.Record()[a], original[a]) << "address 0x" << std::hex << a;
    }
    for (const DecodedControl& d : DecodedControls()) {
        if (d.shape == ValueShape::Text) {
            EXPECT_EQ(otherPages.Text(d.name), controls.Text(d.name)) << d.name;
        }
    }
}

TEST_F(SettingsBindingTest, AMissingControlFailsWithoutChangingRecordOrImage) {
    binding.Record().fill(0x42);
    image.MutableBytes()[0] = 0x17;
    controls.SetText("Edit337", "NEW");
    controls.Remove("combobox653");
    EXPECT_FALSE(binding.EncodeSettings());
    EXPECT_TRUE(std::all_of(binding.Record().begin(), binding.Record().end(),
                            [](std::uint8_t b) { return b == 0x42; }));
    EXPECT_EQ(image.Bytes()[0], 0x17);
    EXPECT_FALSE(binding.DecodeSettings());
    EXPECT_EQ(controls.Text("Edit337"), "NEW");
}

TEST_F(SettingsBindingTest, ResetWritesBlanksAndLeavesKeptBytes) {
    binding.Record().fill(0x42);
    binding.ResetSettingsRecord();
    EXPECT_EQ(Byte(0x000), 0xFF);
    EXPECT_EQ(Byte(0x0AA), 0x00);
    EXPECT_EQ(Byte(0x146), 0xFF);
    EXPECT_EQ(Byte(0x190), 0x00);
    EXPECT_EQ(Byte(0x1A9), 0x42);  // zone 0 +89, always written by the encoder
    EXPECT_EQ(Byte(0x1AA), 0x42);
    EXPECT_EQ(Byte(0xD4F), 0x42);
    EXPECT_EQ(Byte(0xE34), 0x00);
}

TEST(InMemoryControlsTest, ItemIndexRulesAndCaseInsensitiveNames) {
    InMemoryControls c;
    EXPECT_TRUE(c.Has("COMBOBOX7"));
    EXPECT_FALSE(c.Has("ComboBox999"));
    c.SetItemIndex("combobox7", 12);  // no list: the index as stored
    EXPECT_EQ(c.ItemIndex("ComboBox7"), 12);
    c.SetItemIndex("ComboBox7", -5);
    EXPECT_EQ(c.ItemIndex("ComboBox7"), -1);
    c.SetText("ComboBox7", "kept");
    c.SetItems("ComboBox7", {"a", "b"});
    EXPECT_EQ(c.Text("ComboBox7"), "kept");
    c.SetItemIndex("ComboBox7", 1);
    EXPECT_EQ(c.Text("ComboBox7"), "b");
    c.SetItemIndex("ComboBox7", 2);  // beyond the list
    EXPECT_EQ(c.ItemIndex("ComboBox7"), -1);
    EXPECT_FALSE(c.Visible("Label57"));
    EXPECT_FALSE(c.Enabled("CheckBox81"));

    // The command line reports what the unit stores, whatever lists the catalogue holds.
    InMemoryControls asStored(ItemIndexRule::AsStored);
    asStored.SetItems("ComboBox61", {"1st", "2nd"});
    asStored.SetItemIndex("ComboBox61", 40);
    EXPECT_EQ(asStored.ItemIndex("ComboBox61"), 40);
    asStored.SetItemIndex("ComboBox61", 1);
    EXPECT_EQ(asStored.Text("ComboBox61"), "2nd");
}

}  // namespace
}  // namespace carecfg
