#pragma once

#include <poll.h>
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
#include "tests/support/PtyPair.h"

namespace carecfg::testing {

// A unit on a pseudo-terminal that answers each request frame as the test says: for answers
// the simulated unit never gives (a refused erase, a block reply at another address).
class ScriptedUnit {
public:
    // The complete reply frame to a request, or nullopt for no reply.
    using Answer = std::function<std::optional<std::vector<std::uint8_t>>(const ParsedFrame&)>;

    explicit ScriptedUnit(Answer answer) : m_answer(std::move(answer)) {
        if (m_pty.Ok()) {
            m_thread = std::thread([this] { Run(); });
        }
    }
    ~ScriptedUnit() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    ScriptedUnit(const ScriptedUnit&) = delete;
    ScriptedUnit& operator=(const ScriptedUnit&) = delete;

    bool Started() const { return m_thread.joinable(); }
    const std::string& Path() const { return m_pty.Path(); }
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
            pollfd p{m_pty.Master(), POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t n = ::read(m_pty.Master(), buffer, sizeof buffer);
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
                    m_pty.Send(*reply);
                }
            }
        }
    }

    Answer m_answer;
    PtyPair m_pty{true};
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace carecfg::testing
