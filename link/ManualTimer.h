#pragma once

#include <algorithm>
#include <climits>
#include <functional>

#include "link/LinkInterfaces.h"

namespace carecfg {

// A resend timer driven by hand (tests, fuzzing): time passes only in Advance. It follows the
// LinkTimer rules; the owner stops it in its expiry handler.
class ManualTimer : public LinkTimer {
public:
    std::function<void()> onExpiry;

    void Start() override {
        if (!m_running) {
            m_running = true;
            m_elapsed = 0;
        }
    }
    void Stop() override { m_running = false; }
    bool IsRunning() const override { return m_running; }
    void SetInterval(int ms) override { m_interval = ms; }
    int Interval() const override { return m_interval; }

    // Milliseconds since the running timer was started or last fired; time counts while the
    // interval is 0 or less too, so a later positive interval is measured from the start.
    int Elapsed() const { return m_elapsed; }
    int Expiries() const { return m_expiries; }

    // Lets ms milliseconds pass (0: none), firing onExpiry at each moment a whole interval has
    // run out; an expiry that is already due fires first, once.
    void Advance(int ms) {
        for (;;) {
            if (m_running && m_interval > 0 && m_elapsed >= m_interval) {
                m_elapsed = 0;
                ++m_expiries;
                if (onExpiry) {
                    onExpiry();
                }
                continue;
            }
            if (ms <= 0 || !m_running) {
                return;
            }
            const int step = m_interval > 0 ? std::min(ms, m_interval - m_elapsed) : ms;
            m_elapsed = step > INT_MAX - m_elapsed ? INT_MAX : m_elapsed + step;
            ms -= step;
        }
    }

private:
    bool m_running = false;
    int m_interval = kInitialResendInterval;
    int m_elapsed = 0;
    int m_expiries = 0;
};

}  // namespace carecfg
