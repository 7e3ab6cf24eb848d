#pragma once

#include <QString>

#include <vector>

#include "app/pages/WindowPage.h"

class QComboBox;
class QLabel;
class QWidget;

namespace carecfg {

// Tab TabSheet6: the five alarming clocks, one row each: type, hour, minute, interval in seconds
// and how many times the clock alerts.
class AlarmClockTab : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Renames the controls whose spoken name joins two captions, after the captions changed, and
    // names each box's typing field as the box.
    void Relayout() override;

private:
    // A clock's box named by its row's caption and the caption (and unit) beside the box.
    struct RowPartName {
        QWidget* control;
        QLabel* row;
        QLabel* part;
        QLabel* unit;  // null where the value has no unit caption
    };

    std::vector<RowPartName> m_rowPartNames;
    std::vector<QComboBox*> m_boxes;  // every drop-down box of the tab
};

}  // namespace carecfg
