#include "app/PageControl.h"

#include <algorithm>

namespace carecfg {

void FixedWidthTabBar::SetTabWidth(int width) {
    width = std::max(width, 0);
    if (width == m_tabWidth) {
        return;
    }
    m_tabWidth = width;
    // Tab sizes are cached by the bar; changing the font-independent width needs a relayout.
    setIconSize(iconSize());
    updateGeometry();
    update();
}

QSize FixedWidthTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    if (m_tabWidth > 0) {
        size.setWidth(m_tabWidth);
    }
    return size;
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), m_bar(new FixedWidthTabBar) {
    setTabBar(m_bar);
}

}  // namespace carecfg
