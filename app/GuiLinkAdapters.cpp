#include "app/GuiLinkAdapters.h"

#include <QMetaObject>

namespace carecfg {

void GuiCommSink::Post(std::function<void()> notification) {
    // Queued: runs later on the context's thread, or never if the context is gone by then.
    QMetaObject::invokeMethod(
        m_context, [n = std::move(notification)] { n(); }, Qt::QueuedConnection);
}

}  // namespace carecfg
