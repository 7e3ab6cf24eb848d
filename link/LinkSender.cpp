#include "link/LinkSender.h"

#include <utility>

namespace carecfg {

LinkSender::LinkSender(LinkPort& port, LinkTimer& timer, UserNotices& notices,
                       LinkReceiver& receiver)
    : m_port(port), m_timer(timer), m_notices(notices), m_receiver(receiver) {}

void LinkSender::SetPendingRequest(std::vector<std::uint8_t> frame) {
    m_pending = std::move(frame);
}

void LinkSender::SendRequest() {
    try {
        if (!m_port.IsOpen()) {
            m_notices.ShowMessage("M3");
            return;
        }
        if (!HasFrame()) {
            return;
        }
        m_receiver.ResetReceiver();
        m_sendCount = 0;
        m_lastCommand = m_pending[1];
        m_port.Write(m_pending);
        m_timer.Start();
        m_receiver.ResetCount();
    } catch (...) {
        // A failed send looks like silence on the line; the resend rules take over.
    }
}

void LinkSender::ResendRequest() {
    try {
        if (!m_port.IsOpen()) {
            m_notices.ShowMessage("M3");
            return;
        }
        if (!HasFrame()) {
            return;
        }
        m_receiver.ResetReceiver();
        ++m_sendCount;
        if (m_sendCount < MaxSends) {
            m_port.Write(m_pending);
            m_timer.Start();
            m_receiver.ResetCount();
            return;
        }
        m_timer.Stop();
        if (m_sendCount == MaxSends && onGaveUp) {
            onGaveUp();
        }
    } catch (...) {
        // Same as in SendRequest: never let a failure escape a timer or receive handler.
    }
}

void LinkSender::Timer1Timer() {
    m_timer.Stop();
    ResendRequest();
}

}  // namespace carecfg
