#include "app/pages/MapControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>

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

// Gives an editable drop-down box its completer when the box first takes the focus. A line edit
// handed to a box without a completer gets a new one at once, which doubles the cost of every
// box; the window makes hundreds of them at start-up and the user types into few. One object per
// top-level window serves all its boxes: it holds the stand-in completer that keeps the box from
// making its own, and watches the boxes for their first focus.
class DeferredCompleter : public QObject {
public:
    static DeferredCompleter& Of(QWidget& widget) {
        QWidget* window = widget.window();
        auto* found =
            dynamic_cast<DeferredCompleter*>(window->property(kProperty).value<QObject*>());
        if (found == nullptr) {
            found = new DeferredCompleter(window);
            window->setProperty(kProperty, QVariant::fromValue<QObject*>(found));
        }
        return *found;
    }

    // Makes the box editable with a line edit of its own and no completer yet.
    void MakeEditable(QComboBox& box) {
        auto* edit = new QLineEdit(&box);
        edit->setCompleter(m_standIn);
        box.setLineEdit(edit);
        edit->setCompleter(nullptr);
        box.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            auto* box = qobject_cast<QComboBox*>(watched);
            if (box != nullptr && box->lineEdit() != nullptr && box->completer() == nullptr) {
                // The completer a box makes for itself: its items, any case, completed inline.
                auto* completer = new QCompleter(box->model(), box->lineEdit());
                completer->setCaseSensitivity(Qt::CaseInsensitive);
                completer->setCompletionMode(QCompleter::InlineCompletion);
                completer->setCompletionColumn(box->modelColumn());
                box->setCompleter(completer);
            }
            watched->removeEventFilter(this);
        }
        return false;
    }

private:
    static constexpr const char* kProperty = "carecfgDeferredCompleter";

    explicit DeferredCompleter(QObject* parent)
        : QObject(parent), m_standIn(new QCompleter(this)) {}

    QCompleter* m_standIn;
};

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
            // Giving the box its line edit makes it editable as setEditable(true) does, without
            // building the popup's container at once: the container is made at the first popup.
            // Hundreds of boxes are made at start-up, and this is most of their cost.
            DeferredCompleter::Of(*box).MakeEditable(*box);
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
