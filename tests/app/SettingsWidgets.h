#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/ComponentRegistry.h"
#include "settings/SettingsControls.h"
#include "settings/SettingsMap.h"

namespace carecfg::testing {

// One item list of the test pages and the drop-down boxes that show it.
struct SettingsItemList {
    std::vector<std::string> boxes;
    std::vector<std::string> items;
};

inline std::vector<std::string> NumberItems(int first, int last) {
    std::vector<std::string> items;
    for (int v = first; v <= last; ++v) {
        items.push_back(std::to_string(v));
    }
    return items;
}

inline std::vector<std::string> BoxNames(int first, int last) {
    std::vector<std::string> names;
    for (int n = first; n <= last; ++n) {
        names.push_back("ComboBox" + std::to_string(n));
    }
    return names;
}

// The item lists the test pages give their boxes, as a catalogue would: hours, minutes, clock
// and zone types, alert times, sirens, block choices, email modes, unit selectors, the
// temperature delay, resend counts and heart rates. The day and threshold lists are the
// binding's own.
inline const std::vector<SettingsItemList>& SettingsItemLists() {
    static const std::vector<SettingsItemList> lists = [] {
        std::vector<SettingsItemList> result;
        auto add = [&](std::vector<std::string> boxes, std::vector<std::string> items) {
            result.push_back({std::move(boxes), std::move(items)});
        };
        std::vector<std::string> hours = {"ComboBox47", "ComboBox51", "ComboBox52",
                                          "ComboBox53", "ComboBox57", "ComboBox58"};
        std::vector<std::string> minutes = {"ComboBox49", "ComboBox54", "ComboBox55",
                                            "ComboBox56", "ComboBox59", "ComboBox60"};
        for (int k = 0; k < kAlarmClockCount; ++k) {
            hours.push_back("ComboBox" + std::to_string(63 + k));
            minutes.push_back("ComboBox" + std::to_string(68 + k));
        }
        add(hours, NumberItems(0, 23));
        add(minutes, NumberItems(0, 59));
        add(BoxNames(2, 6), {"Off", "Daily", "Weekdays", "Once"});
        std::vector<std::string> types, alerts, sirens, choices;
        for (int z = 0; z <= kZoneCount; ++z) {
            types.push_back(ZoneTypeBox(z));
            alerts.push_back(ZoneAlertBox(z));
            sirens.push_back(ZoneSirenBox(z));
            for (int q = 0; q < 3; ++q) {
                choices.push_back(ZoneBlockBox(z, q, 4));
            }
        }
        add(types, {"Entry", "Instant", "Follow", "24 hours", "Fire", "Panic", "Medical", "Off"});
        add(alerts, {"1", "2", "3", "5"});
        add(sirens, {"Silent", "Beep", "Alarm", "Chime"});
        add(choices, {"Arm", "Disarm", "Stay"});
        add({"ComboBox41", "ComboBox42"}, {"Weekly", "Monthly", "Off"});
        add({"ComboBox43"}, {"mmHg", "kPa"});
        add({"ComboBox44"}, {"bpm"});
        add({"ComboBox45"}, {"mmol/L", "mg/dL"});
        add({"ComboBox46"}, {"kg", "lb"});
        add({"ComboBox86"}, {"Off", "5 min", "10 min", "30 min", "60 min"});
        add({"ComboBox50"}, NumberItems(1, 10));
        add({"ComboBox650", "ComboBox651"}, NumberItems(30, 220));
        return result;
    }();
    return lists;
}

// Gives the item lists of SettingsItemLists() to any controls (the in-memory ones, to compare).
inline void GiveSettingsItemLists(SettingsControls& controls) {
    for (const SettingsItemList& list : SettingsItemLists()) {
        for (const std::string& box : list.boxes) {
            controls.SetItems(box, list.items);
        }
    }
}

// Every control of the settings map as a bare widget under one parent, registered under its
// name: QLineEdit, editable QComboBox (no insertion of typed texts), QCheckBox, QLabel, with the
// map's maximum lengths, initial hidden and disabled states and the item lists above. The
// widgets start in the state InMemoryControls with GiveSettingsItemLists has: empty texts, no
// selection, nothing checked.
class SettingsWidgetPages {
public:
    SettingsWidgetPages() : m_root(std::make_unique<QWidget>()) {
        for (const SettingsControlInfo& info : SettingsControlTable()) {
            QWidget* widget = Create(info);
            widget->setVisible(!info.initiallyHidden);
            widget->setEnabled(!info.initiallyDisabled);
        }
        for (const SettingsItemList& list : SettingsItemLists()) {
            QStringList items;
            for (const std::string& item : list.items) {
                items.push_back(QString::fromStdString(item));
            }
            for (const std::string& name : list.boxes) {
                if (auto* box = Find<QComboBox>(name)) {
                    box->addItems(items);
                    box->setCurrentIndex(-1);
                }
            }
        }
    }

    ComponentRegistry& Registry() { return m_registry; }
    QWidget& Root() { return *m_root; }

    template <class T>
    T* Find(const std::string& name) const {
        return m_registry.Find<T>(QString::fromStdString(name));
    }

private:
    QWidget* Create(const SettingsControlInfo& info) {
        const QString name = QString::fromStdString(info.name);
        switch (info.kind) {
            case ControlKind::Edit: {
                auto* edit = m_registry.Add(new QLineEdit(m_root.get()), name);
                if (info.maxLength > 0) {
                    edit->setMaxLength(info.maxLength);
                }
                return edit;
            }
            case ControlKind::ComboBox: {
                auto* box = m_registry.Add(new QComboBox(m_root.get()), name);
                // Editable, as setEditable(true) makes it; that call is several times slower to
                // build and far slower to delete by the thousand (about a second each way here).
                box->setLineEdit(new QLineEdit);
                box->setInsertPolicy(QComboBox::NoInsert);
                if (info.maxLength > 0) {
                    box->lineEdit()->setMaxLength(info.maxLength);
                }
                return box;
            }
            case ControlKind::CheckBox:
                return m_registry.Add(new QCheckBox(m_root.get()), name);
            case ControlKind::Label:
                break;
        }
        return m_registry.Add(new QLabel(m_root.get()), name);
    }

    std::unique_ptr<QWidget> m_root;  // deleted after the registry, which only watches
    ComponentRegistry m_registry;
};

}  // namespace carecfg::testing
