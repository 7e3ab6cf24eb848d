#pragma once

#include <cstdint>
#include <functional>

#include "link/LinkFrame.h"

namespace carecfg {

// Reassembles reply frames from the received byte stream, one byte at a time, and checks
// their checksum. Bytes before a start byte are skipped; a frame whose length field exceeds
// 256 is dropped as soon as its length is known, and its remaining bytes are then skipped
// as noise until the next start byte (a 0x23 among them starts a frame, as in any noise),
// so nothing is ever stored past the record.
class LinkReceiver {
public:
    LinkReceiver();

    // Called with a copy of the record for a complete frame with a good checksum; the copy
    // stays valid for the whole call even if the handler resets the receiver.
    std::function<void(const ReceiveRecord&)> onFrame;
    // Called for a complete frame whose checksum does not match.
    std::function<void()> onBadChecksum;

    void FeedByte(std::uint8_t b);
    // Zeroes the record, the count and the running XOR.
    void ResetReceiver();
    // Returns to waiting for a start byte, keeping the record's contents.
    void ResetCount();

    int Count() const { return m_count; }
    const ReceiveRecord& Record() const { return m_record; }
    // Frames dropped so far because their length field exceeded 256.
    int DroppedFrames() const { return m_dropped; }

private:
    void FinishFrame(std::uint8_t checksum);

    ReceiveRecord m_record{};
    std::int32_t m_count = 0;
    std::uint8_t m_runningXor = 0;
    int m_dropped = 0;
};

}  // namespace carecfg
