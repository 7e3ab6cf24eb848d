#include "app/CaptionApplier.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "app/ChartTitles.h"
#include "app/ComponentHint.h"
#include "app/ComponentRegistry.h"
#include "app/StatusBar.h"
#include "text/IniParse.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

// A number range longer than this is cut to its first numbers: no usable drop-down list is
// longer, and a range such as -2147483648..2147483647 would otherwise exhaust the memory.
constexpr std::int64_t kMaxRangeItems = 10000;

// Section FORM of a catalogue.
class CatalogFormEntries : public FormEntries {
public:
    explicit CatalogFormEntries(const TextCatalog& catalog) : m_catalog(catalog) {}
    std::optional<std::string> Find(std::string_view key) const override {
        return m_catalog.Lookup("FORM", key);
    }

private:
    const TextCatalog& m_catalog;
};

// A list value: every "|" separates two items; like any list of lines, a separator at the very
// end closes the last item instead of opening an empty one ("a|b|" gives a and b, "|" one empty
// item).
QStringList SplitItems(const QString& text) {
    QStringList items = text.split(QLatin1Char('|'));
    if (items.size() > 1 && items.back().isEmpty()) {
        items.pop_back();
    }
    return items;
}

QStringList NumberItems(int min, int max) {
    QStringList items;
    const std::int64_t count =
        std::min<std::int64_t>(std::int64_t{max} - std::int64_t{min} + 1, kMaxRangeItems);
    for (std::int64_t i = 0; i < count; ++i) {
        items.append(QString::number(std::int64_t{min} + i));
    }
    return items;
}

// Where a tab sheet's caption lives: its tab in the tab widget that holds it.
std::pair<QTabWidget*, int> TabOf(QWidget& sheet) {
    for (QObject* up = sheet.parent(); up != nullptr; up = up->parent()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
            const int index = tabs->indexOf(&sheet);
            if (index >= 0) {
                return {tabs, index};
            }
        }
    }
    return {nullptr, -1};
}

// The application of the FORM entries to one component, by the rules of its kind.
class ComponentTexts {
public:
    ComponentTexts(const Component& component, const FormEntries& entries, const TextCodec& codec)
        : m_component(component),
          m_entries(entries),
          m_codec(codec),
          m_prefix(component.name.toStdString() + ".") {}

    bool Apply() {
        QObject* object = m_component.object.data();
        if (object == nullptr) {
            return false;
        }
        switch (m_component.kind) {
            case ComponentKind::Label:
            case ComponentKind::CheckBox:
            case ComponentKind::TabSheet:
            case ComponentKind::PushButton:
            case ComponentKind::SpeedButton:
                return ApplyCaption(*object) && ApplyHint(*object);
            case ComponentKind::ListView:
                return ApplyColumns(*object) && ApplyHint(*object);
            case ComponentKind::StatusBar:
                return ApplyPanels(*object);
            case ComponentKind::GroupBox:
                return ApplyCaption(*object);
            case ComponentKind::DropDownList:
                return ApplyDropDown(*object);
            case ComponentKind::Chart:
                return ApplyChart(*object);
            case ComponentKind::Other:
                // Whatever offers chart titles is a chart; other classes receive nothing.
                return dynamic_cast<ChartTitles*>(object) == nullptr || ApplyChart(*object);
            case ComponentKind::Edit:
                return ApplyEditText(*object) && ApplyHint(*object);
            case ComponentKind::MaskedEdit:
            case ComponentKind::RichText:
            case ComponentKind::Theme:
                return true;
        }
        return true;
    }

private:
    std::optional<std::string> Raw(std::string_view property) const {
        return m_entries.Find(m_prefix + std::string(property));
    }
    std::optional<QString> Text(std::string_view property) const {
        const auto raw = Raw(property);
        if (!raw) {
            return std::nullopt;
        }
        return QString::fromStdString(m_codec.ToUtf8(*raw));
    }
    // A yes/no value (a whole number, 0 = no); nothing when absent or unreadable.
    std::optional<bool> YesNo(std::string_view property) const {
        const auto raw = Raw(property);
        if (!raw) {
            return std::nullopt;
        }
        const auto number = ParseIniInteger(*raw);
        if (!number) {
            return std::nullopt;
        }
        return *number != 0;
    }

