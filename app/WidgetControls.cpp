#include "app/WidgetControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

#include <algorithm>

#include "app/ComponentRegistry.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsMap.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

QString NameOf(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString TextOfWidget(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    if (const auto* box = qobject_cast<const QComboBox*>(widget)) {
        return box->currentText();
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
        return check->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    return {};
}

void SetTextOfWidget(QWidget* widget, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
    } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
        if (box->isEditable()) {
            box->setEditText(text);
        }
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        check->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    }
}

// A key press that types text: printable characters, or a backspace (the port filter takes it).
// Tab, Return, Escape, Delete and shortcuts with Ctrl carry control characters and pass on.
bool TypesText(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    if (text == QStringLiteral("\b")) {
        return true;
    }
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

}  // namespace

// ---- WidgetSettingsControls ----

WidgetSettingsControls::WidgetSettingsControls(const ComponentRegistry& registry,
                                               const TextCodec& codec)
    : m_registry(registry), m_codec(codec) {}

QWidget* WidgetSettingsControls::Control(std::string_view name) const {
    QObject* object = m_registry.Find(NameOf(name));
    if (qobject_cast<QLineEdit*>(object) || qobject_cast<QComboBox*>(object) ||
        qobject_cast<QCheckBox*>(object) || qobject_cast<QLabel*>(object)) {
        return static_cast<QWidget*>(object);
    }
    return nullptr;
}

