#include "app/StatusBar.h"

namespace carecfg {

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {}

void TStatusBar::AddPanel(int width) {
    auto* panel = new QLabel(this);
    panel->setObjectName(QStringLiteral("%1_panel%2").arg(objectName()).arg(m_panels.size()));
    panel->setProperty("statusPanel", true);
    panel->setTextFormat(Qt::PlainText);
    m_panels.push_back(panel);
    m_widths.push_back(width);
    LayoutPanels();
}

QString TStatusBar::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) {
        return {};
    }
    return m_panels[index]->text();
}

void TStatusBar::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= PanelCount()) {
        return;
    }
    m_panels[index]->setText(text);
}

int TStatusBar::PanelWidth(int index) const {
    if (index < 0 || index >= PanelCount()) {
        return 0;
    }
    return m_widths[index];
}

int TStatusBar::PanelRight(int index) const {
    int x = 0;
    for (int i = 0; i <= index && i < PanelCount(); ++i) {
        x += m_widths[i];
    }
    return x;
}

void TStatusBar::PlaceOver(QWidget* widget, int afterPanel, int topOffset) {
    m_overlay = widget;
    m_overlayAfter = afterPanel;
    m_overlayTop = topOffset;
    LayoutPanels();
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    LayoutPanels();
}

void TStatusBar::LayoutPanels() {
    int x = 0;
    for (int i = 0; i < PanelCount(); ++i) {
        m_panels[i]->setGeometry(x, 0, m_widths[i], height());
        x += m_widths[i];
    }
    if (m_overlay != nullptr) {
        const int left = PanelRight(m_overlayAfter);
        m_overlay->setGeometry(left, m_overlayTop, std::max(width() - left, 0), height());
        m_overlay->raise();
    }
}

}  // namespace carecfg
