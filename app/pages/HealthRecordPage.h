#pragma once

#include <QString>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/pages/WindowPage.h"

class QAction;
class QBoxLayout;
class QScrollBar;
class QTreeWidget;
class QWidget;

namespace carecfg {

class HealthChartView;
struct HealthPage;
struct HealthReportSources;

// One health page of the window, declared as data: its sheet, region, the lists of its two
// banks, its charts with the scroll bar below each, its four buttons, the widths of the list
// columns, and the catalogue key of the page's name.
struct HealthPageRow {
    const char* sheet;
    RegionId region;
    std::array<const char*, 2> lists;
    std::vector<const char*> charts;
    std::vector<const char*> scrollBars;
    const char* readButton;
    const char* clearButton;
    const char* exportButton;
    const char* loadButton;
    std::vector<int> columnWidths;
    const char* nameKey;  // MESSAGE key: "Blood pressure" ...
};

// The blood-pressure, glucose and weight pages, in page order (notebook pages 10 to 12).
const std::vector<HealthPageRow>& HealthPageRows();
// The row of the page showing the region, or nullptr.
const HealthPageRow* HealthPageRowFor(RegionId region);

// One health page: the lists of bank 1 and bank 2 at the left, the page's charts stacked at the
// right, each above the scroll bar that moves its ten-day window by whole days, and the read,
// clear, export and load buttons below. Lists and charts are only ever filled from the device
// image: when the region's last block has arrived, after its file was loaded, or by "Load
// Record". The context menu of the lists and charts exports the readings as CSV, the charts as
// a PNG picture and a report for the doctor as PDF.
class HealthRecordPage : public WindowPage {
public:
    HealthRecordPage(PageContext& context, QWidget& sheet, const HealthPageRow& row);
    ~HealthRecordPage() override;

    void Build() override;
    void Relayout() override;

    // The page's buttons. Every failure is shown as a message key; none leaves the page unusable.
    void Read();        // erases the region and reads it from the unit
    void Clear();       // empties lists and charts and the region, asks the unit once to clear it
    void ExportFile();  // the region's bytes into a file chosen in SaveDialog1; "M35" on failure
    void LoadFile();    // the region from a file chosen in OpenDialog1, then decoded; "M34"
    // The context menu's commands; "M35" when the file cannot be written.
    void ExportCsv();  // both banks: time and values, units in the column headers
    void ExportPng(const std::vector<HealthChartView*>& charts);  // stacked in one picture
    void ExportReport();                                          // PDF on A4 pages

    // Rebuilds lists and charts from the image's region; false when the decode failed, in which
    // case what was decoded until then is shown.
    bool Refill(const DeviceImage& image);
    // Empties the lists and the series of the charts; axes and scroll bars stay as they are.
    void Empty();

    const HealthPageRow& Row() const { return m_row; }
    QTreeWidget* List(int bank) const { return m_lists[static_cast<std::size_t>(bank)]; }
    const std::vector<HealthChartView*>& Charts() const { return m_charts; }
    const std::vector<QScrollBar*>& ScrollBars() const { return m_scrollBars; }
    QAction* CsvAction() const { return m_csvAction; }
    QAction* PdfAction() const { return m_pdfAction; }
    QAction* PagePngAction() const { return m_pagePngAction; }  // in the lists' menu

private:
    QWidget* BuildLists();
    QWidget* BuildCharts();
    void BuildButtons(QBoxLayout& row);
    void BuildMenus();
    void ShowPage();
    void FillList(int bank);
    void FitLists();
    void Scrolled(std::size_t chart, int position);
    HealthReportSources ReportSources() const;
    QString BankName(int bank) const;
    QString QuantityTitle(std::size_t quantity) const;
    std::array<std::string, 2> UnitLabels() const;

    const HealthPageRow& m_row;
    std::unique_ptr<HealthPage> m_page;
    QString m_unit;  // the unit label of the last decode
    QWidget* m_listColumn = nullptr;
    std::array<QTreeWidget*, 2> m_lists{};
    std::vector<HealthChartView*> m_charts;
    std::vector<QScrollBar*> m_scrollBars;
    QAction* m_csvAction = nullptr;
    QAction* m_pdfAction = nullptr;
    QAction* m_pagePngAction = nullptr;
};

}  // namespace carecfg