std::string WidgetSettingsControls::BytesOf(const QWidget* widget, const QString& shown) const {
    const auto held = m_heldTexts.find(widget);
    if (held != m_heldTexts.end() && held->second.widget.data() == widget &&
        held->second.shown == shown) {
        return held->second.bytes;
    }
    const QByteArray utf8 = shown.toUtf8();
    return m_codec.FromUtf8(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString WidgetSettingsControls::Show(QWidget* widget, std::string_view bytes) {
    const QString shown = QString::fromStdString(m_codec.ToUtf8(bytes));
    SetTextOfWidget(widget, shown);
    // The widget may refuse or cut the text (a box that is not editable, a maximum length).
    if (TextOfWidget(widget) == shown) {
        m_heldTexts[widget] = HeldText{widget, shown, std::string(bytes)};
    } else {
        Forget(widget);
    }
    return shown;
}

void WidgetSettingsControls::Forget(const QWidget* widget) {
    m_heldTexts.erase(widget);
}

WidgetSettingsControls::BoxState* WidgetSettingsControls::StateOf(const QComboBox* box) {
    BoxState& state = m_boxes[box];
    if (state.widget.data() != box) {
        // New, or left behind by a destroyed box at the same address.
        state = BoxState{const_cast<QComboBox*>(box), false, -1};
    }
    return &state;
}

const WidgetSettingsControls::BoxState* WidgetSettingsControls::StateOf(
    const QComboBox* box) const {
    const auto it = m_boxes.find(box);
    if (it == m_boxes.end() || it->second.widget.data() != box) {
        return nullptr;
    }
    return &it->second;
}

bool WidgetSettingsControls::Has(std::string_view name) const {
    return Control(name) != nullptr;
}

std::string WidgetSettingsControls::Text(std::string_view name) const {
    const QWidget* widget = Control(name);
    return widget ? BytesOf(widget, TextOfWidget(widget)) : std::string();
}

void WidgetSettingsControls::SetText(std::string_view name, std::string_view text) {
    if (QWidget* widget = Control(name)) {
        Show(widget, text);
    }
}

int WidgetSettingsControls::ItemIndex(std::string_view name) const {
    const auto* box = qobject_cast<const QComboBox*>(Control(name));
    if (!box) {
        return -1;
    }
    if (box->count() > 0) {
        return box->currentIndex();
    }
    const BoxState* state = StateOf(box);
    return state && !state->itemsSet ? state->heldIndex : -1;
}

void WidgetSettingsControls::SetItemIndex(std::string_view name, int index) {
    auto* box = qobject_cast<QComboBox*>(Control(name));
    if (!box) {
        return;
    }
    if (box->count() == 0) {
        BoxState* state = StateOf(box);
        if (!state->itemsSet) {
            state->heldIndex = std::max(index, -1);  // no list yet: the index as given
            return;
        }
    }
    Forget(box);
    if (index < 0 || index >= box->count()) {
        box->setCurrentIndex(-1);
        if (box->isEditable()) {
            box->setEditText(QString());
        }
        return;
    }
    box->setCurrentIndex(index);
    // Selecting the item already selected leaves a text typed since; the item's text replaces it.
    if (box->isEditable() && box->currentText() != box->itemText(index)) {
        box->setEditText(box->itemText(index));
    }
}

std::vector<std::string> WidgetSettingsControls::Items(std::string_view name) const {
    std::vector<std::string> items;
    const auto* box = qobject_cast<const QComboBox*>(Control(name));
    if (!box) {
        return items;
    }
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i) {
        const QByteArray utf8 = box->itemText(i).toUtf8();
        items.push_back(m_codec.FromUtf8(
            std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
    }
    return items;
}

void WidgetSettingsControls::SetItems(std::string_view name, std::vector<std::string> items) {
    auto* box = qobject_cast<QComboBox*>(Control(name));
    if (!box) {
        return;
    }
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items) {
        list.push_back(QString::fromStdString(m_codec.ToUtf8(item)));
    }
    // Qt empties the text with the old list and selects the first item of a new one; the text
    // stays and nothing is selected.
    const QString text = box->currentText();
    box->clear();
    box->addItems(list);
    box->setCurrentIndex(-1);
    if (box->isEditable()) {
        box->setEditText(text);
    }
    StateOf(box)->itemsSet = true;
}

bool WidgetSettingsControls::Checked(std::string_view name) const {
    const auto* check = qobject_cast<const QCheckBox*>(Control(name));
    return check && check->isChecked();
}

void WidgetSettingsControls::SetChecked(std::string_view name, bool checked) {
    if (auto* check = qobject_cast<QCheckBox*>(Control(name))) {
        check->setChecked(checked);
    }
}

bool WidgetSettingsControls::Visible(std::string_view name) const {
    const QWidget* widget = Control(name);
    // Hidden only when hidden itself: a widget is created hidden until its window shows.
    return widget && !(widget->testAttribute(Qt::WA_WState_ExplicitShowHide) &&
                       widget->testAttribute(Qt::WA_WState_Hidden));
}

void WidgetSettingsControls::SetVisible(std::string_view name, bool visible) {
    if (QWidget* widget = Control(name)) {
        widget->setVisible(visible);
    }
}

bool WidgetSettingsControls::Enabled(std::string_view name) const {
    const QWidget* widget = Control(name);
    // Disabled only when disabled itself, not because its tab or page is.
    return widget && !widget->testAttribute(Qt::WA_ForceDisabled);
}

void WidgetSettingsControls::SetEnabled(std::string_view name, bool enabled) {
    if (QWidget* widget = Control(name)) {
        widget->setEnabled(enabled);
    }
}

// ---- SettingsUserActions ----

SettingsUserActions::SettingsUserActions(const ComponentRegistry& registry,
                                         SettingsBinding& binding, const TextCodec& codec,
                                         QObject* parent)
    : QObject(parent), m_binding(binding), m_codec(codec) {
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        QObject* object = registry.Find(QString::fromStdString(info.name));
        const std::string name = info.name;
        if (auto* box = qobject_cast<QComboBox*>(object)) {
            connect(box, &QComboBox::activated, this,
                    [this, name](int index) { m_binding.UserChoseItem(name, index); });
            if (QLineEdit* edit = box->lineEdit()) {
                connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
                    m_binding.UserEditedText(name, ToBytes(text));
                });
            }
            // The box holds the focus for its line edit and hands the keys on to it.
            WatchKeys(box, name);
        } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
                m_binding.UserEditedText(name, ToBytes(text));
            });
            WatchKeys(edit, name);
        } else if (auto* check = qobject_cast<QCheckBox*>(object)) {
            connect(check, &QCheckBox::clicked, this,
                    [this, name] { m_binding.UserClickedCheck(name); });
        } else {
            continue;
        }
        ++m_connected;
    }
}

void SettingsUserActions::WatchKeys(QObject* object, const std::string& name) {
    object->installEventFilter(this);
    m_keyNames[object] = name;
    connect(object, &QObject::destroyed, this, [this](QObject* gone) { m_keyNames.erase(gone); });
}

std::string SettingsUserActions::ToBytes(const QString& text) const {
    const QByteArray utf8 = text.toUtf8();
    return m_codec.FromUtf8(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

bool SettingsUserActions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto it = m_keyNames.find(watched);
    if (it == m_keyNames.end()) {
        return false;
    }
    const QString text = static_cast<const QKeyEvent*>(event)->text();
    if (!TypesText(text)) {
        return false;
    }
    // A character the code page writes as several bytes is refused if any byte is.
    const std::string name = it->second;  // the binding may change the controls meanwhile
    for (const char c : ToBytes(text)) {
        if (!m_binding.UserKeyPress(name, c)) {
            return true;  // eaten
        }
    }
    return false;
}

}  // namespace carecfg
