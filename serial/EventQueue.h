#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "serial/SerialComm.h"

namespace carecfg {

// Thread-safe queue of notifications for owners without a GUI event loop (command-line tool,
// tests): worker threads Post, the owner's thread drains it with RunFor or RunReady.
class EventQueue : public CommEventSink {
public:
    void Post(std::function<void()> notification) override;
    // Waits up to maxWait for a notification, then runs every one that is ready (in order,
    // outside the lock, so a notification may post again). False when none arrived in time.
    bool RunFor(std::chrono::milliseconds maxWait);
    // Runs the notifications that are ready without waiting; returns how many ran.
    std::size_t RunReady();
    std::size_t Pending() const;

private:
    std::size_t RunBatch(std::unique_lock<std::mutex>& lock);

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_queue;
};

}  // namespace carecfg
