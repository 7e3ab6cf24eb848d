#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/WidgetControls.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "tests/app/SettingsWidgets.h"
#include "tests/settings/SettingsTestSupport.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

using testing::FakeSettingsTexts;

FakeSettingsTexts CatalogTexts() {
    FakeSettingsTexts texts;
    testing::AddEmailDayLists(texts);
    auto& m = texts.messages;
    m["MX1"] = "60", m["MY1"] = "250", m["MXD1"] = "8.0", m["MYD1"] = "33.3";
    m["MX2"] = "40", m["MY2"] = "150", m["MXD2"] = "5.3", m["MYD2"] = "20.0";
    m["MX3"] = "2.0", m["MY3"] = "30.0", m["MXD3"] = "36", m["MYD3"] = "540";
    m["MX4"] = "1.0", m["MY4"] = "20.0", m["MXD4"] = "18", m["MYD4"] = "360";
    m["MX5"] = "20", m["MY5"] = "200", m["MXD5"] = "44", m["MYD5"] = "440";
    m["MX6"] = "10", m["MY6"] = "150", m["MXD6"] = "22", m["MYD6"] = "330";
    return texts;
}

// The same settings pages twice: in memory and as widgets with the user's actions connected.
struct TwoPages {
    TwoPages() {
        testing::GiveSettingsItemLists(memory);
        memoryBinding.FillThresholdListsAtStart();
        widgetBinding.FillThresholdListsAtStart();
    }

    FakeSettingsTexts texts = CatalogTexts();
    TextCodec codec{"WINDOWS-1252"};
    InMemoryControls memory;
    testing::SettingsWidgetPages pages;
    WidgetSettingsControls widgets{pages.Registry(), codec};
    DeviceImage memoryImage;
    DeviceImage widgetImage;
    SettingsBinding memoryBinding{memory, memoryImage, texts, '.'};
    SettingsBinding widgetBinding{widgets, widgetImage, texts, '.'};
    SettingsUserActions actions{pages.Registry(), widgetBinding, codec};

    template <class T>
    T* Widget(const std::string& name) const {
        return pages.Find<T>(name);
    }
};

std::string Quoted(const std::vector<std::string>& items) {
    std::ostringstream out;
    for (std::size_t i = 0; i < items.size() && i < 4; ++i) {
        out << (i ? "," : "") << '"' << items[i] << '"';
    }
    return "{" + out.str() + (items.size() > 4 ? ",.." : "") +
           "} n=" + std::to_string(items.size());
}

// Every difference in the state of the named controls, one line each.
std::vector<std::string> Differences(const SettingsControls& a, const SettingsControls& b,
                                     const std::vector<std::string>& names) {
    std::vector<std::string> differences;
    auto differ = [&](const std::string& name, const char* what, const std::string& x,
                      const std::string& y) {
        if (x != y) {
            differences.push_back(name + " " + what + ": \"" + x + "\" vs \"" + y + "\"");
        }
    };
    for (const std::string& name : names) {
        differ(name, "has", std::to_string(a.Has(name)), std::to_string(b.Has(name)));
        differ(name, "text", a.Text(name), b.Text(name));
        differ(name, "index", std::to_string(a.ItemIndex(name)), std::to_string(b.ItemIndex(name)));
        differ(name, "items", Quoted(a.Items(name)), Quoted(b.Items(name)));
        differ(name, "checked", std::to_string(a.Checked(name)), std::to_string(b.Checked(name)));
        differ(name, "visible", std::to_string(a.Visible(name)), std::to_string(b.Visible(name)));
        differ(name, "enabled", std::to_string(a.Enabled(name)), std::to_string(b.Enabled(name)));
    }
    return differences;
}

std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        names.push_back(info.name);
    }
    return names;
}

std::string FirstOf(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < 12; ++i) {
        text += lines[i] + "\n";
    }
    return text;
}

// ---- the records both kinds of pages decode and encode ----

SettingsRecord RealisticRecord() {
    InMemoryControls controls;
    DeviceImage image;
    FakeSettingsTexts texts = CatalogTexts();
    SettingsBinding binding(controls, image, texts, '.');
    testing::FillRealisticPages(controls);
    binding.EncodeSettings();
    return binding.Record();
}

SettingsRecord Filled(std::uint8_t value) {
    SettingsRecord record;
    record.fill(value);
    return record;
}

