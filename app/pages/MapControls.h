#pragma once

#include <stdexcept>
#include <string>

class QWidget;

namespace carecfg {

class ComponentRegistry;

// Creates the widget of one control of the settings map under its component name, as a child of
// `parent`: a line edit with the map's maximum length, an editable drop-down box that never
// inserts typed texts, a check box or a label, hidden and disabled as the map's initial state
// says. A name the map does not hold, or one already registered, throws std::logic_error.
QWidget* CreateMapControl(ComponentRegistry& registry, const std::string& name, QWidget* parent);

// The same, as the widget class the caller expects (QLineEdit, QComboBox, QCheckBox, QLabel); a
// control of another class throws std::logic_error.
template <class T>
T* CreateMapControlAs(ComponentRegistry& registry, const std::string& name, QWidget* parent) {
    T* widget = qobject_cast<T*>(CreateMapControl(registry, name, parent));
    if (widget == nullptr) {
        throw std::logic_error("settings control of an unexpected class: " + name);
    }
    return widget;
}

}  // namespace carecfg
