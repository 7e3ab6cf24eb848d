#include "app/pages/RecordPage.h"
#include "app/pages/GridLineDelegate.h"
#include "app/pages/RegionButtons.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <functional>

#include "app/ComponentRegistry.h"
#include "app/FileDialogs.h"
#include "base/AtomicFile.h"
#include "base/Csv.h"
#include "image/BlockTransfer.h"
#include "image/ImageFiles.h"
#include "link/LinkSession.h"
#include "records/RecordDecoders.h"
#include "records/RecordViews.h"

namespace carecfg {

namespace {

constexpr int kPageMargin = 8;
constexpr int kButtonSpacing = 8;
constexpr int kButtonMinWidth = 110;
constexpr int kButtonHeight = 28;
// Columns past the number column are at least this much wider than their widest text.
constexpr int kColumnPadding = 12;
constexpr const char* kStateNameList = "ComboBox39";

// Item data: the number a numeric column sorts by, and the row's place in the decode, which
// orders rows whose sort texts are equal.
constexpr int kSortNumberRole = Qt::UserRole;
constexpr int kDecodeOrderRole = Qt::UserRole + 1;

// The list columns that hold numbers: the row number, and the call value of the call lists.
bool IsNumericColumn(RegionId region, int column) {
    const bool calls = region == RegionId::DialOutRecord || region == RegionId::IncomingRecord;
    return column == 0 || (calls && column == 2);
}

// A list row that sorts numeric columns by number and every other column by its text without
// regard to letter case; equal values keep the order of the decode.
class RecordItem : public QTreeWidgetItem {
public:
    RecordItem() : QTreeWidgetItem(UserType) {}

    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, kSortNumberRole);
        const QVariant b = other.data(column, kSortNumberRole);
        if (a.isValid() && b.isValid()) {
            if (a.toLongLong() != b.toLongLong()) {
                return a.toLongLong() < b.toLongLong();
            }
        } else if (const int c = text(column).compare(other.text(column), Qt::CaseInsensitive);
                   c != 0) {
            return c < 0;
        }
        return data(0, kDecodeOrderRole).toInt() < other.data(0, kDecodeOrderRole).toInt();
    }
};

// The caption of the navigation button that shows the sheet ("Alarm Record" ...): the name a
// screen reader gives the page's list. Empty when the sheet is not in the notebook.
QString NavigationCaption(const ComponentRegistry& registry, QWidget& sheet) {
    auto* notebook = qobject_cast<QStackedWidget*>(sheet.parentWidget());
    const int page = notebook != nullptr ? notebook->indexOf(&sheet) : -1;
    if (page < 0) {
        return {};
    }
    for (const Component& c : registry.Components()) {
        auto* button = qobject_cast<QToolButton*>(c.object.data());
        if (button != nullptr && button->property("pageTag").toInt() == page + 1) {
            return button->text().simplified();
        }
    }
    return {};
}

// Runs a button's work; a failure it did not handle itself leaves the window usable.
void Guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception&) {
    }
}

}  // namespace

RecordPage::RecordPage(PageContext& context, QWidget& sheet, const RecordPageRow& row)
    : WindowPage(context, sheet), m_row(row) {
    for (const int width : m_row.columnWidths) {
        m_columns += width > 0 ? 1 : 0;
    }
}

void RecordPage::Build() {
    auto* column = new QVBoxLayout(&m_sheet);
    column->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    column->setSpacing(kPageMargin);
    BuildList();
    column->addWidget(m_list, 1);
    column->addLayout(BuildButtons());
    if (m_row.region == RegionId::ArmedRecord) {
        // The names of the arming states; its items come from the catalogue.
        m_stateNames =
            m_context.registry.Add(new QComboBox(&m_sheet), QString::fromLatin1(kStateNameList));
        m_stateNames->setVisible(false);
    }

    const RegionId region = m_row.region;
    m_context.transfer.SetDecoder(region,
                                  [this](const DeviceImage& image) { return Refill(image); });
    m_context.recordViews.Add(
        region, [this](const DeviceImage& image) { return Refill(image); }, [this] { Empty(); });
}