// The realistic unit in base units: systolic 140/90 mmHg, email days on Thursday and the 5th.
SettingsRecord RealisticInBaseUnits() {
    SettingsRecord record = RealisticRecord();
    record[0xDF3] &= static_cast<std::uint8_t>(~0x04u);
    record[0xDE6] = 140;
    record[0xDE7] = 90;
    record[0xDE4] = 0x83;
    record[0xDE5] = 0x05;
    return record;
}

// Names with bytes the code page has no character for (0x81, 0x8D) beside ordinary accents.
constexpr std::size_t kZoneNameSize = 64;
constexpr std::size_t kDeviceIdSize = 10;

SettingsRecord UndisplayableNames() {
    SettingsRecord record = RealisticRecord();
    auto put = [&](std::size_t offset, std::size_t width, const std::string& text) {
        std::fill_n(record.begin() + offset, width, 0xFF);
        std::copy(text.begin(), text.end(), record.begin() + offset);
    };
    put(kZone1Offset, kZoneNameSize,
        "K\xFC\x81"
        "che");
    put(0, kDeviceIdSize,
        "R5\x8D"
        "01");
    return record;
}

SettingsRecord RandomRecord(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    SettingsRecord record;
    for (std::uint8_t& b : record) {
        b = static_cast<std::uint8_t>(byte(random));
    }
    return record;
}

struct RecordCase {
    const char* name;
    SettingsRecord record;
};

// Decode the same records, one after another, into both kinds of pages: every control the same,
// the same bytes out.
TEST(WidgetControlsTest, WidgetsAndMemoryDecodeAndEncodeTheSame) {
    const std::vector<RecordCase> cases = {
        {"erased unit", Filled(0xFF)},
        {"all zero", Filled(0x00)},
        {"realistic, kPa", RealisticRecord()},
        {"realistic, mmHg and email days", RealisticInBaseUnits()},
        {"undisplayable name bytes", UndisplayableNames()},
        {"random bytes", RandomRecord(9)},
    };
    const std::vector<std::string> names = TableNames();
    TwoPages two;
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        two.memoryBinding.Record() = c.record;
        two.widgetBinding.Record() = c.record;
        ASSERT_TRUE(two.memoryBinding.DecodeSettings());
        ASSERT_TRUE(two.widgetBinding.DecodeSettings());
        const auto differences = Differences(two.memory, two.widgets, names);
        EXPECT_TRUE(differences.empty()) << differences.size() << " differences:\n"
                                         << FirstOf(differences);

        ASSERT_TRUE(two.memoryBinding.EncodeSettings());
        ASSERT_TRUE(two.widgetBinding.EncodeSettings());
        EXPECT_TRUE(two.memoryBinding.Record() == two.widgetBinding.Record());
        const auto memoryRegion = two.memoryImage.Range(0, kSettingsRegionSize);
        const auto widgetRegion = two.widgetImage.Range(0, kSettingsRegionSize);
        EXPECT_TRUE(std::equal(memoryRegion.begin(), memoryRegion.end(), widgetRegion.begin(),
                               widgetRegion.end()));
    }
}

TEST(WidgetControlsTest, UntouchedNamesKeepBytesTheCodePageCannotShow) {
    TwoPages two;
    const SettingsRecord record = UndisplayableNames();
    two.widgetBinding.Record() = record;
    ASSERT_TRUE(two.widgetBinding.DecodeSettings());
    EXPECT_EQ(two.widgets.Text(ZoneNameEdit(1)),
              "K\xFC\x81"
              "che");
    ASSERT_TRUE(two.widgetBinding.EncodeSettings());
    const SettingsRecord& encoded = two.widgetBinding.Record();
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + kDeviceIdSize, encoded.begin()));
    EXPECT_TRUE(std::equal(record.begin() + kZone1Offset,
                           record.begin() + kZone1Offset + kZoneNameSize,
                           encoded.begin() + kZone1Offset));

    // Once the name changes, the widget's text counts.
    QLineEdit* edit = two.Widget<QLineEdit>(ZoneNameEdit(1));
    edit->setText(edit->text() + "n");
    EXPECT_EQ(two.widgets.Text(ZoneNameEdit(1)), "K\xFC?chen");
}

