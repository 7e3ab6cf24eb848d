#pragma once

#include <vector>

#include "app/pages/WindowPage.h"

class QBoxLayout;
class QScrollArea;
class QWidget;

namespace carecfg {

// Page 2: the arming settings (GroupBox40) and the list of the unit's 33 zones, one row per zone
// under a head of column captions that stays in view while the rows scroll.
class SecuritySettingsPage : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    // Fits the head of the zone list to its captions, which the catalogue may have reworded.
    void Relayout() override;

private:
    class ControlFactory;

    void BuildArmingGroup(ControlFactory& controls, QBoxLayout& page);
    void BuildZoneList(ControlFactory& controls, QBoxLayout& page);
    QWidget* BuildZoneHead(ControlFactory& controls);
    void BuildZoneRow(ControlFactory& controls, int zone, QBoxLayout& rows);

    QScrollArea* m_head = nullptr;   // the zone list's captions, scrolled along with the rows
    QWidget* m_blockHead = nullptr;  // the block captions, shown while any row shows its blocks
    std::vector<QWidget*> m_blockTitles;  // every zone's block title labels, in zone order
};

}  // namespace carecfg
