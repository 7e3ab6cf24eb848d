#pragma once

#include <memory>
#include <vector>

#include "app/pages/WindowPage.h"

class QGroupBox;

namespace carecfg {

class TPageControl;

// Page 1: the tab control PageControl4 with the basic settings tabs of BasicSettingsTabs(); it
// passes the login state and decoded regions on to every tab.
class BasicSettingsPage : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;
    void LoginStateChanged(bool on) override;
    void RegionDecoded(RegionId region) override;
    // The five tabs share the width of the group box.
    void Relayout() override;

    // The first tab object of the given class, or nullptr.
    template <class Tab>
    Tab* FindTab() const {
        for (const auto& tab : m_tabs) {
            if (auto* t = dynamic_cast<Tab*>(tab.get())) {
                return t;
            }
        }
        return nullptr;
    }

private:
    QGroupBox* m_group = nullptr;
    TPageControl* m_pageControl4 = nullptr;
    std::vector<std::unique_ptr<WindowPage>> m_tabs;
};

}  // namespace carecfg
