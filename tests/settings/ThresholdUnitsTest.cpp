#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "tests/settings/SettingsTestSupport.h"

namespace carecfg {
namespace {

using testing::FakeSettingsTexts;

class ThresholdUnitsTest : public ::testing::Test {
protected:
    ThresholdUnitsTest() {
        // Base and alternative unit lists wide enough for the conversions below.
        auto& m = texts.messages;
        m["MX1"] = "60", m["MY1"] = "250", m["MXD1"] = "8.0", m["MYD1"] = "33.3";
        m["MX2"] = "40", m["MY2"] = "150", m["MXD2"] = "5.3", m["MYD2"] = "20.0";
        m["MX3"] = "2.0", m["MY3"] = "30.0", m["MXD3"] = "36", m["MYD3"] = "540";
        m["MX4"] = "1.0", m["MY4"] = "20.0", m["MXD4"] = "18", m["MYD4"] = "360";
        m["MX5"] = "20", m["MY5"] = "200", m["MXD5"] = "44", m["MYD5"] = "440";
        m["MX6"] = "10", m["MY6"] = "150", m["MXD6"] = "22", m["MYD6"] = "330";
    }

    InMemoryControls controls;
    DeviceImage image;
    FakeSettingsTexts texts;
    SettingsBinding binding{controls, image, texts, '.'};
};

TEST_F(ThresholdUnitsTest, ConversionsBetweenUnits) {
    struct Case {
        HealthQuantity quantity;
        bool alternative;
        const char* high;
        const char* low;
        const char* highAfter;
        const char* lowAfter;
    };
    const Case cases[] = {
        {HealthQuantity::Pressure, true, "140", "90", "18.7", "12.0"},
        {HealthQuantity::Pressure, false, "18.7", "12.0", "140", "90"},
        {HealthQuantity::Pressure, false, "16.1", "", "120", "0"},  // 120.75 truncated
        {HealthQuantity::Glucose, true, "7.0", "3.5", "126.0", "63.0"},
        {HealthQuantity::Glucose, false, "126.0", "63.0", "7.0", "3.5"},
        {HealthQuantity::Weight, true, "80", "40", "176.0", "88.0"},
        {HealthQuantity::Weight, false, "176.0", "88.0", "80", "40"},
    };
    const char* boxes[3][2] = {{"ComboBox652", "ComboBox653"},
                               {"ComboBox654", "ComboBox655"},
                               {"ComboBox656", "ComboBox657"}};
    for (const Case& c : cases) {
        const auto& [high, low] = boxes[static_cast<int>(c.quantity)];
        controls.SetText(high, c.high);
        controls.SetText(low, c.low);
        binding.ConvertThresholdUnits(c.quantity, c.alternative);
        EXPECT_EQ(controls.Text(high), c.highAfter) << c.high;
        EXPECT_EQ(controls.Text(low), c.lowAfter) << c.low;
    }
}

TEST_F(ThresholdUnitsTest, ListsAreRebuiltFromTheKeysOfTheNewUnit) {
    controls.SetText("ComboBox652", "140");
    controls.SetText("ComboBox653", "90");
    binding.ConvertThresholdUnits(HealthQuantity::Pressure, true);
    const auto high = controls.Items("ComboBox652");
    ASSERT_EQ(high.size(), 254u);  // 8.0 .. 33.3
    EXPECT_EQ(high.front(), "8.0");
    EXPECT_EQ(high.back(), "33.3");
    const auto low = controls.Items("ComboBox653");
    ASSERT_FALSE(low.empty());
    EXPECT_EQ(low.front(), "5.3");  // 5.3 * 10 lies a hair below 53 in binary
    EXPECT_EQ(low.back(), "20.0");
    binding.ConvertThresholdUnits(HealthQuantity::Pressure, false);
    EXPECT_EQ(controls.Items("ComboBox652").front(), "60");
    EXPECT_EQ(controls.Items("ComboBox652").size(), 191u);
    EXPECT_EQ(controls.Text("ComboBox652"), "140");
}

TEST_F(ThresholdUnitsTest, FillKeepsTheTextAndHandlesOddKeys) {
    struct Case {
        int n;
        bool alternative;
        const char* lo;
        const char* hi;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {1, false, "3", "5", {"3", "4", "5"}},
        {3, false, "2.3", "2.5", {"2.3", "2.4", "2.5"}},
        {5, true, "0.9", "1.1", {"0.9", "1.0", "1.1"}},
        {6, false, "9", "8", {}},   // top below bottom: empty
        {2, false, "", "", {"0"}},  // missing keys read 0
        {4, false, "", "", {"0.0"}},
    };
    for (const Case& c : cases) {
        const std::string digit = std::to_string(c.n);
        const std::string prefix = c.alternative ? "D" : "";
        texts.messages["MX" + prefix + digit] = c.lo;
        texts.messages["MY" + prefix + digit] = c.hi;
        controls.SetText("ComboBox652", "kept");
        binding.FillThresholdList("ComboBox652", c.n, c.alternative);
        EXPECT_EQ(controls.Items("ComboBox652"), c.items) << c.n << " " << c.lo;
        EXPECT_EQ(controls.Text("ComboBox652"), "kept");
    }
}

TEST_F(ThresholdUnitsTest, ConvertedValueIsCappedAtTheTopOfTheList) {
    texts.messages["MYD5"] = "150";  // weight high list ends at 150.0
    controls.SetText("ComboBox656", "80");
    controls.SetText("ComboBox657", "1");  // 2.2 lies below the bottom (22.0): stays
    binding.ConvertThresholdUnits(HealthQuantity::Weight, true);
    EXPECT_EQ(controls.Text("ComboBox656"), "150.0");
    EXPECT_EQ(controls.Text("ComboBox657"), "2.2");
}

TEST_F(ThresholdUnitsTest, AnEmptyListCapsNothing) {
    texts.messages["MXD1"] = "40";
    texts.messages["MYD1"] = "30";
    controls.SetText("ComboBox652", "140");
    binding.ConvertThresholdUnits(HealthQuantity::Pressure, true);
    EXPECT_TRUE(controls.Items("ComboBox652").empty());
    EXPECT_EQ(controls.Text("ComboBox652"), "18.7");
}

TEST_F(ThresholdUnitsTest, UnitSelectorSetsTheFlagWhichConvertsOnlyOnAChange) {
    controls.SetText("ComboBox652", "140");
    controls.SetText("ComboBox653", "90");
    binding.UserChoseItem("ComboBox43", 1);
    EXPECT_TRUE(controls.Checked("CheckBox81"));
    EXPECT_EQ(controls.Text("ComboBox652"), "18.7");
    ASSERT_TRUE(binding.EncodeSettings());
    EXPECT_EQ(binding.Record()[0xDE6], 187);
    EXPECT_EQ(binding.Record()[0xDE7], 120);

    binding.UserChoseItem("ComboBox43", 1);  // already selected: nothing changes
    EXPECT_EQ(controls.Text("ComboBox652"), "18.7");
    EXPECT_EQ(controls.Items("ComboBox652").size(), 254u);

    binding.UserChoseItem("ComboBox43", 0);
    EXPECT_FALSE(controls.Checked("CheckBox81"));
    EXPECT_EQ(controls.Text("ComboBox652"), "140");
}

TEST_F(ThresholdUnitsTest, UnitBoxesDiscardEveryKey) {
    for (const char* box : {"ComboBox43", "ComboBox44", "ComboBox45", "ComboBox46"}) {
        for (char key : {'1', 'a', '\b', ' '}) {
            EXPECT_FALSE(binding.UserKeyPress(box, key)) << box;
        }
    }
    EXPECT_TRUE(binding.UserKeyPress("ComboBox652", '1'));
}

TEST_F(ThresholdUnitsTest, DecodedFlagsConvertButTheStoredThresholdsWin) {
    binding.Record().fill(0x00);
    binding.Record()[0xDF3] = 0x04 | 0x10;  // kPa and lb
    binding.Record()[0xDE6] = 187;
    binding.Record()[0xDEE] = 0xE0;  // 1760 tenths: 176.0 lb
    binding.Record()[0xDEF] = 0x06;
    ASSERT_TRUE(binding.DecodeSettings());
    EXPECT_EQ(controls.ItemIndex("ComboBox43"), 1);
    EXPECT_EQ(controls.ItemIndex("ComboBox45"), 0);
    EXPECT_EQ(controls.ItemIndex("ComboBox46"), 1);
    EXPECT_EQ(controls.Text("ComboBox652"), "18.7");
    EXPECT_EQ(controls.Text("ComboBox656"), "176.0");
    EXPECT_EQ(controls.Items("ComboBox652").front(), "8.0");  // the conversion's kPa list
}

TEST_F(ThresholdUnitsTest, StartUpFillUsesTheUnitEachFlagShows) {
    binding.FillThresholdListsAtStart();
    EXPECT_EQ(controls.Items("ComboBox652").front(), "60");
    EXPECT_EQ(controls.Items("ComboBox654").front(), "2.0");
    EXPECT_EQ(controls.Items("ComboBox657").front(), "10");
    controls.SetChecked("CheckBox81", true);  // a default profile in kPa
    binding.FillThresholdListsAtStart();
    EXPECT_EQ(controls.Items("ComboBox652").front(), "8.0");
    EXPECT_EQ(controls.Items("ComboBox653").front(), "5.3");
    EXPECT_EQ(controls.Items("ComboBox656").front(), "20");
}

}  // namespace
}  // namespace carecfg