// The documented rules of the controls interface, step by step on both kinds of controls. Each
// case has controls of its own, so that the cases share one pair of pages.
TEST(WidgetControlsTest, InterfaceRulesMatchTheMemoryControls) {
    struct Case {
        const char* rule;
        std::vector<std::string> names;  // the controls the case uses
        std::function<void(SettingsControls&)> steps;
    };
    const std::vector<Case> cases = {
        {"a box without a list holds any index and keeps its text",
         {"ComboBox73"},
         [](SettingsControls& c) {
             c.SetText("ComboBox73", "12");
             c.SetItemIndex("ComboBox73", 5);
         }},
        {"a box without a list turns a negative index into none",
         {"ComboBox74"},
         [](SettingsControls& c) {
             c.SetItemIndex("ComboBox74", 3);
             c.SetItemIndex("ComboBox74", -7);
         }},
        {"an index beyond the list selects nothing and empties the text",
         {"ComboBox43"},
         [](SettingsControls& c) {
             c.SetItemIndex("ComboBox43", 1);
             c.SetText("ComboBox43", "typed");
             c.SetItemIndex("ComboBox43", 2);
         }},
        {"no selection on a box already without one empties the text",
         {"ComboBox45"},
         [](SettingsControls& c) {
             c.SetText("ComboBox45", "typed");
             c.SetItemIndex("ComboBox45", -1);
         }},
        {"selecting an item sets the text to it",
         {"ComboBox46"},
         [](SettingsControls& c) { c.SetItemIndex("ComboBox46", 1); }},
        {"selecting the selected item again replaces a typed text",
         {"ComboBox86"},
         [](SettingsControls& c) {
             c.SetItemIndex("ComboBox86", 3);
             c.SetText("ComboBox86", "typed");
             c.SetItemIndex("ComboBox86", 3);
         }},
        {"setting the text leaves the index",
         {"ComboBox2"},
         [](SettingsControls& c) {
             c.SetItemIndex("ComboBox2", 3);
             c.SetText("ComboBox2", "Twice");
         }},
        {"setting the list keeps the text and clears the selection",
         {"ComboBox3"},
         [](SettingsControls& c) {
             c.SetItemIndex("ComboBox3", 1);
             c.SetItems("ComboBox3", {"a", "b", "c"});
         }},
        {"a list set empty has no index to hold",
         {"ComboBox75"},
         [](SettingsControls& c) {
             c.SetItems("ComboBox75", {});
             c.SetText("ComboBox75", "4");
             c.SetItemIndex("ComboBox75", 3);
         }},
        {"names in any letter case",
         {"ComboBox4", "CheckBox82"},
         [](SettingsControls& c) {
             c.SetItemIndex("COMBOBOX4", 2);
             c.SetChecked("checkbox82", true);
         }},
        {"check boxes, visibility and enabled state",
         {"CheckBox81"},
         [](SettingsControls& c) {
             c.SetChecked("CheckBox81", true);
             c.SetVisible("CheckBox81", true);
             c.SetEnabled("CheckBox81", true);
         }},
        {"hiding and disabling an edit keeps its text",
         {"Edit15"},
         [](SettingsControls& c) {
             c.SetText("Edit15", "monitor.example.net");
             c.SetVisible("Edit15", false);
             c.SetEnabled("Edit15", false);
         }},
        {"labels show and hide",
         {"Label57", "Label58"},
         [](SettingsControls& c) {
             c.SetVisible("Label57", true);
             c.SetVisible("Label58", false);
         }},
        {"unknown names read empty and ignore setters",
         {"Edit9999", "SpeedButton15"},
         [](SettingsControls& c) {
             c.SetText("Edit9999", "x");
             c.SetVisible("Edit9999", true);
         }},
    };
    TwoPages two;
    // A component of the window that is no control of the settings pages.
    two.pages.Registry().Add(new QPushButton(&two.pages.Root()), "SpeedButton15");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        c.steps(two.memory);
        c.steps(two.widgets);
        const auto differences = Differences(two.memory, two.widgets, c.names);
        EXPECT_TRUE(differences.empty()) << FirstOf(differences);
    }
}

// Visible and Enabled tell the control's own state, whatever its page or tab shows.
TEST(WidgetControlsTest, HiddenOrDisabledParentLeavesTheControlsOwnState) {
    TwoPages two;
    two.pages.Root().show();
    two.pages.Root().setEnabled(false);
    two.pages.Root().hide();
    EXPECT_TRUE(two.widgets.Visible("Edit15"));
    EXPECT_TRUE(two.widgets.Enabled("Edit15"));
    EXPECT_FALSE(two.widgets.Visible("CheckBox81"));
    EXPECT_FALSE(two.widgets.Enabled("CheckBox81"));
}

