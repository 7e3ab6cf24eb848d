#include "link/FrameParser.h"

#include <utility>

namespace carecfg {

FrameParser::FrameParser() {
    m_receiver.onFrame = [this](const ReceiveRecord& record) {
        const auto payload = RecordPayload(record).first(RecordLength(record));
        m_ready.push_back(ParsedFrame{RecordCommand(record), RecordAddress(record),
                                      std::vector<std::uint8_t>(payload.begin(), payload.end())});
    };
    m_receiver.onBadChecksum = [this] { ++m_badChecksums; };
}

std::vector<ParsedFrame> FrameParser::Feed(std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        m_receiver.FeedByte(b);
    }
    return std::exchange(m_ready, {});
}

void FrameParser::Reset() {
    m_receiver.ResetReceiver();
}

}  // namespace carecfg
