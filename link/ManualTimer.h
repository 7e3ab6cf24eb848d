#pragma once

#include <functional>

#include "link/LinkInterfaces.h"

namespace carecfg {

// A resend timer driven by hand (tests, the command-line tool): time passes only in Advance.
// Periodic like the window's timer; the owner stops it in its expiry handler.
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

    // Milliseconds since the running timer was started or last fired.
    int Elapsed() const { return m_elapsed; }
    int Expiries() const { return m_expiries; }

    // Lets ms milliseconds pass, firing onExpiry each time a whole interval has run out.
    void Advance(int ms) {
        while (ms > 0) {
            if (!m_running || m_interval <= 0) {
                return;
            }
            const int toExpiry = m_interval - m_elapsed;
            if (ms < toExpiry) {
                m_elapsed += ms;
                return;
            }
            ms -= toExpiry > 0 ? toExpiry : 0;
            m_elapsed = 0;
            ++m_expiries;
            if (onExpiry) {
                onExpiry();
            }
        }
    }

private:
    bool m_running = false;
    int m_interval = kInitialResendInterval;
    int m_elapsed = 0;
    int m_expiries = 0;
};

}  // namespace carecfg
