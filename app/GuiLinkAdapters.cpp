#include "app/GuiLinkAdapters.h"

#include <QMetaObject>

#include <limits>

namespace carecfg {

void GuiCommSink::Post(std::function<void()> notification) {
    // Queued: runs later on the context's thread, or never if the context is gone by then.
    QMetaObject::invokeMethod(
        m_context, [n = std::move(notification)] { n(); }, Qt::QueuedConnection);
}

void TCommLinkPort::Write(std::span<const std::uint8_t> bytes) {
    // Frames are at most 265 bytes; anything longer would not fit the port's length type.
    if (bytes.size() > std::numeric_limits<std::uint16_t>::max()) {
        return;
    }
    m_comm.WritePortData(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

}  // namespace carecfg
