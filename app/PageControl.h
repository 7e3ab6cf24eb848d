#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace carecfg {

// A tab bar whose tabs all share one width set by the window (0: each tab as wide as its text).
class FixedWidthTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit FixedWidthTabBar(QWidget* parent = nullptr) : QTabBar(parent) {}
    void SetTabWidth(int width);
    int TabWidth() const { return m_tabWidth; }

protected:
    QSize tabSizeHint(int index) const override;

private:
    int m_tabWidth = 0;
};

// A tab control whose pages are tab sheets and whose tabs share one width.
class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    void SetTabWidth(int width) { m_bar->SetTabWidth(width); }
    int TabWidth() const { return m_bar->TabWidth(); }

private:
    FixedWidthTabBar* m_bar;
};

}  // namespace carecfg