    // ".Caption" of a label, check box, tab sheet, button or group box.
    bool ApplyCaption(QObject& object) const {
        const auto caption = Text("Caption");
        if (m_component.kind == ComponentKind::TabSheet) {
            auto* sheet = qobject_cast<QWidget*>(&object);
            const auto [tabs, index] = sheet ? TabOf(*sheet) : std::pair<QTabWidget*, int>{};
            if (tabs == nullptr) {
                return false;  // a sheet outside any tab widget has no caption to set
            }
            if (caption) {
                tabs->setTabText(index, *caption);
            }
            return true;
        }
        if (auto* label = qobject_cast<QLabel*>(&object)) {
            if (caption) {
                label->setText(*caption);
            }
            return true;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
            if (caption) {
                button->setText(*caption);
            }
            return true;
        }
        if (auto* group = qobject_cast<QGroupBox*>(&object)) {
            if (caption) {
                group->setTitle(*caption);
            }
            return true;
        }
        return false;
    }

    // ".Hint", then ".ShowHint".
    bool ApplyHint(QObject& object) const {
        auto* widget = qobject_cast<QWidget*>(&object);
        if (widget == nullptr) {
            return false;
        }
        ComponentHint hint(*widget);
        if (const auto text = Text("Hint")) {
            hint.SetText(*text);
        }
        if (const auto shown = YesNo("ShowHint")) {
            hint.SetShown(*shown);
        }
        return true;
    }

    // ".Columns[i].Caption" for exactly the columns the list has.
    bool ApplyColumns(QObject& object) const {
        auto* view = qobject_cast<QAbstractItemView*>(&object);
        QAbstractItemModel* model = view ? view->model() : nullptr;
        if (model == nullptr) {
            return false;
        }
        const int columns = model->columnCount(view->rootIndex());
        for (int i = 0; i < columns; ++i) {
            const auto caption = Text("Columns[" + std::to_string(i) + "].Caption");
            if (caption && !model->setHeaderData(i, Qt::Horizontal, *caption)) {
                return false;
            }
        }
        return true;
    }

    // ".Panels[i].text" for exactly the panels the bar has.
    bool ApplyPanels(QObject& object) const {
        auto* bar = qobject_cast<TStatusBar*>(&object);
        if (bar == nullptr) {
            return false;  // a plain status bar has no panels
        }
        for (int i = 0; i < bar->PanelCount(); ++i) {
            if (const auto text = Text("Panels[" + std::to_string(i) + "].text")) {
                bar->SetPanelText(i, *text);
            }
        }
        return true;
    }

    bool ApplyEditText(QObject& object) const {
        auto* edit = qobject_cast<QLineEdit*>(&object);
        if (edit == nullptr) {
            return false;
        }
        if (const auto text = Text("Text")) {
            edit->setText(*text);
        }
        return true;
    }

    bool ApplyChart(QObject& object) const {
        auto* chart = dynamic_cast<ChartTitles*>(&object);
        if (chart == nullptr) {
            return false;
        }
        if (const auto title = Text("LeftAxis.Title.Caption")) {
            chart->SetLeftAxisTitle(*title);
        }
        if (const auto title = Text("BottomAxis.Title.Caption")) {
            chart->SetBottomAxisTitle(*title);
        }
        for (int i = 0; i < 2; ++i) {
            if (i >= chart->SeriesCount()) {
                return false;  // no such series: the work ends here
            }
            if (const auto title = Text("Series[" + std::to_string(i) + "].Title")) {
                chart->SetSeriesTitle(i, *title);
            }
        }
        return true;
    }

    // The item list, a number range, the displayed text, the hint and the first item, in this
    // order.
    bool ApplyDropDown(QObject& object) const {
        auto* box = qobject_cast<QComboBox*>(&object);
        if (box == nullptr) {
            return false;
        }
        // The displayed text survives a replaced list (the rule of ".text" keeps it by default).
        const QString shown = box->currentText();
        bool replaced = false;
        if (const auto items = Text("Items.Text"); items && !items->isEmpty()) {
            ReplaceItems(*box, SplitItems(*items));
            replaced = true;
        }
        const auto min = Raw("Items.Textmin");
        const auto max = Raw("Items.Textmax");
        if (min && !min->empty() && max && !max->empty()) {
            const int low = ParseIniInteger(*min).value_or(0);
            const int high = ParseIniInteger(*max).value_or(0);
            const QStringList numbers = high >= low ? NumberItems(low, high) : QStringList();
            ReplaceItems(*box, numbers);
            replaced = true;
        }
        const auto text = Text("text");
        if (text || replaced) {
            ShowText(*box, text.value_or(shown));
        }
        if (!ApplyHint(*box)) {
            return false;
        }
        const auto first = Text("Items.TextX");
        if (first && !first->isEmpty() && box->count() > 0) {
            box->setItemText(0, *first);
            box->setCurrentIndex(0);
            if (box->isEditable()) {
                box->setEditText(*first);
            }
        }
        return true;
    }

