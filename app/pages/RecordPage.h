#pragma once

#include <string>
#include <vector>

#include "app/pages/WindowPage.h"
#include "records/RecordPages.h"

class QAction;
class QComboBox;
class QHBoxLayout;
class QTreeWidget;

namespace carecfg {

// One history or message page (notebook pages 4 to 9): the list of its region's rows above the
// read, clear, save and load buttons. The list is only ever filled from the device image: when
// the region's last block has arrived, after its file was loaded, or by "Load Record". A click
// on a column header sorts by that column; the list's context menu exports what it shows as CSV.
class RecordPage : public WindowPage {
public:
    RecordPage(PageContext& context, QWidget& sheet, const RecordPageRow& row);

    void Build() override;

    // The page's buttons. Every failure is shown as a message key; none leaves the page unusable.
    void Read();          // erases the area and reads it from the unit
    void Clear();         // empties the list and the area, asks the unit to clear it, never resent
    void SaveToFile();    // the area's bytes into a file chosen in SaveDialog1; "M35" on failure
    void LoadFromFile();  // the area from a file chosen in OpenDialog1, then decoded; "M34"
    void ExportCsv();     // the shown rows, sorted as shown, into a CSV file; "M35" on failure

    // Fills the list with the rows decoded from the image's area; false when the decode failed,
    // in which case the rows decoded until then are shown.
    bool Refill(const DeviceImage& image);
    void Empty();

    const RecordPageRow& Row() const { return m_row; }
    QTreeWidget* List() const { return m_list; }
    QAction* ExportAction() const { return m_exportAction; }

private:
    void BuildList();
    QHBoxLayout* BuildButtons();
    std::vector<std::string> ArmedStateNames() const;
    void FitColumnsToContents();

    const RecordPageRow& m_row;
    int m_columns = 0;
    QTreeWidget* m_list = nullptr;
    QAction* m_exportAction = nullptr;
    QComboBox* m_stateNames = nullptr;  // ComboBox39 on the armed page, never shown
};

}  // namespace carecfg
