#include "app/QtLinkTimer.h"

#include <algorithm>

namespace carecfg {

QtLinkTimer::QtLinkTimer(QTimer& timer) : m_timer(timer) {
    m_timer.setSingleShot(false);
    // A coarse timer may fire up to 5% early, which would resend before the interval is over.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(m_interval);
    m_expiry = QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Expired(); });
}

QtLinkTimer::~QtLinkTimer() {
    QObject::disconnect(m_expiry);
}

void QtLinkTimer::Start() {
    if (m_running) {
        return;
    }
    m_running = true;
    m_periodStart.start();
    if (m_interval > 0) {
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
    if (m_interval <= 0) {
        m_timer.stop();  // parked; the period's start is kept
        return;
    }
    if (m_running) {
        ArmForRestOfPeriod();
    } else {
        m_timer.setInterval(m_interval);
    }
}

void QtLinkTimer::Expired() {
    // Runs before the owner's handler: the next period counts from this expiry. An expiry
    // armed for the rest of a period gets the full interval back for the periods after it.
    m_periodStart.start();
    if (m_timer.interval() != m_interval && m_interval > 0) {
        m_timer.start(m_interval);
    }
}

void QtLinkTimer::ArmForRestOfPeriod() {
    const qint64 left = m_interval - m_periodStart.elapsed();
    // Already past: 0 fires on the next pass of the event loop, once (Expired re-arms).
    m_timer.start(static_cast<int>(std::max<qint64>(left, 0)));
}

}  // namespace carecfg
