#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/FrameParser.h"
#include "link/LinkFrame.h"

namespace carecfg::testing {

// A unit on a pseudo-terminal that answers each request frame as the test says: for answers
// the simulated unit never gives (a refused erase, a block reply at another address).
class ScriptedUnit {
public:
    // The complete reply frame to a request, or nullopt for no reply.
    using Answer = std::function<std::optional<std::vector<std::uint8_t>>(const ParsedFrame&)>;

    explicit ScriptedUnit(Answer answer) : m_answer(std::move(answer)) {
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
        m_thread = std::thread([this] { Run(); });
    }
    ~ScriptedUnit() {
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
    ScriptedUnit(const ScriptedUnit&) = delete;
    ScriptedUnit& operator=(const ScriptedUnit&) = delete;

    bool Started() const { return m_thread.joinable(); }
    const std::string& Path() const { return m_path; }
    // The request frames so far, in order.
    std::vector<std::vector<std::uint8_t>> Received() const {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void Run() {
        FrameParser parser;
        std::uint8_t buffer[1024];
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            for (const ParsedFrame& request :
                 parser.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)))) {
                {
                    std::lock_guard lock(m_mutex);
                    m_received.push_back(
                        BuildFrame(request.command, request.address, request.payload));
                }
                if (const auto reply = m_answer(request)) {
                    WriteAll(*reply);
                }
            }
        }
    }
    void WriteAll(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size() && !m_stop) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<std::size_t>(n);
        }
    }

    Answer m_answer;
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace carecfg::testing
