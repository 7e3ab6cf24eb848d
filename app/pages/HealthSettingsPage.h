#pragma once

#include <vector>

#include "app/pages/WindowPage.h"

class QGridLayout;
class QVBoxLayout;
class QLabel;

namespace carecfg {

// Page 3: the temperature thresholds, the temperature alarm and upload delays (GroupBox43), and
// per health quantity its unit selector and high and low threshold boxes (GroupBox45).
class HealthSettingsPage : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Names the threshold boxes again and realigns the groups after their captions changed.
    void Relayout() override;

private:
    // A control named by the captions of its row and its column (or described by the caption
    // that follows it), so a screen reader speaks what the control is for.
    struct CaptionedControl {
        QWidget* control;
        std::vector<const QLabel*> nameParts;  // joined into the accessible name; may be empty
        QLabel* nameLabel;                     // hidden label naming the control, or null
        const QLabel* description;             // caption behind the control, or null
    };

    void BuildTemperatureGroup(QWidget& parent, QVBoxLayout& column);
    void BuildThresholdGroup(QWidget& parent, QVBoxLayout& column);
    void NameControls();
    // Gives the caption columns of both groups the width of the widest row caption, so the
    // boxes of the two groups start at one edge.
    void AlignBoxColumns();

    std::vector<CaptionedControl> m_captioned;
    std::vector<QLabel*> m_rowCaptions;  // first column of both groups
    QGridLayout* m_temperatureGrid = nullptr;
    QGridLayout* m_thresholdGrid = nullptr;
};

}  // namespace carecfg
