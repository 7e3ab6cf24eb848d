#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QWidget;

namespace carecfg {

// Names controls for screen readers. Most take their accessible name; a drop-down box is spoken
// on Linux by its value and by the labels that name it, so each box gets a hidden label as its
// buddy. Those labels are made only while an assistive technology listens (at once, or when one
// starts later): a page with hundreds of boxes does not pay for them otherwise. The labels are
// no components, so the catalogue does not reach them.
class SpokenNames : public QObject {
public:
    explicit SpokenNames(QWidget& owner);
    ~SpokenNames() override;

    // Gives the control its spoken name.
    void Name(QWidget* control, const QString& spoken);

    // Number of hidden labels made so far (for tests).
    int LabelCount() const { return m_labelCount; }
    // Makes the hidden labels now, as when a screen reader starts.
    void MakeLabels();

private:
    void MakeLabel(QWidget* box, const QString& spoken);

    std::unique_ptr<QAccessible::ActivationObserver> m_watch;
    std::vector<std::pair<QPointer<QWidget>, QString>> m_boxes;
    bool m_labelsMade = false;
    int m_labelCount = 0;
};

}  // namespace carecfg