// ---- the user's actions ----

// Types the keys one by one; '\b' is the backspace key.
void Type(QWidget* widget, const std::string& keys) {
    for (const char c : keys) {
        if (c == '\b') {
            QTest::keyClick(widget, Qt::Key_Backspace);
        } else {
            QTest::keyClick(widget, c);
        }
    }
}

TEST(WidgetControlsTest, EveryControlButTheLabelsIsConnected) {
    TwoPages two;
    const auto labels = std::count_if(
        SettingsControlTable().begin(), SettingsControlTable().end(),
        [](const SettingsControlInfo& info) { return info.kind == ControlKind::Label; });
    EXPECT_EQ(two.actions.ConnectedCount(), SettingsControlTable().size() - labels);
}

TEST(WidgetControlsTest, TypingIntoAPortEditRunsTheFilterAndTheCap) {
    struct Case {
        const char* edit;
        const char* before;
        const char* keys;
        const char* after;
    };
    const Case cases[] = {
        {"Edit16", "65535", "1", "65535"},  // refused, text set again
        {"Edit16", "6553", "9", "65535"},   // accepted, then capped
        {"Edit18", "80", "8", "808"},
        {"Edit18", "80", "x ", "80"},  // not digits
        {"Edit16", "123", "\b", "12"},
        {"Edit18", "99999", "\b", "9999"},  // a backspace always goes through
        {"Edit16", "", "70000", "65535"},
    };
    TwoPages two;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " \"" + c.before + "\" + \"" + c.keys + "\"");
        QLineEdit* edit = two.Widget<QLineEdit>(c.edit);
        edit->setText(c.before);
        EXPECT_EQ(edit->text().toStdString(), c.before);  // set by code: no cap
        Type(edit, c.keys);
        EXPECT_EQ(edit->text().toStdString(), c.after);
    }
}

TEST(WidgetControlsTest, PastingIntoAPortEditIsCapped) {
    TwoPages two;
    QLineEdit* edit = two.Widget<QLineEdit>("Edit16");
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("123456");
    if (clipboard->text() != "123456") {
        GTEST_SKIP() << "no clipboard on this platform";
    }
    edit->setText("");
    edit->paste();
    EXPECT_EQ(edit->text(), "65535");
}

TEST(WidgetControlsTest, TypingAThresholdRunsTheOrderRuleAfterEachCharacter) {
    TwoPages two;
    QComboBox* high = two.Widget<QComboBox>("ComboBox650");
    QComboBox* low = two.Widget<QComboBox>("ComboBox651");
    low->setEditText("70");
    high->setEditText("60");  // by code: no rule
    EXPECT_EQ(low->currentText(), "70");

    high->setEditText("");
    Type(high, "6");
    EXPECT_EQ(low->currentText(), "5");  // 6 is not above 70
    Type(high, "0");
    EXPECT_EQ(high->currentText(), "60");
    EXPECT_EQ(low->currentText(), "5");  // 60 is above 5

    Type(low, "\b\b80");  // low 8, then 80: the high box moves above it
    EXPECT_EQ(low->currentText(), "80");
    EXPECT_EQ(high->currentText(), "81");
}

TEST(WidgetControlsTest, ChoosingAZoneTypeUpdatesTheZoneRowSettingItByCodeDoesNot) {
    struct Case {
        int zone;
        int fromIndex;  // set by code first
        Qt::Key key;
        int toIndex;
        bool blocks;
        bool alertAndSiren;
        bool name;
    };
    const Case cases[] = {
        {5, 1, Qt::Key_Up, 0, true, true, true},
        {6, 2, Qt::Key_Down, 3, false, true, true},
        {7, 5, Qt::Key_Down, 6, false, false, false},
        {8, 6, Qt::Key_Down, 7, false, false, true},
    };
    TwoPages two;
    for (const Case& c : cases) {
        SCOPED_TRACE("zone " + std::to_string(c.zone));
        QComboBox* type = two.Widget<QComboBox>(ZoneTypeBox(c.zone));
        QLineEdit* name = two.Widget<QLineEdit>(ZoneNameEdit(c.zone));
        QComboBox* alert = two.Widget<QComboBox>(ZoneAlertBox(c.zone));
        QComboBox* siren = two.Widget<QComboBox>(ZoneSirenBox(c.zone));
        alert->setVisible(!c.alertAndSiren);  // the opposite of what the choice gives
        alert->setCurrentIndex(2);
        type->setCurrentIndex(c.fromIndex);
        EXPECT_EQ(alert->isHidden(), c.alertAndSiren);  // set by code: no update
        EXPECT_EQ(alert->currentIndex(), 2);

        QTest::keyClick(type, c.key);
        ASSERT_EQ(type->currentIndex(), c.toIndex);
        EXPECT_EQ(!alert->isHidden(), c.alertAndSiren);
        EXPECT_EQ(!siren->isHidden(), c.alertAndSiren);
        EXPECT_EQ(alert->currentIndex(), 0);
        EXPECT_EQ(!name->isHidden(), c.name);
        for (int q = 0; q < 3; ++q) {
            EXPECT_EQ(!two.Widget<QLabel>(ZoneBlockLabel(c.zone, q))->isHidden(), c.blocks);
            for (int item = 0; item < 4; ++item) {
                QComboBox* number = two.Widget<QComboBox>(ZoneBlockBox(c.zone, q, item));
                EXPECT_EQ(!number->isHidden(), c.blocks);
                EXPECT_EQ(number->currentText(), c.blocks ? "0" : "");
            }
        }
    }
}

