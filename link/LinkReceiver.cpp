#include "link/LinkReceiver.h"

namespace carecfg {

LinkReceiver::LinkReceiver() = default;

void LinkReceiver::ResetReceiver() {
    m_record.fill(0);
    ResetCount();
}

void LinkReceiver::ResetCount() {
    m_count = 0;
    m_runningXor = 0;
}

void LinkReceiver::FeedByte(std::uint8_t b) {
    const std::int32_t n = m_count;
    if (n == 0) {
        if (b == kFrameStart) {
            m_record[0] = b;
            m_runningXor = 0;
            m_count = 1;
        }
        return;
    }
    if (n == 1) {
        m_record[1] = b;
        m_runningXor = b;
        m_count = 2;
        return;
    }
    if (n < 8) {
        m_record[static_cast<std::size_t>(n)] = b;
        m_runningXor ^= b;
        m_count = n + 1;
        if (n == 7 && RecordLength(m_record) > kMaxPayload) {
            // The payload would not fit the record: give up on this frame.
            ++m_dropped;
            ResetCount();
        }
        return;
    }
    const std::int32_t end = static_cast<std::int32_t>(RecordLength(m_record)) + 8;
    if (n < end) {
        m_record[static_cast<std::size_t>(n)] = b;
        m_runningXor ^= b;
        m_count = n + 1;
        return;
    }
    FinishFrame(b);
}

void LinkReceiver::FinishFrame(std::uint8_t checksum) {
    m_record[kRecordChecksumAt] = checksum;
    const bool good = checksum == m_runningXor;
    try {
        if (good) {
            const ReceiveRecord copy = m_record;
            if (onFrame) {
                onFrame(copy);
            }
        } else if (onBadChecksum) {
            onBadChecksum();
        }
    } catch (...) {
        // Never stay stuck on the checksum position, whatever the handler did.
        ResetCount();
        throw;
    }
    ResetCount();
}

}  // namespace carecfg
