#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <vector>

namespace carecfg {

// The class kinds of the window's components; the caption applier and the settings binding
// decide by kind what a component receives.
enum class ComponentKind {
    Label,
    CheckBox,
    TabSheet,
    ListView,
    StatusBar,
    GroupBox,
    DropDownList,
    Chart,
    PushButton,
    SpeedButton,
    Edit,
    MaskedEdit,
    RichText,
    Theme,  // navigation bar, its buttons, theme group boxes and labels: keep built-in texts
    Other,  // pages, timers, containers
};

const char* ComponentKindName(ComponentKind kind);

// One registered component: its name (also its object name), the object and its kind.
struct Component {
    QString name;
    QPointer<QObject> object;
    ComponentKind kind;
};

// Every component of the main window in creation order, found by name regardless of letter case.
class ComponentRegistry {
public:
    // Names the object and registers it; returns the object for chaining at creation.
    template <class T>
    T* Add(T* object, const QString& name, ComponentKind kind) {
        object->setObjectName(name);
        Register(object, kind);
        return object;
    }

    // Registers an object under its object name. A second object with a name already taken is
    // listed but lookups keep finding the first.
    void Register(QObject* object, ComponentKind kind);

    QObject* Find(const QString& name) const;
    template <class T>
    T* Find(const QString& name) const {
        return qobject_cast<T*>(Find(name));
    }
    std::optional<ComponentKind> KindOf(const QString& name) const;

    const std::vector<Component>& Components() const { return m_components; }
    std::size_t Count() const { return m_components.size(); }

private:
    std::vector<Component> m_components;
    QHash<QString, std::size_t> m_index;  // lower-case name -> position in m_components
};

}  // namespace carecfg
