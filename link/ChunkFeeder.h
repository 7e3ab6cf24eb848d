#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "link/LinkInterfaces.h"
#include "link/LinkReceiver.h"

namespace carecfg {

// Feeds received chunks to the receiver one byte at a time. Chunks never nest: a chunk that
// arrives while another is being fed (from the event processing between bytes, or from a
// modal box shown by a reply handler) is queued and fed after it, in arrival order.
class ChunkFeeder {
public:
    ChunkFeeder(LinkReceiver& receiver, LinkTimer& timer, UserNotices& notices,
                std::function<void()> processPendingEvents);

    // Every byte stops the resend timer, lets pending events run, then goes to the receiver.
    // A failure shows "M16" and drops the rest of that chunk; later chunks are still fed.
    void FeedChunk(const std::uint8_t* buffer, std::uint16_t length);

    bool IsFeeding() const { return m_feeding; }

private:
    void FeedOne(const std::vector<std::uint8_t>& chunk);

    LinkReceiver& m_receiver;
    LinkTimer& m_timer;
    UserNotices& m_notices;
    std::function<void()> m_processPendingEvents;
    std::deque<std::vector<std::uint8_t>> m_queue;
    bool m_feeding = false;
};

}  // namespace carecfg
