#include "app/pages/MapControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <unordered_map>

#include "app/ComponentRegistry.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

// The map's row of a control, found through an index built once (the pages look up some
// 1500 names while the window is created).
const SettingsControlInfo& MapControlInfo(const std::string& name) {
    static const auto index = [] {
        std::unordered_map<std::string, const SettingsControlInfo*> byName;
        for (const SettingsControlInfo& info : SettingsControlTable()) {
            byName.emplace(info.name, &info);
        }
        return byName;
    }();
    const auto found = index.find(name);
    if (found == index.end()) {
        throw std::logic_error("not a control of the settings map: " + name);
    }
    return *found->second;
}

}  // namespace

QWidget* CreateMapControl(ComponentRegistry& registry, const std::string& name, QWidget* parent) {
    const SettingsControlInfo& info = MapControlInfo(name);
    const QString componentName = QString::fromStdString(info.name);
    QWidget* widget = nullptr;
    switch (info.kind) {
        case ControlKind::Edit: {
            auto* edit = registry.Add(new QLineEdit(parent), componentName);
            if (info.maxLength > 0) {
                edit->setMaxLength(info.maxLength);
            }
            widget = edit;
            break;
        }
        case ControlKind::ComboBox: {
            auto* box = registry.Add(new QComboBox(parent), componentName);
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);
            if (info.maxLength > 0) {
                box->lineEdit()->setMaxLength(info.maxLength);
            }
            widget = box;
            break;
        }
        case ControlKind::CheckBox:
            widget = registry.Add(new QCheckBox(parent), componentName);
            break;
        case ControlKind::Label:
            widget = registry.Add(new QLabel(parent), componentName);
            break;
    }
    if (info.initiallyHidden) {
        widget->setHidden(true);
    }
    if (info.initiallyDisabled) {
        widget->setEnabled(false);
    }
    return widget;
}

}  // namespace carecfg
