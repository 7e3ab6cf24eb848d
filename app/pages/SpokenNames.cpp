#include "app/pages/SpokenNames.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>

#include <algorithm>

namespace carecfg {

namespace {

// Tells every SpokenNames object when assistive technology starts listening. Qt keeps the
// observers in a list of its own; each object adds and removes itself.
class ActivationWatch : public QAccessible::ActivationObserver {
public:
    explicit ActivationWatch(SpokenNames& names) : m_names(names) {
        QAccessible::installActivationObserver(this);
    }
    ~ActivationWatch() override { QAccessible::removeActivationObserver(this); }
    ActivationWatch(const ActivationWatch&) = delete;
    ActivationWatch& operator=(const ActivationWatch&) = delete;

    void accessibilityActiveChanged(bool active) override {
        if (active) {
            m_names.MakeLabels();
        }
    }

private:
    SpokenNames& m_names;
};

}  // namespace

SpokenNames::SpokenNames(QWidget& owner)
    : QObject(&owner), m_watch(std::make_unique<ActivationWatch>(*this)) {}

SpokenNames::~SpokenNames() = default;

void SpokenNames::Name(QWidget* control, const QString& spoken) {
    if (control == nullptr) {
        return;
    }
    control->setAccessibleName(spoken);
    if (qobject_cast<QComboBox*>(control) == nullptr) {
        return;
    }
    if (m_labelsMade) {
        MakeLabel(control, spoken);
    } else {
        m_boxes.emplace_back(control, spoken);
    }
    if (QAccessible::isActive()) {
        MakeLabels();
    }
}

void SpokenNames::MakeLabels() {
    m_labelsMade = true;
    for (const auto& [box, spoken] : m_boxes) {
        if (box != nullptr) {
            MakeLabel(box, spoken);
        }
    }
    m_boxes.clear();
}

void SpokenNames::MakeLabel(QWidget* box, const QString& spoken) {
    auto* label = new QLabel(spoken, box->parentWidget());
    label->setHidden(true);
    label->setBuddy(box);
    ++m_labelCount;
}

}  // namespace carecfg