    // A new list has no item chosen until the displayed text, the first-item rule or the
    // settings choose one.
    static void ReplaceItems(QComboBox& box, const QStringList& items) {
        box.clear();
        box.addItems(items);
        box.setCurrentIndex(-1);
    }

    // An editable box shows any text. A box that only offers its items shows the first item
    // with that text, or nothing when no item has it.
    static void ShowText(QComboBox& box, const QString& text) {
        if (box.isEditable()) {
            if (box.currentText() != text) {
                box.setEditText(text);
            }
            return;
        }
        if (box.currentIndex() >= 0 && box.currentText() == text) {
            return;
        }
        box.setCurrentIndex(text.isEmpty() ? -1 : box.findText(text, Qt::MatchExactly));
    }

    const Component& m_component;
    const FormEntries& m_entries;
    const TextCodec& m_codec;
    std::string m_prefix;
};

// The queued work of one application of the catalogue: one component per pass of the event
// loop, in the visiting order, then `done`. It belongs to the window and ends with it.
class CaptionApplier : public QObject {
public:
    CaptionApplier(QWidget& window, const ComponentRegistry& registry, const FormEntries& entries,
                   std::unique_ptr<FormEntries> owned, const TextCodec& codec,
                   std::function<void()> done)
        : QObject(&window),
          m_components(registry.Components()),
          m_order(CaptionVisitOrder(m_components.size())),
          m_owned(std::move(owned)),
          m_entries(entries),
          m_codec(codec),
          m_done(std::move(done)) {
        m_timer.setInterval(0);  // fires on every pass of the event loop
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Step(); });
        m_timer.start();
    }

private:
    void Step() {
        if (m_next < m_order.size()) {
            // A failure ends the work on this component only.
            ApplyFormEntriesToComponent(m_components[m_order[m_next++]], m_entries, m_codec);
            return;
        }
        // Stopped before `done`: a dialog it opens runs the event loop again.
        m_timer.stop();
        const std::function<void()> done = std::move(m_done);
        deleteLater();
        if (done) {
            done();
        }
    }

    std::vector<Component> m_components;  // as registered when the work began
    std::vector<std::size_t> m_order;
    std::size_t m_next = 0;
    std::unique_ptr<FormEntries> m_owned;  // the catalogue's adapter, when made here
    const FormEntries& m_entries;
    TextCodec m_codec;
    std::function<void()> m_done;
    QTimer m_timer;
};

}  // namespace

std::vector<std::size_t> CaptionVisitOrder(std::size_t count) {
    std::vector<std::size_t> order;
    const auto n = static_cast<std::int64_t>(count);
    const std::int64_t k = (n - 1) / 2;  // truncated: 0 for an empty list
    for (std::int64_t i = 0; i <= k + 1; ++i) {
        for (const std::int64_t index : {i, n - 1 - i}) {
            if (index >= 0 && index < n) {
                order.push_back(static_cast<std::size_t>(index));
            }
        }
    }
    return order;
}

bool ApplyFormEntriesToComponent(const Component& component, const FormEntries& entries,
                                 const TextCodec& codec) {
    try {
        return ComponentTexts(component, entries, codec).Apply();
    } catch (...) {
        return false;
    }
}

namespace {

void Start(QWidget& window, const ComponentRegistry& registry, const FormEntries& entries,
           std::unique_ptr<FormEntries> owned, const TextCodec& codec, std::function<void()> done) {
    const auto title = entries.Find("frm_mainset.caption");
    window.setWindowTitle(title ? QString::fromStdString(codec.ToUtf8(*title)) : QString());
    new CaptionApplier(window, registry, entries, std::move(owned), codec, std::move(done));
}

}  // namespace

void ApplyFormEntries(QWidget& window, const ComponentRegistry& registry,
                      const FormEntries& entries, const TextCodec& codec,
                      std::function<void()> done) {
    Start(window, registry, entries, nullptr, codec, std::move(done));
}

void ApplyCatalogToForm(QWidget& window, const ComponentRegistry& registry,
                        const TextCatalog& catalog, const TextCodec& codec,
                        std::function<void()> done) {
    auto entries = std::make_unique<CatalogFormEntries>(catalog);
    const FormEntries& view = *entries;
    Start(window, registry, view, std::move(entries), codec, std::move(done));
}

}  // namespace carecfg
