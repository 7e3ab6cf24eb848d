#pragma once

#include <QString>

class QWidget;

namespace carecfg {

// The hint of a component: a text kept with the widget (property "hint") that shows as its
// tooltip while hints are on for it (property "showHint"). The text is kept while hints are off,
// so switching them on again brings it back. A page of a tab widget shows it on its tab too.
class ComponentHint {
public:
    static constexpr const char* kTextProperty = "hint";
    static constexpr const char* kShownProperty = "showHint";

    explicit ComponentHint(QWidget& widget) : m_widget(widget) {}

    // The stored text; before any was stored, the tooltip the widget was built with.
    QString Text() const;
    // The stored setting; before any was stored, on (a tooltip shows once it is set).
    bool Shown() const;

    void SetText(const QString& text);
    void SetShown(bool shown);

private:
    void ShowTooltip(const QString& text, bool shown);

    QWidget& m_widget;
};

}  // namespace carecfg
