#include "serial/PosixSignals.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

namespace carecfg {
namespace {

void Signal(int fd) {
    const std::uint64_t one = 1;
    // Only fails when the counter would overflow, and then the descriptor is readable anyway.
    [[maybe_unused]] ssize_t r = ::write(fd, &one, sizeof one);
}

}  // namespace

PosixEvent::~PosixEvent() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PosixEvent::Create() {
    if (m_fd < 0)
        m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return m_fd >= 0;
}

void PosixEvent::Set() {
    if (m_fd >= 0)
        Signal(m_fd);
}

bool PosixEvent::IsSet() const {
    if (m_fd < 0)
        return true;  // an event that does not exist cannot hold anyone back
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

PosixWriteQueue::~PosixWriteQueue() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PosixWriteQueue::Create() {
    if (m_fd < 0)
        m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return m_fd >= 0;
}

bool PosixWriteQueue::Push(WriteRequest request) {
    std::lock_guard lock(m_mutex);
    if (m_closed || m_fd < 0 || m_requests.size() >= kMaxQueued)
        return false;
    m_requests.push_back(std::move(request));
    Signal(m_fd);
    return true;
}

std::optional<WriteRequest> PosixWriteQueue::TryPop() {
    std::lock_guard lock(m_mutex);
    if (m_requests.empty()) {
        DrainWakeup();
        return std::nullopt;
    }
    WriteRequest next = std::move(m_requests.front());
    m_requests.pop_front();
    if (m_requests.empty())
        DrainWakeup();
    return next;
}

void PosixWriteQueue::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_requests.clear();
    DrainWakeup();
}

bool PosixWriteQueue::IsClosed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void PosixWriteQueue::DrainWakeup() {
    std::uint64_t count = 0;
    if (m_fd >= 0) [[maybe_unused]]
        ssize_t r = ::read(m_fd, &count, sizeof count);
}

WaitOutcome WaitForStopOr(const PosixEvent& stop, int fd) {
    pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {fd, POLLIN, 0}};
    for (;;) {
        int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return WaitOutcome::Failed;
        }
        if (fds[0].revents != 0)
            return WaitOutcome::Stop;
        if (fds[1].revents & POLLIN)
            return WaitOutcome::Ready;
        if (fds[1].revents != 0)
            return WaitOutcome::Failed;
    }
}

}  // namespace carecfg
