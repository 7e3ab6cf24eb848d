#include "link/ChunkFeeder.h"

#include <utility>

namespace carecfg {

ChunkFeeder::ChunkFeeder(LinkReceiver& receiver, LinkTimer& timer, UserNotices& notices,
                         std::function<void()> processPendingEvents)
    : m_receiver(receiver),
      m_timer(timer),
      m_notices(notices),
      m_processPendingEvents(std::move(processPendingEvents)) {}

void ChunkFeeder::FeedChunk(const std::uint8_t* buffer, std::uint16_t length) {
    try {
        std::vector<std::uint8_t> chunk;
        if (buffer != nullptr) {
            chunk.assign(buffer, buffer + length);
        }
        m_queue.push_back(std::move(chunk));
    } catch (...) {
        try {
            m_notices.ShowMessage("M16");
        } catch (...) {
        }
        return;
    }
    if (m_feeding) {
        return;  // the call that is feeding already takes it in turn
    }
    m_feeding = true;
    while (!m_queue.empty()) {
        const std::vector<std::uint8_t> chunk = std::move(m_queue.front());
        m_queue.pop_front();
        FeedOne(chunk);
    }
    m_feeding = false;
}

void ChunkFeeder::FeedOne(const std::vector<std::uint8_t>& chunk) {
    try {
        for (const std::uint8_t b : chunk) {
            m_timer.Stop();
            if (m_processPendingEvents) {
                m_processPendingEvents();
            }
            m_receiver.FeedByte(b);
        }
    } catch (...) {
        try {
            m_notices.ShowMessage("M16");
        } catch (...) {
        }
    }
}

}  // namespace carecfg
