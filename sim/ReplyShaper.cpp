#include "sim/ReplyShaper.h"

#include <algorithm>

#include "link/LinkFrame.h"

namespace carecfg {

ReplyShaper::ReplyShaper(const SimFaults& faults, std::uint32_t seed)
    : m_faults(faults), m_random(seed) {}

bool ReplyShaper::OneIn(int n) {
    // The raw generator output is fixed by the standard, unlike the distributions.
    return n > 0 && m_random() % static_cast<std::uint32_t>(n) == 0;
}

ReplyPlan ReplyShaper::Shape(std::vector<std::uint8_t> frame) {
    ReplyPlan plan;
    if (OneIn(m_faults.dropOneIn) || frame.size() < kFrameOverhead) {
        return plan;
    }
    if (OneIn(m_faults.corruptOneIn)) {
        // Flip one bit of a payload or checksum byte: the checksum no longer matches, while the
        // header still frames the reply so the receiver takes all of it.
        const std::size_t span = frame.size() - kPayloadOffset;
        const std::size_t at = kPayloadOffset + m_random() % span;
        frame[at] ^= static_cast<std::uint8_t>(1u << (m_random() % 8));
        plan.corrupted = true;
    }
    if (OneIn(m_faults.stopHalfwayOneIn)) {
        frame.resize(frame.size() / 2);
        plan.stoppedHalfway = true;
    }

    std::vector<std::uint8_t> line;
    line.reserve(frame.size() + static_cast<std::size_t>(std::max(m_faults.noiseBytes, 0)));
    for (int i = 0; i < m_faults.noiseBytes; ++i) {
        // 255 values without the start byte, so the noise never opens a frame of its own.
        auto b = static_cast<std::uint8_t>(m_random() % 255);
        line.push_back(b >= kFrameStart ? static_cast<std::uint8_t>(b + 1) : b);
    }
    const std::size_t frameAt = line.size();
    line.insert(line.end(), frame.begin(), frame.end());

    const int delay = std::max(m_faults.replyDelayMs, 0);
    if (m_faults.splitReplies && frame.size() >= 2) {
        // Cut somewhere inside the frame itself, never before its first byte; cuts that fall
        // together make one.
        std::vector<std::size_t> cuts;
        const int count = std::max(m_faults.splitCuts, 1);
        for (int i = 0; i < count; ++i) {
            cuts.push_back(frameAt + 1 + m_random() % (frame.size() - 1));
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        cuts.push_back(line.size());
        const int pause = std::max(m_faults.splitPauseMs, 0);
        std::size_t from = 0;
        for (const std::size_t cut : cuts) {
            plan.parts.push_back(
                {from == 0 ? delay : pause,
                 {line.begin() + static_cast<long>(from), line.begin() + static_cast<long>(cut)}});
            from = cut;
        }
    } else {
        plan.parts.push_back({delay, std::move(line)});
    }
    return plan;
}

}  // namespace carecfg
