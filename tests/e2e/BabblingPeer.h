#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace carecfg::testing {

// Another device on the line: a pseudo-terminal peer that sends a text (a modem's banner) every
// `period` and never answers, so bytes keep arriving that never form a frame. What the tool
// sends is read and dropped.
class BabblingPeer {
public:
    explicit BabblingPeer(std::string banner = "\r\nRING\r\nNO CARRIER\r\n",
                          std::chrono::milliseconds period = std::chrono::milliseconds(200))
        : m_banner(std::move(banner)), m_period(period) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
            ::ptsname_r(m_master, name, sizeof name) != 0) {
            return;
        }
        m_path = name;
        // Held open so that the master never reads a hang-up while the tool is away.
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0) {
            return;
        }
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_thread = std::thread([this] { Run(); });
    }
    ~BabblingPeer() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        for (const int fd : {m_slave, m_master}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    BabblingPeer(const BabblingPeer&) = delete;
    BabblingPeer& operator=(const BabblingPeer&) = delete;

    bool Started() const { return m_thread.joinable(); }
    const std::string& Path() const { return m_path; }
    long long BannersSent() const { return m_sent; }

private:
    void Run() {
        auto next = std::chrono::steady_clock::now();
        char drop[1024];
        while (!m_stop) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= next) {
                // A full buffer (nobody reading) drops the banner instead of blocking.
                if (::write(m_master, m_banner.data(), m_banner.size()) > 0) {
                    ++m_sent;
                }
                next += m_period;
            }
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN) != 0) {
                (void)::read(m_master, drop, sizeof drop);
            }
        }
    }

    std::string m_banner;
    std::chrono::milliseconds m_period;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_sent{0};
    std::thread m_thread;
};

}  // namespace carecfg::testing
