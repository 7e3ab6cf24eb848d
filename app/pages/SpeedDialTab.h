#pragma once

#include "app/pages/WindowPage.h"

class QLabel;

namespace carecfg {

// Tab TabSheet5: the four speed-dial numbers beside the picture of the unit's keys.
class SpeedDialTab : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;

private:
    // Puts the picture of the unit's four keys into Image1.
    static void ShowKeys(QLabel& image);
};

}  // namespace carecfg