void RecordPage::BuildList() {
    m_list = m_context.registry.Add(new QTreeWidget(&m_sheet), QString::fromLatin1(m_row.list));
    m_list->setColumnCount(m_columns);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setItemDelegate(new GridLineDelegate(m_list));
    m_list->setFocusPolicy(Qt::StrongFocus);
    for (int i = 0; i < m_columns; ++i) {
        m_list->setColumnWidth(i, m_row.columnWidths[static_cast<std::size_t>(i)]);
        if (IsNumericColumn(m_row.region, i)) {
            m_list->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    QHeaderView* header = m_list->header();
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setSortIndicatorShown(true);
    // Shown as decoded: by row number, ascending. A click on another header sorts ascending by
    // it, a second click on the same header reverses.
    header->setSortIndicator(0, Qt::AscendingOrder);
    m_list->setSortingEnabled(true);

    const QString name = NavigationCaption(m_context.registry, m_sheet);
    if (!name.isEmpty()) {
        m_list->setAccessibleName(name);
    }
    m_exportAction = new QAction(m_context.MessageString("CsvExport"), m_list);
    m_exportAction->setObjectName(QString::fromLatin1(m_row.list) + QStringLiteral("Csv"));
    m_list->addAction(m_exportAction);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(m_exportAction, &QAction::triggered, m_list,
                     [this] { Guarded([this] { ExportCsv(); }); });
}

QHBoxLayout* RecordPage::BuildButtons() {
    struct Button {
        const char* name;
        const char* caption;  // until the catalogue's text arrives
        void (RecordPage::*action)();
    };
    const Button buttons[] = {
        {m_row.readButton, "Read", &RecordPage::Read},
        {m_row.clearButton, "Clear", &RecordPage::Clear},
        {m_row.saveButton, "Save to File", &RecordPage::SaveToFile},
        {m_row.loadButton, "Load from File", &RecordPage::LoadFromFile},
    };
    auto* row = new QHBoxLayout;
    row->setSpacing(kButtonSpacing);
    for (const Button& b : buttons) {
        const QString name = QString::fromLatin1(b.name);
        const QString caption = QString::fromLatin1(b.caption);
        QAbstractButton* button = nullptr;
        if (name.startsWith(QLatin1String("SpeedButton"))) {
            auto* tool = m_context.registry.Add(new QToolButton(&m_sheet), name);
            tool->setText(caption);
            tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
            tool->setFocusPolicy(Qt::StrongFocus);
            button = tool;
        } else {
            button = m_context.registry.Add(new QPushButton(caption, &m_sheet), name);
        }
        button->setMinimumSize(kButtonMinWidth, kButtonHeight);
        row->addWidget(button);
        QObject::connect(button, &QAbstractButton::clicked, &m_sheet, [this, action = b.action] {
            Guarded([this, action] { (this->*action)(); });
        });
    }
    row->addStretch(1);
    return row;
}

// ---------------------------------------------------------------------------------------------
// Buttons.

void RecordPage::Read() {
    // The transfer erases the area and resets the progress display as this page's read does.
    m_context.transfer.ReadRegion(m_row.region);
}

void RecordPage::Clear() {
    Empty();
    RegionButtons(m_context, m_row.region).Clear();
}

void RecordPage::SaveToFile() {
    RegionButtons(m_context, m_row.region).SaveToChosenFile();
}

void RecordPage::LoadFromFile() {
    RegionButtons(m_context, m_row.region).LoadFromChosenFile([this](const DeviceImage& image) {
        return Refill(image);
    });
}

void RecordPage::ExportCsv() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SaveCsv);
    if (!file) {
        return;
    }
    std::vector<std::string> header;
    for (int i = 0; i < m_columns; ++i) {
        header.push_back(m_list->headerItem()->text(i).toStdString());
    }
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(m_list->topLevelItemCount()));
    for (int r = 0; r < m_list->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = m_list->topLevelItem(r);
        std::vector<std::string>& fields = rows.emplace_back();
        for (int i = 0; i < m_columns; ++i) {
            fields.push_back(item->text(i).toStdString());
        }
    }
    const std::string csv = CsvDocument(header, rows);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(csv.data());
    if (!WriteFileAtomically(*file, std::span<const std::uint8_t>(bytes, csv.size()))) {
        m_context.notices.ShowMessage("M35");
    }
}

// ---------------------------------------------------------------------------------------------
// Filling the list.

std::vector<std::string> RecordPage::ArmedStateNames() const {
    std::vector<std::string> names;
    if (m_stateNames != nullptr) {
        for (int i = 0; i < m_stateNames->count(); ++i) {
            names.push_back(m_stateNames->itemText(i).toStdString());
        }
    }
    return names;
}

bool RecordPage::Refill(const DeviceImage& image) {
    const RecordDecode decode = DecodeRecordRegion(
        image, m_row.region, RecordTextSource{m_context.codec, ArmedStateNames()});
    Empty();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(decode.rows.size()));
    int order = 0;
    for (const RecordRow& row : decode.rows) {
        auto* item = new RecordItem;
        const std::string* texts[] = {&row.number, &row.stamp, &row.third, &row.fourth};
        for (int i = 0; i < m_columns; ++i) {
            const QString text = QString::fromStdString(*texts[i]);
            item->setText(i, text);
            bool isNumber = false;
            const qlonglong number = text.toLongLong(&isNumber);
            if (IsNumericColumn(m_row.region, i)) {
                item->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
                if (isNumber) {
                    item->setData(i, kSortNumberRole, number);
                }
            }
        }
        item->setData(0, kDecodeOrderRole, order++);
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    FitColumnsToContents();
    return decode.ok;
}

void RecordPage::Empty() {
    m_list->clear();
}

// Widens a column whose texts would be cut at its designed width; the last column fills the
// rest of the list. Columns are never made narrower, so a width the user chose stays.
void RecordPage::FitColumnsToContents() {
    for (int i = 0; i + 1 < m_columns; ++i) {
        const int width = m_list->columnWidth(i);
        m_list->resizeColumnToContents(i);
        m_list->setColumnWidth(i, std::max(width, m_list->columnWidth(i) + kColumnPadding));
    }
}

}  // namespace carecfg
