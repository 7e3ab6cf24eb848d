#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "link/LinkInterfaces.h"

namespace carecfg {

// The resend timer of the command-line tool, on the monotonic clock. It keeps no thread: the
// owner's event loop asks for the next deadline, waits until then and calls FireIfDue.
// It follows the LinkTimer rules: a new interval counts from the start, interval 0 (or less)
// never fires, and after an expiry it runs on unless the handler stops it.
class MonotonicTimer : public LinkTimer {
public:
    using Clock = std::chrono::steady_clock;

    // now: the clock to read (tests pass their own).
    explicit MonotonicTimer(std::function<Clock::time_point()> now = &Clock::now)
        : m_now(std::move(now)) {}

    std::function<void()> onExpiry;

    void Start() override;
    void Stop() override { m_running = false; }
    bool IsRunning() const override { return m_running; }
    void SetInterval(int ms) override { m_interval = ms; }
    int Interval() const override { return m_interval; }

    // When the timer fires next; nullopt when it is stopped or its interval never fires.
    std::optional<Clock::time_point> Deadline() const;
    // Fires onExpiry once when the deadline has passed at `now` (the next period counts from
    // `now`); true when it fired.
    bool FireIfDue(Clock::time_point now);

private:
    std::function<Clock::time_point()> m_now;
    bool m_running = false;
    int m_interval = kInitialResendInterval;
    Clock::time_point m_started{};
};

}  // namespace carecfg
