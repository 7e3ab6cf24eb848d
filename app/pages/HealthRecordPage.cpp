#include "app/pages/HealthRecordPage.h"
#include "app/pages/GridLineDelegate.h"
#include "app/pages/RegionButtons.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <functional>

#include "app/ComponentRegistry.h"
#include "app/FileDialogs.h"
#include "app/HealthChartView.h"
#include "app/HealthReport.h"
#include "app/HealthReportBuilder.h"
#include "base/AtomicFile.h"
#include "base/Csv.h"
#include "health/HealthDecoders.h"
#include "health/HealthNumbers.h"
#include "health/HealthSummary.h"
#include "health/HealthTime.h"
#include "image/BlockTransfer.h"
#include "image/ImageFiles.h"
#include "link/LinkSession.h"
#include "records/RecordViews.h"
#include "text/TextCatalog.h"

namespace carecfg {

namespace {

constexpr int kPageMargin = 8;
constexpr int kSpacing = 8;
constexpr int kChartSpacing = 2;
constexpr int kButtonMinWidth = 110;
constexpr int kButtonHeight = 28;
constexpr int kCellPadding = 4;
// Room beside a column header's text.
constexpr int kHeaderPadding = 12;
// Size of one chart in an exported picture.
constexpr int kPictureWidth = 960;
constexpr int kPictureHeight = 320;

// Runs a command; a failure it did not handle itself leaves the window usable.
void Guarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception&) {
    }
}

bool WriteBytes(const std::filesystem::path& path, const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return WriteFileAtomically(
        path, std::span<const std::uint8_t>(data, static_cast<std::size_t>(bytes.size())));
}

// A value text of a list ("16,0 kPa") as a plain number for a CSV file ("16.0").
std::string PlainNumber(const std::string& shown, char separator) {
    std::string number = shown.substr(0, shown.find(' '));
    std::replace(number.begin(), number.end(), separator, '.');
    return number;
}

}  // namespace

const std::vector<HealthPageRow>& HealthPageRows() {
    static const std::vector<HealthPageRow> rows = {
        {"BloodPage",
         RegionId::BloodPressure,
         {"ListView7", "ListView8"},
         {"Chart1", "Chart2", "Chart3"},
         {"ScrollBar1", "ScrollBar2", "ScrollBar3"},
         "Button37",
         "Button38",
         "Button39",
         "Button54",
         {36, 100, 49, 49, 36},
         "HealthBloodName"},
        {"GlucosePage",
         RegionId::Glucose,
         {"ListView9", "ListView10"},
         {"Chart4"},
         {"ScrollBar4"},
         "Button40",
         "Button41",
         "Button42",
         "Button55",
         {40, 120, 60},
         "HealthGlucoseName"},
        {"WeightPage",
         RegionId::Weight,
         {"ListView11", "ListView12"},
         {"Chart5"},
         {"ScrollBar5"},
         "Button43",
         "Button44",
         "Button45",
         "Button56",
         {40, 120, 60},
         "HealthWeightName"},
    };
    return rows;
}

const HealthPageRow* HealthPageRowFor(RegionId region) {
    for (const HealthPageRow& row : HealthPageRows()) {
        if (row.region == region) {
            return &row;
        }
    }
    return nullptr;
}

HealthRecordPage::HealthRecordPage(PageContext& context, QWidget& sheet, const HealthPageRow& row)
    : WindowPage(context, sheet),
      m_row(row),
      m_page(std::make_unique<HealthPage>(NewHealthPage(row.region))) {}

HealthRecordPage::~HealthRecordPage() = default;

void HealthRecordPage::Build() {
    auto* column = new QVBoxLayout(&m_sheet);
    column->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    column->setSpacing(kSpacing);
    auto* content = new QHBoxLayout;
    content->setSpacing(kSpacing);
    content->addWidget(BuildLists());
    content->addWidget(BuildCharts(), 1);
    column->addLayout(content, 1);
    auto* buttons = new QHBoxLayout;
    BuildButtons(*buttons);
    column->addLayout(buttons);
    BuildMenus();

    const RegionId region = m_row.region;
    m_context.transfer.SetDecoder(region,
                                  [this](const DeviceImage& image) { return Refill(image); });
    m_context.recordViews.Add(
        region, [this](const DeviceImage& image) { return Refill(image); }, [this] { Empty(); });
    ShowPage();
}

