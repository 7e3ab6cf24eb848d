#pragma once

#include <QString>

#include <vector>

#include "app/pages/WindowPage.h"

class QComboBox;
class QLabel;
class QWidget;

namespace carecfg {

// Tab TabSheet1: the report servers, ports, resend times, APN, timers and email settings.
class ServerTab : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Renames the controls whose spoken name joins two captions, after the captions changed, and
    // names each box's typing field as the box.
    void Relayout() override;

private:
    // A control named by the caption of its row and a caption (or fixed word) of its own.
    struct RowPartName {
        QWidget* control;
        QLabel* row;
        QString rowNumber;  // tells two rows of the same caption apart; may be empty
        QLabel* part;       // the caption beside the control, or null
        QString fixedPart;  // used when there is no caption beside the control
    };

    std::vector<RowPartName> m_rowPartNames;
    std::vector<QComboBox*> m_boxes;  // every drop-down box of the tab
};

}  // namespace carecfg
