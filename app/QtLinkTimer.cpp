#include "app/QtLinkTimer.h"

namespace carecfg {

QtLinkTimer::QtLinkTimer(QTimer& timer) : m_timer(timer) {
    m_timer.setSingleShot(false);
    m_timer.setInterval(m_interval);
}

void QtLinkTimer::Start() {
    m_running = true;
    if (m_interval > 0 && !m_timer.isActive()) {
        m_timer.start(m_interval);
    }
}

void QtLinkTimer::Stop() {
    m_running = false;
    m_timer.stop();
}

void QtLinkTimer::SetInterval(int ms) {
    if (ms == m_interval) {
        return;
    }
    m_interval = ms;
    // A running timer counts the new interval from now; interval 0 parks it.
    m_timer.stop();
    if (m_interval > 0) {
        m_timer.setInterval(m_interval);
        if (m_running) {
            m_timer.start();
        }
    }
}

}  // namespace carecfg