QWidget* HealthRecordPage::BuildLists() {
    m_listColumn = new QWidget(&m_sheet);
    auto* lists = new QVBoxLayout(m_listColumn);
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setSpacing(kSpacing);
    const int columns = static_cast<int>(m_row.columnWidths.size());
    for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
        auto* list = m_context.registry.Add(new QTreeWidget(m_listColumn),
                                            QString::fromLatin1(m_row.lists[bank]));
        list->setColumnCount(columns);
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setAllColumnsShowFocus(true);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setItemDelegate(new GridLineDelegate(list));
        list->setFocusPolicy(Qt::StrongFocus);
        list->header()->setSectionsMovable(false);
        list->header()->setStretchLastSection(false);
        for (int i = 0; i < columns; ++i) {
            list->setColumnWidth(i, m_row.columnWidths[static_cast<std::size_t>(i)]);
            if (i != 1) {
                list->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        lists->addWidget(list, 1);
        m_lists[bank] = list;
    }
    return m_listColumn;
}

QWidget* HealthRecordPage::BuildCharts() {
    auto* area = new QWidget(&m_sheet);
    auto* charts = new QVBoxLayout(area);
    charts->setContentsMargins(0, 0, 0, 0);
    charts->setSpacing(kChartSpacing);
    for (std::size_t i = 0; i < m_row.charts.size(); ++i) {
        auto* chart =
            m_context.registry.Add(new HealthChartView(area), QString::fromLatin1(m_row.charts[i]));
        auto* scroll = m_context.registry.Add(new QScrollBar(Qt::Horizontal, area),
                                              QString::fromLatin1(m_row.scrollBars[i]));
        // Arrow and page steps move the window one day.
        scroll->setSingleStep(1);
        scroll->setPageStep(1);
        scroll->setRange(0, 0);
        scroll->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(scroll, &QScrollBar::valueChanged, area,
                         [this, i](int position) { Guarded([&] { Scrolled(i, position); }); });
        charts->addWidget(chart, 1);
        charts->addWidget(scroll);
        if (i + 1 < m_row.charts.size()) {
            charts->addSpacing(kSpacing - kChartSpacing);
        }
        m_charts.push_back(chart);
        m_scrollBars.push_back(scroll);
    }
    return area;
}

void HealthRecordPage::BuildButtons(QBoxLayout& row) {
    struct Button {
        const char* name;
        const char* caption;  // until the catalogue's text arrives
        void (HealthRecordPage::*action)();
    };
    const Button buttons[] = {
        {m_row.readButton, "Read Record", &HealthRecordPage::Read},
        {m_row.clearButton, "Clear", &HealthRecordPage::Clear},
        {m_row.exportButton, "Export Record", &HealthRecordPage::ExportFile},
        {m_row.loadButton, "Load Record", &HealthRecordPage::LoadFile},
    };
    row.setSpacing(kSpacing);
    for (const Button& b : buttons) {
        auto* button = m_context.registry.Add(
            new QPushButton(QString::fromLatin1(b.caption), &m_sheet), QString::fromLatin1(b.name));
        button->setMinimumSize(kButtonMinWidth, kButtonHeight);
        row.addWidget(button);
        QObject::connect(button, &QAbstractButton::clicked, &m_sheet, [this, action = b.action] {
            Guarded([this, action] { (this->*action)(); });
        });
    }
    row.addStretch(1);
}

// The same three commands on every list and chart: CSV of the readings, PNG of the charts (a
// list's menu takes all charts of the page, a chart's menu that chart) and the PDF report.
void HealthRecordPage::BuildMenus() {
    const QString sheet = QString::fromLatin1(m_row.sheet);
    auto makeAction = [&](const char* key, const QString& name, std::function<void()> work) {
        auto* action = new QAction(m_context.MessageString(key), &m_sheet);
        action->setObjectName(name);
        QObject::connect(action, &QAction::triggered, &m_sheet,
                         [work = std::move(work)] { Guarded(work); });
        return action;
    };
    m_csvAction =
        makeAction("HealthCsvExport", sheet + QStringLiteral("Csv"), [this] { ExportCsv(); });
    m_pagePngAction = makeAction("HealthPngExport", sheet + QStringLiteral("Png"),
                                 [this] { ExportPng(m_charts); });
    m_pdfAction =
        makeAction("HealthPdfReport", sheet + QStringLiteral("Pdf"), [this] { ExportReport(); });
    for (QTreeWidget* list : m_lists) {
        list->addActions({m_csvAction, m_pagePngAction, m_pdfAction});
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    for (HealthChartView* chart : m_charts) {
        QAction* png = makeAction("HealthPngExport", chart->objectName() + QStringLiteral("Png"),
                                  [this, chart] { ExportPng({chart}); });
        chart->addActions({m_csvAction, png, m_pdfAction});
        chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
}

// Accessible names from the texts the catalogue gave, and the lists' widths for their columns.
void HealthRecordPage::Relayout() {
    const QString page = m_context.MessageString(m_row.nameKey);
    for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
        m_lists[bank]->setAccessibleName(
            QStringLiteral("%1, %2").arg(page, BankName(static_cast<int>(bank))));
    }
    for (std::size_t i = 0; i < m_charts.size(); ++i) {
        m_charts[i]->setAccessibleDescription(m_context.MessageString("HealthChartDescription"));
        m_scrollBars[i]->setAccessibleName(FillPlaceholders(
            m_context.MessageString("HealthDaysShown"), {m_charts[i]->accessibleName()}));
    }
    FitLists();
}

// ---------------------------------------------------------------------------------------------
// Buttons.

void HealthRecordPage::Read() {
    // The transfer erases the region and restarts the progress display as this button does; the
    // page keeps what it shows until the region's last block has arrived.
    m_context.transfer.ReadRegion(m_row.region);
}

void HealthRecordPage::Clear() {
    Empty();
    RegionButtons(m_context, m_row.region).Clear();
}

void HealthRecordPage::ExportFile() {
    RegionButtons(m_context, m_row.region).SaveToChosenFile();
}

void HealthRecordPage::LoadFile() {
    RegionButtons(m_context, m_row.region).LoadFromChosenFile([this](const DeviceImage& image) {
        return Refill(image);
    });
}

// ---------------------------------------------------------------------------------------------
// Context menu.

void HealthRecordPage::ExportCsv() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SaveCsv);
    if (!file) {
        return;
    }
    const QTreeWidgetItem* header = m_lists[0]->headerItem();
    std::vector<std::string> columns = {m_context.MessageString("HealthBank").toStdString(),
                                        header->text(0).toStdString(),
                                        header->text(1).toStdString()};
    for (std::size_t q = 0; q < m_page->charts.size(); ++q) {
        columns.push_back(QuantityTitle(q).toStdString());
    }
    const char separator = TextCatalog::UserDecimalSeparator();
    std::vector<std::vector<std::string>> rows;
    for (std::size_t bank = 0; bank < m_page->banks.size(); ++bank) {
        const std::string name = BankName(static_cast<int>(bank)).toStdString();
        for (const HealthRow& row : m_page->banks[bank]) {
            std::vector<std::string>& fields = rows.emplace_back();
            fields = {name, row.number, row.time};
            for (const std::string& value : row.values) {
                fields.push_back(PlainNumber(value, separator));
            }
        }
    }
    const std::string csv = CsvDocument(columns, rows);
    if (!WriteBytes(*file, QByteArray(csv.data(), static_cast<qsizetype>(csv.size())))) {
        m_context.notices.ShowMessage("M35");
    }
}

