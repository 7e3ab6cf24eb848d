#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace carecfg {

// Manual-reset Windows event shared by the owner and the workers: once set it stays set until it
// is destroyed. Workers wait for it together with their I/O events.
class Win32Event {
public:
    Win32Event() = default;
    ~Win32Event();
    Win32Event(const Win32Event&) = delete;
    Win32Event& operator=(const Win32Event&) = delete;

    bool Create();  // false when no event could be made
    void Set();
    bool IsSet() const;
    HANDLE Handle() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

// One buffer for the writer: the first `length` bytes of `buffer` (which holds one more, 0).
struct WriteRequest {
    std::vector<std::uint8_t> buffer;
    std::uint16_t length = 0;
};

// The writer's own message queue: the owner pushes, the writer pops in order. Its event is
// signalled exactly while requests are waiting, so the writer can wait for it and the close event
// together.
class Win32WriteQueue {
public:
    // Requests the queue holds at most; a push beyond that fails, like a full message queue.
    static constexpr std::size_t kMaxQueued = 10000;

    Win32WriteQueue() = default;
    ~Win32WriteQueue();
    Win32WriteQueue(const Win32WriteQueue&) = delete;
    Win32WriteQueue& operator=(const Win32WriteQueue&) = delete;

    bool Create();
    // False when the queue is closed (writer gone) or full; the request is then dropped.
    bool Push(WriteRequest request);
    std::optional<WriteRequest> TryPop();
    // Refuses further pushes and drops what is waiting (the writer has ended).
    void Close();
    bool IsClosed() const;
    // The waitable object the writer passes to WaitForStopOr (named as on the other platforms,
    // where it is a descriptor).
    HANDLE Fd() const { return m_ready; }

private:
    mutable std::mutex m_mutex;
    std::deque<WriteRequest> m_requests;
    bool m_closed = false;
    HANDLE m_ready = nullptr;  // manual reset, signalled while m_requests is not empty
};

// What ended a wait for the close event and another object.
enum class WaitOutcome { Stop, Ready, Failed };
WaitOutcome WaitForStopOr(const Win32Event& stop, HANDLE object);

}  // namespace carecfg
