#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>

#include <vector>

namespace carecfg {

// A status bar of fixed-width text panels laid out from the left, numbered from 0.
class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    void AddPanel(int width);
    int PanelCount() const { return static_cast<int>(m_panels.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);  // out-of-range indexes are ignored
    int PanelWidth(int index) const;
    int PanelRight(int index) const;  // x of the right edge of a panel

    // Keeps `widget` from the right edge of panel `afterPanel` to the right edge of the bar,
    // `topOffset` pixels below the bar's top and as high as the bar, on every resize.
    void PlaceOver(QWidget* widget, int afterPanel, int topOffset);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutPanels();

    std::vector<QLabel*> m_panels;
    std::vector<int> m_widths;
    QWidget* m_overlay = nullptr;
    int m_overlayAfter = 0;
    int m_overlayTop = 0;
};

}  // namespace carecfg
