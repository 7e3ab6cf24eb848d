#include "app/ComponentRegistry.h"

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

void ComponentRegistry::Register(QObject* object, ComponentKind kind) {
    const QString name = object->objectName();
    m_components.push_back(Component{name, object, kind});
    const QString key = name.toLower();
    if (!m_index.contains(key)) {
        m_index.insert(key, m_components.size() - 1);
    }
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
