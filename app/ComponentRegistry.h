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

// The kind an object's class gives: QLabel label, QCheckBox check box, QComboBox drop-down list,
// QLineEdit edit (masked edit when it has an input mask), QPushButton push button, QToolButton
// speed button, QGroupBox group box, QTreeView (and QTreeWidget) list view, QStatusBar or the
// window's status bar class status bar, QTextEdit rich text, QChartView chart; anything else
// other. Tab sheets and theme components look like plain widgets: they are registered as such.
ComponentKind KindOfClass(const QObject* object);

// One registered component: its name (also its object name), the object and its kind.
struct Component {
    QString name;
    QPointer<QObject> object;
    ComponentKind kind;
};

// Every component of the main window in creation order, found by name regardless of letter case.
// A name is taken once: registering a second component under a taken name (in any letter case)
// or without a name is a programming error and throws std::logic_error.
class ComponentRegistry {
public:
    // Names the object and registers it with the kind of its class; returns the object for
    // chaining at creation. An object without a parent is deleted when registering fails.
    template <class T>
    T* Add(T* object, const QString& name) {
        Register(object, name, KindOfClass(object));
        return object;
    }
    // The same for a component of the theme library (navigation bar, its page buttons, the
    // notebook, theme group boxes), which keeps its built-in texts whatever its class.
    template <class T>
    T* AddTheme(T* object, const QString& name) {
        Register(object, name, ComponentKind::Theme);
        return object;
    }
    // The same for a page of a tab control.
    template <class T>
    T* AddTabSheet(T* sheet, const QString& name) {
        Register(sheet, name, ComponentKind::TabSheet);
        return sheet;
    }

    QObject* Find(const QString& name) const;
    template <class T>
    T* Find(const QString& name) const {
        return qobject_cast<T*>(Find(name));
    }
    std::optional<ComponentKind> KindOf(const QString& name) const;

    const std::vector<Component>& Components() const { return m_components; }
    std::size_t Count() const { return m_components.size(); }

private:
    void Register(QObject* object, const QString& name, ComponentKind kind);

    std::vector<Component> m_components;
    QHash<QString, std::size_t> m_index;  // lower-case name -> position in m_components
};

}  // namespace carecfg
