#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace carecfg {

// Manual-reset event that threads can wait for in poll together with other descriptors: once
// set it stays set (its eventfd stays readable) until it is destroyed.
class PosixEvent {
public:
    PosixEvent() = default;
    ~PosixEvent();
    PosixEvent(const PosixEvent&) = delete;
    PosixEvent& operator=(const PosixEvent&) = delete;

    bool Create();  // false when no descriptor could be made
    void Set();
    bool IsSet() const;
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// One buffer for the writer: the first `length` bytes of `buffer` (which holds one more, 0).
struct WriteRequest {
    std::vector<std::uint8_t> buffer;
    std::uint16_t length = 0;
};

// The writer's own message queue: the owner pushes, the writer pops in order. Its descriptor is
// readable exactly while requests are waiting, so the writer can poll it with the close event.
class PosixWriteQueue {
public:
    // Requests the queue holds at most; a push beyond that fails, like a full message queue.
    static constexpr std::size_t kMaxQueued = 10000;

    PosixWriteQueue() = default;
    ~PosixWriteQueue();
    PosixWriteQueue(const PosixWriteQueue&) = delete;
    PosixWriteQueue& operator=(const PosixWriteQueue&) = delete;

    bool Create();
    // False when the queue is closed (writer gone) or full; the request is then dropped.
    bool Push(WriteRequest request);
    std::optional<WriteRequest> TryPop();
    // Refuses further pushes and drops what is waiting (the writer has ended).
    void Close();
    bool IsClosed() const;
    int Fd() const { return m_fd; }

private:
    void DrainWakeup();

    mutable std::mutex m_mutex;
    std::deque<WriteRequest> m_requests;
    bool m_closed = false;
    int m_fd = -1;
};

// What ended a wait for the close event and another descriptor.
enum class WaitOutcome { Stop, Ready, Failed };
WaitOutcome WaitForStopOr(const PosixEvent& stop, int fd);

}  // namespace carecfg
