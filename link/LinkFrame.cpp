#include "link/LinkFrame.h"

#include <stdexcept>

namespace carecfg {

std::vector<std::uint8_t> BuildFrame(std::uint8_t command, std::uint32_t address,
                                     std::span<const std::uint8_t> payload) {
    if (payload.size() > kMaxPayload) {
        throw std::length_error("link frame payload longer than 256 bytes");
    }
    const auto length = static_cast<std::uint16_t>(payload.size());
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() + kFrameOverhead);
    frame.push_back(kFrameStart);
    frame.push_back(command);
    frame.push_back(static_cast<std::uint8_t>(address >> 24));
    frame.push_back(static_cast<std::uint8_t>(address >> 16));
    frame.push_back(static_cast<std::uint8_t>(address >> 8));
    frame.push_back(static_cast<std::uint8_t>(address));
    frame.push_back(static_cast<std::uint8_t>(length >> 8));
    frame.push_back(static_cast<std::uint8_t>(length));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(FrameChecksum(frame));
    return frame;
}

std::uint8_t FrameChecksum(std::span<const std::uint8_t> frameWithoutChecksum) {
    std::uint8_t x = 0;
    for (std::size_t i = 1; i < frameWithoutChecksum.size(); ++i) {
        x ^= frameWithoutChecksum[i];
    }
    return x;
}

std::uint8_t RecordCommand(const ReceiveRecord& record) {
    return record[1];
}

std::uint32_t RecordAddress(const ReceiveRecord& record) {
    return (std::uint32_t{record[2]} << 24) | (std::uint32_t{record[3]} << 16) |
           (std::uint32_t{record[4]} << 8) | std::uint32_t{record[5]};
}

std::uint16_t RecordLength(const ReceiveRecord& record) {
    return static_cast<std::uint16_t>((record[6] << 8) | record[7]);
}

std::span<const std::uint8_t> RecordPayload(const ReceiveRecord& record) {
    return std::span<const std::uint8_t>(record).subspan(kPayloadOffset, kMaxPayload);
}

}  // namespace carecfg