void HealthRecordPage::ExportPng(const std::vector<HealthChartView*>& charts) {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SavePng);
    if (!file) {
        return;
    }
    QImage picture(kPictureWidth, kPictureHeight * static_cast<int>(charts.size()),
                   QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        charts[i]->Render(painter, QRectF(0, kPictureHeight * static_cast<qreal>(i), kPictureWidth,
                                          kPictureHeight));
    }
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    const bool encoded = buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG");
    if (!encoded || !WriteBytes(*file, bytes)) {
        m_context.notices.ShowMessage("M35");
    }
}

void HealthRecordPage::ExportReport() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SavePdf);
    if (!file) {
        return;
    }
    if (!WriteHealthReport(BuildHealthReport(*m_page, ReportSources()), *file)) {
        m_context.notices.ShowMessage("M35");
    }
}

// ---------------------------------------------------------------------------------------------
// Filling the page.

std::array<std::string, 2> HealthRecordPage::UnitLabels() const {
    std::array<std::string, 2> labels;
    const auto* box = m_context.registry.Find<QComboBox>(QString::fromUtf8(
        HealthLayoutOf(m_row.region)->unitSelector.data(),
        static_cast<qsizetype>(HealthLayoutOf(m_row.region)->unitSelector.size())));
    if (box != nullptr) {
        for (int i = 0; i < 2 && i < box->count(); ++i) {
            labels[static_cast<std::size_t>(i)] = box->itemText(i).toStdString();
        }
    }
    return labels;
}

