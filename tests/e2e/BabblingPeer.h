#pragma once

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/PtyPair.h"

namespace carecfg::testing {

// Another device on the line: a pseudo-terminal peer that sends a text (a modem's banner) every
// `period` and never answers, so bytes keep arriving that never form a frame. What the tool
// sends is read and dropped.
class BabblingPeer {
public:
    explicit BabblingPeer(std::string banner = "\r\nRING\r\nNO CARRIER\r\n",
                          std::chrono::milliseconds period = std::chrono::milliseconds(200))
        : m_banner(std::move(banner)), m_period(period) {
        if (m_pty.Ok()) {
            m_thread = std::thread([this] { Run(); });
        }
    }
    ~BabblingPeer() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    BabblingPeer(const BabblingPeer&) = delete;
    BabblingPeer& operator=(const BabblingPeer&) = delete;

    bool Started() const { return m_thread.joinable(); }
    const std::string& Path() const { return m_pty.Path(); }
    long long BannersSent() const { return m_sent; }

private:
    void Run() {
        auto next = std::chrono::steady_clock::now();
        char drop[1024];
        while (!m_stop) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= next) {
                // A full buffer (nobody reading) drops the banner instead of blocking.
                if (::write(m_pty.Master(), m_banner.data(), m_banner.size()) > 0) {
                    ++m_sent;
                }
                next += m_period;
            }
            pollfd p{m_pty.Master(), POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN) != 0) {
                (void)::read(m_pty.Master(), drop, sizeof drop);
            }
        }
    }

    std::string m_banner;
    std::chrono::milliseconds m_period;
    PtyPair m_pty{true};
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_sent{0};
    std::thread m_thread;
};

}  // namespace carecfg::testing
