#include "app/pages/BasicSettingsPage.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include "app/ComponentRegistry.h"
#include "app/HomeLayout.h"
#include "app/PageControl.h"
#include "app/pages/PageTable.h"
#include "app/pages/ResizeWatcher.h"

namespace carecfg {

void BasicSettingsPage::Build() {
    ComponentRegistry& reg = m_context.registry;
    m_group = reg.AddTheme(new QGroupBox(&m_sheet), QStringLiteral("TeGroupBox2"));
    m_group->setProperty(kFillParentProperty, true);
    auto* layout = new QVBoxLayout(m_group);
    layout->setContentsMargins(8, 8, 8, 8);

    m_pageControl4 = reg.Add(new TPageControl(m_group), QStringLiteral("PageControl4"));
    layout->addWidget(m_pageControl4);
    for (const TabRow& row : BasicSettingsTabs()) {
        auto* sheet = reg.AddTabSheet(new QWidget, QString::fromLatin1(row.name));
        m_pageControl4->addTab(sheet, QString::fromLatin1(row.caption));
        auto tab = row.make(m_context, *sheet);
        tab->Build();
        m_tabs.push_back(std::move(tab));
    }
    new ResizeWatcher(m_group, [this] { Relayout(); });
}

void BasicSettingsPage::LoginStateChanged(bool on) {
    for (const auto& tab : m_tabs) {
        tab->LoginStateChanged(on);
    }
}

void BasicSettingsPage::RegionDecoded(RegionId region) {
    for (const auto& tab : m_tabs) {
        tab->RegionDecoded(region);
    }
}

void BasicSettingsPage::Relayout() {
    if (m_pageControl4 == nullptr) {
        return;
    }
    m_pageControl4->SetTabWidth(SettingsTabWidth(m_group->width()));
    for (const auto& tab : m_tabs) {
        tab->Relayout();
    }
}

}  // namespace carecfg