TEST(WidgetControlsTest, ChoosingTheKilopascalUnitChecksTheFlagAndConvertsTheThresholds) {
    TwoPages two;
    QComboBox* unit = two.Widget<QComboBox>("ComboBox43");
    QCheckBox* flag = two.Widget<QCheckBox>("CheckBox81");
    QComboBox* high = two.Widget<QComboBox>("ComboBox652");
    QComboBox* low = two.Widget<QComboBox>("ComboBox653");
    unit->setCurrentIndex(0);
    high->setEditText("140");
    low->setEditText("90");

    unit->setCurrentIndex(1);  // by code: nothing follows
    EXPECT_FALSE(flag->isChecked());
    unit->setCurrentIndex(0);

    QTest::keyClick(unit, Qt::Key_Down);
    EXPECT_EQ(unit->currentIndex(), 1);
    EXPECT_TRUE(flag->isChecked());
    EXPECT_EQ(high->currentText(), "18.7");
    EXPECT_EQ(low->currentText(), "12.0");
    EXPECT_EQ(high->itemText(0), "8.0");  // the kPa list, key MXD1

    QTest::keyClick(unit, Qt::Key_Up);
    EXPECT_FALSE(flag->isChecked());
    EXPECT_EQ(high->currentText(), "140");
    EXPECT_EQ(low->currentText(), "90");
    EXPECT_EQ(high->itemText(0), "60");  // the mmHg list, key MX1
}

TEST(WidgetControlsTest, UnitBoxesSwallowTypedKeys) {
    TwoPages two;
    for (const char* name : {"ComboBox43", "ComboBox44", "ComboBox45", "ComboBox46"}) {
        SCOPED_TRACE(name);
        QComboBox* box = two.Widget<QComboBox>(name);
        box->setCurrentIndex(0);
        const QString item = box->itemText(0);
        Type(box, "k1 .\b");
        EXPECT_EQ(box->currentText(), item);
        EXPECT_EQ(box->currentIndex(), 0);
    }
    // Choosing with the keyboard still works.
    QComboBox* glucose = two.Widget<QComboBox>("ComboBox45");
    QTest::keyClick(glucose, Qt::Key_Down);
    EXPECT_EQ(glucose->currentText(), "mg/dL");
    EXPECT_TRUE(two.Widget<QCheckBox>("CheckBox82")->isChecked());
}

TEST(WidgetControlsTest, AClickOnAUnitFlagConvertsOnceSettingItByCodeDoesNot) {
    TwoPages two;
    QCheckBox* flag = two.Widget<QCheckBox>("CheckBox83");
    QComboBox* high = two.Widget<QComboBox>("ComboBox656");
    QComboBox* low = two.Widget<QComboBox>("ComboBox657");
    flag->setVisible(true);
    flag->setEnabled(true);
    high->setEditText("80");
    low->setEditText("50");

    QTest::keyClick(flag, Qt::Key_Space);  // a second conversion would give 387.2
    EXPECT_TRUE(flag->isChecked());
    EXPECT_EQ(high->currentText(), "176.0");
    EXPECT_EQ(low->currentText(), "110.0");

    flag->setChecked(false);
    EXPECT_EQ(high->currentText(), "176.0");
}

}  // namespace
}  // namespace carecfg
