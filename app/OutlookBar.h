#pragma once

#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

namespace carecfg {

// A navigation bar of headings, each opening its panel of buttons; exactly one panel is open,
// and the headings after it sit at the bottom of the bar.
class TOutlookBar : public QWidget {
    Q_OBJECT
public:
    explicit TOutlookBar(QWidget* parent = nullptr);

    void AddHeading(QWidget* panel, const QString& caption);
    int Count() const { return static_cast<int>(m_panels.size()); }
    QWidget* Panel(int index) const;
    QPushButton* Heading(int index) const;
    int CurrentIndex() const { return m_current; }
    void SetCurrentIndex(int index);               // out-of-range indexes are ignored
    int IndexOf(const QWidget* descendant) const;  // panel holding the widget, or -1

private:
    QVBoxLayout* m_layout;
    std::vector<QWidget*> m_panels;
    std::vector<QPushButton*> m_headings;
    int m_current = -1;
};

}  // namespace carecfg
