#include "serial/Win32Signals.h"

#include <utility>

namespace carecfg {

Win32Event::~Win32Event() {
    if (m_handle != nullptr)
        ::CloseHandle(m_handle);
}

bool Win32Event::Create() {
    if (m_handle == nullptr)
        m_handle = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return m_handle != nullptr;
}

void Win32Event::Set() {
    if (m_handle != nullptr)
        ::SetEvent(m_handle);
}

bool Win32Event::IsSet() const {
    if (m_handle == nullptr)
        return true;  // an event that does not exist cannot hold anyone back
    return ::WaitForSingleObject(m_handle, 0) == WAIT_OBJECT_0;
}

Win32WriteQueue::~Win32WriteQueue() {
    if (m_ready != nullptr)
        ::CloseHandle(m_ready);
}

bool Win32WriteQueue::Create() {
    if (m_ready == nullptr)
        m_ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return m_ready != nullptr;
}

bool Win32WriteQueue::Push(WriteRequest request) {
    std::lock_guard lock(m_mutex);
    if (m_closed || m_ready == nullptr || m_requests.size() >= kMaxQueued)
        return false;
    m_requests.push_back(std::move(request));
    ::SetEvent(m_ready);
    return true;
}

std::optional<WriteRequest> Win32WriteQueue::TryPop() {
    std::lock_guard lock(m_mutex);
    if (m_requests.empty()) {
        if (m_ready != nullptr)
            ::ResetEvent(m_ready);
        return std::nullopt;
    }
    WriteRequest next = std::move(m_requests.front());
    m_requests.pop_front();
    if (m_requests.empty())
        ::ResetEvent(m_ready);
    return next;
}

void Win32WriteQueue::Close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_requests.clear();
    if (m_ready != nullptr)
        ::ResetEvent(m_ready);
}

bool Win32WriteQueue::IsClosed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

WaitOutcome WaitForStopOr(const Win32Event& stop, HANDLE object) {
    if (stop.Handle() == nullptr || object == nullptr)
        return WaitOutcome::Failed;
    const HANDLE handles[2] = {stop.Handle(), object};
    switch (::WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
        case WAIT_OBJECT_0:
            return WaitOutcome::Stop;
        case WAIT_OBJECT_0 + 1:
            return WaitOutcome::Ready;
        default:
            return WaitOutcome::Failed;
    }
}

}  // namespace carecfg
