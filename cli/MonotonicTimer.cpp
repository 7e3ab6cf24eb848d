#include "cli/MonotonicTimer.h"

namespace carecfg {

void MonotonicTimer::Start() {
    if (m_running) {
        return;
    }
    m_running = true;
    m_started = m_now();
}

std::optional<MonotonicTimer::Clock::time_point> MonotonicTimer::Deadline() const {
    if (!m_running || m_interval <= 0) {
        return std::nullopt;
    }
    return m_started + std::chrono::milliseconds(m_interval);
}

bool MonotonicTimer::FireIfDue(Clock::time_point now) {
    const auto deadline = Deadline();
    if (!deadline || now < *deadline) {
        return false;
    }
    // The next period counts from this expiry, even when it came late (after the interval was
    // shortened below the time already run): a late expiry fires once, not once per period
    // missed. The handler may stop or restart the timer.
    m_started = now;
    if (onExpiry) {
        onExpiry();
    }
    return true;
}

}  // namespace carecfg
