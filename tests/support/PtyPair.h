#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace carecfg::testing {

// A pseudo-terminal for the tests and their peers: the test (or a peer's thread) talks on the
// master side, the program under test opens the terminal side by path. One terminal-side
// descriptor stays open for the pair's life, so that the master neither fails with EIO nor polls
// readable while the program has it closed. The master does not block: Send waits for room.
class PtyPair {
public:
    // `raw`: the terminal starts without line editing, echo or character translation, as a
    // serial line to a unit does (the serial component sets its own modes when it opens).
    explicit PtyPair(bool raw = false) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
            ::ptsname_r(m_master, name, sizeof name) != 0)
            return;
        m_path = name;
        m_keeper = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (raw && m_keeper >= 0 && ::tcgetattr(m_keeper, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_keeper, TCSANOW, &tio);
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        if (m_keeper >= 0)
            ::close(m_keeper);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return m_master >= 0 && m_keeper >= 0; }
    const std::string& Path() const { return m_path; }
    int Keeper() const { return m_keeper; }
    int Master() const { return m_master; }

    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t r = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (r > 0) {
                done += static_cast<std::size_t>(r);
                continue;
            }
            pollfd p{m_master, POLLOUT, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return false;
        }
        return true;
    }

    // Reads until `count` bytes are in or `timeout` passes without any byte.
    std::vector<std::uint8_t> Receive(std::size_t count,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::vector<std::uint8_t> got;
        std::uint8_t buf[4096];
        while (got.size() < count) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
                break;
            ssize_t r = ::read(m_master, buf, sizeof buf);
            if (r <= 0)
                break;
            got.insert(got.end(), buf, buf + r);
        }
        return got;
    }

private:
    int m_master = -1;
    int m_keeper = -1;
    std::string m_path;
};

}  // namespace carecfg::testing
