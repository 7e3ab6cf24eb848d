#pragma once

#include <map>
#include <string>
#include <string_view>

#include "settings/SettingsBinding.h"

namespace carecfg::testing {

// Catalogue texts held in a map; numbers are read from the same texts ('.' separator).
class FakeSettingsTexts : public SettingsTexts {
public:
    std::map<std::string, std::string, std::less<>> messages;

    std::string MessageText(std::string_view key) const override {
        const auto it = messages.find(key);
        return it == messages.end() ? std::string() : it->second;
    }
    int MessageInteger(std::string_view key) const override {
        return TextToIntOrZero(MessageText(key));
    }
    double MessageNumber(std::string_view key) const override {
        const std::string text = MessageText(key);
        return text.empty() ? 0.0 : std::stod(text);
    }
};

// Seven day names for mode 0 and 31 day numbers for mode 1 of the email rows.
inline void AddEmailDayLists(FakeSettingsTexts& texts) {
    texts.messages["M32"] = "Mon|Tue|Wed|Thu|Fri|Sat|Sun";
    std::string days;
    for (int d = 1; d <= 31; ++d) {
        if (d > 1) {
            days += '|';
        }
        days += std::to_string(d);
    }
    texts.messages["M33"] = days;
}

// Fills the pages with values an installer would enter (straight into the controls, so no
// behaviour runs): every kind of field holds something other than its blank.
inline void FillRealisticPages(SettingsControls& c) {
    const auto text = [&](const std::string& name, const std::string& value) {
        c.SetText(name, value);
    };
    text("Edit337", "R5000123");
    for (int n = 0; n < 10; ++n) {
        text("Edit" + std::to_string(5 + n), "+4930123456" + std::to_string(n));
        for (int column : {2, 12, 29, 39, 49, 59, 69, 90, 100, 143}) {
            c.SetChecked("CheckBox" + std::to_string(column + n), (column + n) % 3 != 0);
        }
    }
    text("Edit366", "+491701234567");
    text("ComboBox47", "8");
    text("ComboBox49", "30");
    text("Edit15", "monitor.example.net");
    text("Edit16", "8080");
    text("Edit17", "10.0.0.2");
    text("Edit18", "9000");
    text("ComboBox50", "3");
    text("Edit19", "internet");
    text("Edit20", "user");
    text("Edit21", "secret");
    text("ComboBox51", "7");
    text("ComboBox54", "15");
    text("ComboBox53", "22");
    text("ComboBox56", "0");
    text("ComboBox87", "38");
    text("ComboBox88", "35");
    c.SetItemIndex("ComboBox86", 2);
    for (int k = 0; k < 5; ++k) {
        c.SetItemIndex("ComboBox" + std::to_string(2 + k), k % 4);
        text("ComboBox" + std::to_string(63 + k), std::to_string(6 + k));
        text("ComboBox" + std::to_string(68 + k), std::to_string(5 * k));
        text("ComboBox" + std::to_string(73 + k), "20");
        text("ComboBox" + std::to_string(78 + k), "3");
    }
    text("Edit379", "Panel");
    c.SetItemIndex("ComboBox89", 1);
    c.SetItemIndex("ComboBox122", 2);
    for (int z = 1; z <= kZoneCount; ++z) {
        text(ZoneNameEdit(z), "Zone " + std::to_string(z));
        c.SetItemIndex(ZoneTypeBox(z), z % 9);
        c.SetItemIndex(ZoneAlertBox(z), 1);
        c.SetItemIndex(ZoneSirenBox(z), 2);
        c.SetChecked(ZoneDisableBox(z), z % 5 == 0);
        for (int q = 0; q < 3; ++q) {
            for (int item = 0; item < 4; ++item) {
                text(ZoneBlockBox(z, q, item), std::to_string(z + 10 * q + item));
            }
            c.SetItemIndex(ZoneBlockBox(z, q, 4), q);
        }
    }
    text("ComboBox83", "30");
    text("ComboBox84", "15");
    c.SetChecked("CheckBox22", true);
    c.SetChecked("CheckBox27", true);
    text("Edit343", "carer@example.org");
    text("Edit344", "office@example.org");
    text("ComboBox658", "smtp.example.org");
    text("Edit346", "r5unit");
    text("Edit347", "mailpass");
    text("ComboBox57", "9");
    text("ComboBox59", "0");
    text("ComboBox58", "18");
    text("ComboBox60", "30");
    c.SetItemIndex("ComboBox41", 0);
    c.SetItemIndex("ComboBox61", 3);
    c.SetItemIndex("ComboBox42", 1);
    c.SetItemIndex("ComboBox62", 4);
    c.SetChecked("CheckBox80", true);
    c.SetChecked("CheckBox81", true);
    c.SetItemIndex("ComboBox43", 1);
    text("ComboBox652", "18.7");
    text("ComboBox653", "12.0");
    text("ComboBox650", "120");
    text("ComboBox651", "50");
    text("ComboBox654", "7.0");
    text("ComboBox655", "3.5");
    text("ComboBox656", "120.0");
    text("ComboBox657", "40.0");
    text("ComboBox85", "10");
    for (int k = 0; k < 4; ++k) {
        text("Edit" + std::to_string(358 + k), "11" + std::to_string(k));
    }
    text("ComboBox40", "30");
}

}  // namespace carecfg::testing
