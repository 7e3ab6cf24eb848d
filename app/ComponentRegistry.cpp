#include "app/ComponentRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

#include <stdexcept>
#include <string>

#include "app/StatusBar.h"

namespace carecfg {

const char* ComponentKindName(ComponentKind kind) {
    switch (kind) {
        case ComponentKind::Label:
            return "label";
        case ComponentKind::CheckBox:
            return "check box";
        case ComponentKind::TabSheet:
            return "tab sheet";
        case ComponentKind::ListView:
            return "list view";
        case ComponentKind::StatusBar:
            return "status bar";
        case ComponentKind::GroupBox:
            return "group box";
        case ComponentKind::DropDownList:
            return "drop-down list";
        case ComponentKind::Chart:
            return "chart";
        case ComponentKind::PushButton:
            return "push button";
        case ComponentKind::SpeedButton:
            return "speed button";
        case ComponentKind::Edit:
            return "edit";
        case ComponentKind::MaskedEdit:
            return "masked edit";
        case ComponentKind::RichText:
            return "rich text";
        case ComponentKind::Theme:
            return "theme component";
        case ComponentKind::Other:
            return "other";
    }
    return "other";
}

ComponentKind KindOfClass(const QObject* object) {
    // Derived classes first: QTreeWidget is a QTreeView, QCheckBox and the buttons are
    // QAbstractButtons, QTextBrowser is a QTextEdit.
    if (qobject_cast<const QLabel*>(object)) {
        return ComponentKind::Label;
    }
    if (qobject_cast<const QCheckBox*>(object)) {
        return ComponentKind::CheckBox;
    }
    if (qobject_cast<const QPushButton*>(object)) {
        return ComponentKind::PushButton;
    }
    if (qobject_cast<const QToolButton*>(object)) {
        return ComponentKind::SpeedButton;
    }
    if (qobject_cast<const QComboBox*>(object)) {
        return ComponentKind::DropDownList;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(object)) {
        return edit->inputMask().isEmpty() ? ComponentKind::Edit : ComponentKind::MaskedEdit;
    }
    if (qobject_cast<const QGroupBox*>(object)) {
        return ComponentKind::GroupBox;
    }
    if (qobject_cast<const QTreeView*>(object)) {
        return ComponentKind::ListView;
    }
    if (qobject_cast<const QStatusBar*>(object) || qobject_cast<const TStatusBar*>(object)) {
        return ComponentKind::StatusBar;
    }
    if (qobject_cast<const QTextEdit*>(object)) {
        return ComponentKind::RichText;
    }
    // By class name: the window library does not link the chart module.
    if (object != nullptr && object->inherits("QChartView")) {
        return ComponentKind::Chart;
    }
    return ComponentKind::Other;
}

void ComponentRegistry::Register(QObject* object, const QString& name, ComponentKind kind) {
    const QString key = name.trimmed().toLower();
    const auto taken = m_index.constFind(key);
    if (key.isEmpty() || taken != m_index.constEnd()) {
        const std::string message =
            key.isEmpty() ? std::string("component without a name")
                          : "component name \"" + name.toStdString() + "\" already taken by \"" +
                                m_components[*taken].name.toStdString() + "\"";
        if (object->parent() == nullptr) {
            delete object;  // nobody else owns it
        }
        throw std::logic_error(message);
    }
    object->setObjectName(name);
    m_components.push_back(Component{name, object, kind});
    m_index.insert(key, m_components.size() - 1);
}

QObject* ComponentRegistry::Find(const QString& name) const {
    const auto it = m_index.constFind(name.trimmed().toLower());
    if (it == m_index.constEnd()) {
        return nullptr;
    }
    return m_components[*it].object.data();
}

std::optional<ComponentKind> ComponentRegistry::KindOf(const QString& name) const {
    const auto it = m_index.constFind(name.trimmed().toLower());
    if (it == m_index.constEnd()) {
        return std::nullopt;
    }
    return m_components[*it].kind;
}

}  // namespace carecfg
