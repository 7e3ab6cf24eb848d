#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <utility>

namespace carecfg {

// Calls a function each time a widget is resized; it lives as a child of the widget it watches.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QObject* watched, std::function<void()> resized)
        : QObject(watched), m_resized(std::move(resized)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize && watched == parent() && m_resized) {
            m_resized();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_resized;
};

}  // namespace carecfg
