#include "serial/EventQueue.h"

#include <utility>

namespace carecfg {

void EventQueue::Post(std::function<void()> notification) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(notification));
    }
    m_ready.notify_one();
}

bool EventQueue::RunFor(std::chrono::milliseconds maxWait) {
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait_for(lock, maxWait, [this] { return !m_queue.empty(); }))
        return false;
    RunBatch(lock);
    return true;
}

std::size_t EventQueue::RunReady() {
    std::unique_lock lock(m_mutex);
    return RunBatch(lock);
}

std::size_t EventQueue::Pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

std::size_t EventQueue::RunBatch(std::unique_lock<std::mutex>& lock) {
    std::deque<std::function<void()>> batch;
    batch.swap(m_queue);
    lock.unlock();
    std::size_t ran = 0;
    while (!batch.empty()) {
        std::function<void()> next = std::move(batch.front());
        batch.pop_front();
        try {
            if (next)
                next();
        } catch (...) {
            // Keep what has not run yet, ahead of anything posted meanwhile, then report.
            lock.lock();
            for (auto it = batch.rbegin(); it != batch.rend(); ++it)
                m_queue.push_front(std::move(*it));
            lock.unlock();
            throw;
        }
        ++ran;
    }
    return ran;
}

}  // namespace carecfg
