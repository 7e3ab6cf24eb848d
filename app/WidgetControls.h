#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/SettingsControls.h"

class QComboBox;
class QWidget;

namespace carecfg {

class ComponentRegistry;
class SettingsBinding;
class TextCodec;

// The settings pages' widgets as SettingsControls: the controls are found by name in the
// window's registry, their texts converted between the core's code-page bytes and Qt's strings.
//
// QLineEdit, QComboBox, QCheckBox and QLabel are controls; any other component is not (Has is
// false). A label's and a check box's text is its caption; item index and items belong to drop-down
// boxes only. Visible and Enabled report the control's own state (shown or hidden, enabled or
// disabled by itself), not whether a hidden page or a disabled tab hides or greys it out.
//
// Where a widget cannot follow the rules of SettingsControls by itself, this class keeps the rest:
// - A drop-down box without items whose list was never set here holds any index >= -1 beside the
//   widget (a Qt box without items has no index); once the box has items its own index counts.
// - A text whose bytes the code page cannot show (an undefined byte of the unit's memory) reads
//   back as the very bytes set for as long as the widget shows the text they were shown as, so a
//   read-edit-save cycle keeps names nobody touched.
// What stays different from InMemoryControls:
// - QLineEdit keeps its maximum length: a longer text set here is cut to it (decoded texts never
//   exceed their field, which is the edit's maximum).
// - A drop-down box must be editable to hold a free text: on a box that is not, SetText does
//   nothing and SetItems leaves no text.
// Controls must be children of a page: making a parentless widget visible would open a window.
class WidgetSettingsControls : public SettingsControls {
public:
    WidgetSettingsControls(const ComponentRegistry& registry, const TextCodec& codec);

    bool Has(std::string_view name) const override;
    std::string Text(std::string_view name) const override;
    void SetText(std::string_view name, std::string_view text) override;
    int ItemIndex(std::string_view name) const override;
    void SetItemIndex(std::string_view name, int index) override;
    std::vector<std::string> Items(std::string_view name) const override;
    void SetItems(std::string_view name, std::vector<std::string> items) override;
    bool Checked(std::string_view name) const override;
    void SetChecked(std::string_view name, bool checked) override;
    bool Visible(std::string_view name) const override;
    void SetVisible(std::string_view name, bool visible) override;
    bool Enabled(std::string_view name) const override;
    void SetEnabled(std::string_view name, bool enabled) override;

private:
    // Bytes set as a widget's text and the text they were shown as.
    struct HeldText {
        QPointer<QObject> widget;
        QString shown;
        std::string bytes;
    };
    // What a drop-down box without items remembers: whether its list was set, and its index.
    struct BoxState {
        QPointer<QObject> widget;
        bool itemsSet = false;
        int heldIndex = -1;
    };

    QWidget* Control(std::string_view name) const;
    std::string BytesOf(const QWidget* widget, const QString& shown) const;
    QString Show(QWidget* widget, std::string_view bytes);  // held from then on
    void Forget(const QWidget* widget);
    BoxState* StateOf(const QComboBox* box);
    const BoxState* StateOf(const QComboBox* box) const;

    const ComponentRegistry& m_registry;
    const TextCodec& m_codec;
    std::unordered_map<const QObject*, HeldText> m_heldTexts;
    std::unordered_map<const QObject*, BoxState> m_boxes;
};

// Forwards what the user does on the settings pages to the binding, and nothing that code does:
// a choice in a drop-down box (activated, by mouse, keyboard or wheel), typing and pasting into
// an edit or a box's text (textEdited), typed characters (which the binding may refuse: the key
// is then eaten) and clicks of check boxes. Covers every control of the settings map the
// registry holds when it is created; drop-down boxes must be editable by then. Lives as long as
// its parent (usually the window); the connections end with it.
class SettingsUserActions : public QObject {
    Q_OBJECT

public:
    SettingsUserActions(const ComponentRegistry& registry, SettingsBinding& binding,
                        const TextCodec& codec, QObject* parent = nullptr);

    // How many controls are connected.
    std::size_t ConnectedCount() const { return m_connected; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WatchKeys(QObject* object, const std::string& name);
    std::string ToBytes(const QString& text) const;

    SettingsBinding& m_binding;
    const TextCodec& m_codec;
    std::unordered_map<const QObject*, std::string> m_keyNames;  // watched object -> control
    std::size_t m_connected = 0;
};

}  // namespace carecfg
