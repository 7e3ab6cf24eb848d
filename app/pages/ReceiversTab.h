#pragma once

#include <QWidget>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/pages/MapControls.h"
#include "app/pages/WindowPage.h"

class QCheckBox;
class QGroupBox;
class QLabel;

namespace carecfg {

// Tab TabSheet4: the device ID, the alarm receivers' numbers with their report flags, the SIM
// number, the time group and the power-loss report.
class ReceiversTab : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Renames the grid's check boxes after the captions now shown and keeps the longest word of
    // every column caption visible.
    void Relayout() override;

private:
    // Each builds one group of the tab into `parent` and returns it for the tab's layout.
    QGroupBox* BuildIdentityGroup(QWidget* parent);  // GroupBox1: device ID and SIM number
    QGroupBox* BuildTimeGroup(QWidget* parent);      // GroupBox39: hour and minute
    QGroupBox* BuildReceiverGrid(QWidget* parent);   // GroupBox2: numbers and report flags
    QGroupBox* BuildPowerGroup(QWidget* parent);     // GroupBox22: DC-loss delay, hidden output

    // One check box of the receiver grid and the captions that name it.
    struct GridCell {
        QCheckBox* box;
        QLabel* row;
        QLabel* column;
    };
    std::vector<GridCell> m_cells;
    std::vector<QLabel*> m_columnCaptions;  // the report types' captions, kept unclipped
    QLabel* m_dcLossTail = nullptr;         // the words behind the DC-loss minutes
};

}  // namespace carecfg
