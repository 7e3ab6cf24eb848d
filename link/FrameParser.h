#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "link/LinkReceiver.h"

namespace carecfg {

// One request frame as the unit sees it.
struct ParsedFrame {
    std::uint8_t command = 0;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> payload;  // exactly the length field's count of bytes
};

// The unit's side of the link: turns the request byte stream into complete frames with a good
// checksum. Frames with a bad checksum are counted and skipped; frames whose length exceeds
// 256 are dropped like the tool's receiver does.
class FrameParser {
public:
    FrameParser();
    FrameParser(const FrameParser&) = delete;
    FrameParser& operator=(const FrameParser&) = delete;

    std::vector<ParsedFrame> Feed(std::span<const std::uint8_t> bytes);
    // Forgets a frame in assembly (the counters stay).
    void Reset();

    int BadChecksums() const { return m_badChecksums; }
    int DroppedFrames() const { return m_receiver.DroppedFrames(); }
    bool InFrame() const { return m_receiver.Count() != 0; }

private:
    LinkReceiver m_receiver;
    std::vector<ParsedFrame> m_ready;
    int m_badChecksums = 0;
};

}  // namespace carecfg
