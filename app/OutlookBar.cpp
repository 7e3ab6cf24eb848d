#include "app/OutlookBar.h"

#include <QStyle>

namespace carecfg {

TOutlookBar::TOutlookBar(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1);
    setAttribute(Qt::WA_StyledBackground, true);
}

void TOutlookBar::AddHeading(QWidget* panel, const QString& caption) {
    auto* heading = new QPushButton(caption, this);
    heading->setProperty("outlookHeading", true);
    heading->setFocusPolicy(Qt::TabFocus);
    heading->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const int index = Count();
    connect(heading, &QPushButton::clicked, this, [this, index] { SetCurrentIndex(index); });
    panel->setParent(this);
    m_layout->addWidget(heading);
    m_layout->addWidget(panel, 1);
    m_headings.push_back(heading);
    m_panels.push_back(panel);
    if (m_current < 0) {
        m_current = index;
    } else {
        panel->hide();
    }
}

QWidget* TOutlookBar::Panel(int index) const {
    return index >= 0 && index < Count() ? m_panels[index] : nullptr;
}

QPushButton* TOutlookBar::Heading(int index) const {
    return index >= 0 && index < Count() ? m_headings[index] : nullptr;
}

void TOutlookBar::SetCurrentIndex(int index) {
    if (index < 0 || index >= Count()) {
        return;
    }
    m_current = index;
    for (int i = 0; i < Count(); ++i) {
        m_panels[i]->setVisible(i == index);
        m_headings[i]->setProperty("open", i == index);
        m_headings[i]->style()->unpolish(m_headings[i]);
        m_headings[i]->style()->polish(m_headings[i]);
    }
}

int TOutlookBar::IndexOf(const QWidget* descendant) const {
    for (int i = 0; i < Count(); ++i) {
        if (m_panels[i] == descendant || m_panels[i]->isAncestorOf(descendant)) {
            return i;
        }
    }
    return -1;
}

}  // namespace carecfg