bool HealthRecordPage::Refill(const DeviceImage& image) {
    const std::array<std::string, 2> labels = UnitLabels();
    const CatalogHealthNumbers numbers(m_context.catalog);
    const HealthSources sources{labels, numbers, TextCatalog::UserDecimalSeparator()};
    const bool decoded = DecodeHealthRegion(image, sources, *m_page);
    m_unit = QString::fromStdString(labels[m_page->alternativeUnit ? 1 : 0]);
    ShowPage();
    return decoded;
}

void HealthRecordPage::Empty() {
    EmptyHealthPage(*m_page);
    ShowPage();
}

void HealthRecordPage::ShowPage() {
    for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
        FillList(static_cast<int>(bank));
    }
    for (std::size_t i = 0; i < m_charts.size() && i < m_page->charts.size(); ++i) {
        const HealthChartModel& model = m_page->charts[i].model;
        ShowHealthChart(*m_charts[i], *m_page, i, m_unit);
        const QSignalBlocker quiet(m_scrollBars[i]);
        m_scrollBars[i]->setRange(0, model.scroll.maximum);
        m_scrollBars[i]->setValue(model.scroll.position);
    }
    FitLists();
}

void HealthRecordPage::FillList(int bank) {
    QTreeWidget* list = m_lists[static_cast<std::size_t>(bank)];
    list->clear();
    const std::vector<HealthRow>& rows = m_page->banks[static_cast<std::size_t>(bank)];
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const HealthRow& row : rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromStdString(row.number));
        item->setText(1, QString::fromStdString(row.time));
        for (std::size_t v = 0; v < row.values.size(); ++v) {
            item->setText(static_cast<int>(v) + 2, QString::fromStdString(row.values[v]));
        }
        for (int c = 0; c < list->columnCount(); ++c) {
            if (c != 1) {
                item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        items.append(item);
    }
    list->addTopLevelItems(items);
}

// Widens a column whose texts or header would be cut at its designed width (never narrower than
// that), and makes the column of lists as wide as their columns.
void HealthRecordPage::FitLists() {
    int width = 0;
    for (QTreeWidget* list : m_lists) {
        const QFontMetrics header(list->header()->font());
        int total = 0;
        for (int i = 0; i < list->columnCount(); ++i) {
            const int designed = m_row.columnWidths[static_cast<std::size_t>(i)];
            const int texts =
                std::max(static_cast<const QAbstractItemView*>(list)->sizeHintForColumn(i),
                         header.horizontalAdvance(list->headerItem()->text(i)) + kHeaderPadding);
            list->setColumnWidth(i, std::max(designed, texts + kCellPadding));
            total += list->columnWidth(i);
        }
        const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
        width = std::max(width, total + scrollBar + 2 * list->frameWidth() + 2);
    }
    m_listColumn->setFixedWidth(width);
}

void HealthRecordPage::Scrolled(std::size_t chart, int position) {
    if (chart >= m_page->charts.size()) {
        return;
    }
    HealthChartModel& model = m_page->charts[chart].model;
    ScrollHealthChart(model, position);
    m_charts[chart]->ShowTimeWindow(model);
}

// What the report and the texts of the page's exports are made of besides the decoded page.
HealthReportSources HealthRecordPage::ReportSources() const {
    HealthReportSources sources;
    sources.nameKey = m_row.nameKey;
    sources.text = [this](const char* key) { return m_context.MessageString(key); };
    sources.decimalSeparator = TextCatalog::UserDecimalSeparator();
    sources.unit = m_unit;
    sources.charts.assign(m_charts.begin(), m_charts.end());
    for (std::size_t bank = 0; bank < m_lists.size(); ++bank) {
        const QTreeWidget* list = m_lists[bank];
        for (int c = 0; c < list->columnCount(); ++c) {
            sources.listHeaders[bank].append(list->headerItem()->text(c));
        }
    }
    return sources;
}

QString HealthRecordPage::BankName(int bank) const {
    return HealthBankName(ReportSources(), bank);
}

QString HealthRecordPage::QuantityTitle(std::size_t quantity) const {
    return HealthQuantityTitle(*m_page, ReportSources(), quantity);
}

}  // namespace carecfg
