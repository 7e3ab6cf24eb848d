#include "app/ComponentHint.h"

#include <QTabWidget>
#include <QVariant>
#include <QWidget>

namespace carecfg {

QString ComponentHint::Text() const {
    const QVariant stored = m_widget.property(kTextProperty);
    return stored.isValid() ? stored.toString() : m_widget.toolTip();
}

bool ComponentHint::Shown() const {
    const QVariant stored = m_widget.property(kShownProperty);
    return stored.isValid() ? stored.toBool() : true;
}

void ComponentHint::SetText(const QString& text) {
    m_widget.setProperty(kTextProperty, text);
    ShowTooltip(text, Shown());
}

void ComponentHint::SetShown(bool shown) {
    const QString text = Text();
    m_widget.setProperty(kTextProperty, text);  // keep the built-in tooltip while hidden
    m_widget.setProperty(kShownProperty, shown);
    ShowTooltip(text, shown);
}

void ComponentHint::ShowTooltip(const QString& text, bool shown) {
    const QString tooltip = shown ? text : QString();
    m_widget.setToolTip(tooltip);
    // A tab sheet's tab belongs to the tab widget that holds the sheet.
    for (QObject* up = m_widget.parent(); up != nullptr; up = up->parent()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(up)) {
            const int index = tabs->indexOf(&m_widget);
            if (index >= 0) {
                tabs->setTabToolTip(index, tooltip);
                return;
            }
        }
    }
}

}  // namespace carecfg
