#pragma once

#include "app/pages/WindowPage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace carecfg {

// Page 0: the title, the clock, the port selection with its state, the port button and the
// clock and login buttons. The connection controller gives the buttons their work.
class HomePage : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Title, clock, port row and button row placed for the group box's width.
    void Relayout() override;
    // Label326 := the current local date and time.
    void ShowClock();

private:
    QGroupBox* m_group = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_clock = nullptr;
    QLabel* m_portLabel = nullptr;
    QComboBox* m_cboxCom = nullptr;
    QLabel* m_portState = nullptr;
    QToolButton* m_portButton = nullptr;
    QPushButton* m_button3 = nullptr;
    QPushButton* m_button4 = nullptr;
};

}  // namespace carecfg
