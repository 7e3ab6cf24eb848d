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
        Transmit();
        m_timer.Start();
        m_receiver.ResetCount();
    } catch (...) {
        // Never let a failure escape a button, timer or receive handler.
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
            Transmit();
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

void LinkSender::Transmit() {
    try {
        m_port.Write(m_pending);
    } catch (...) {
        // The write's result is not examined: a failed write is silence on the line, which the
        // resend timer (started right after) answers like any other silence.
    }
}

void LinkSender::Timer1Timer() {
    m_timer.Stop();
    ResendRequest();
}

}  // namespace carecfg
