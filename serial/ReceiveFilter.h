#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace carecfg {

// What the reader does to received bytes before handing them on.
struct ReceiveFilterConfig {
    // The stream carries marked error bytes: 0xFF 0x00 x for a byte x received with a parity or
    // framing error, and 0xFF 0xFF for a genuine 0xFF (termios PARMRK).
    bool markedErrors = false;
    bool replaceErrors = false;  // a byte with an error becomes replacedChar, else stays x
    std::uint8_t replacedChar = 0;
    bool dropNull = false;  // NUL bytes received without error are discarded
};

// Turns the raw byte stream into the delivered one. A mark split across reads is completed by
// the next call, so its state belongs to the one thread that reads.
class ReceiveFilter {
public:
    // Writes the delivered bytes to out and returns how many: at most in.size(), plus one when a
    // 0xFF held back by the previous call turns out not to start a mark (InsideMark()).
    std::size_t Apply(const ReceiveFilterConfig& config, std::span<const std::uint8_t> in,
                      std::uint8_t* out);
    bool InsideMark() const { return m_state != State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    State m_state = State::Plain;
};

}  // namespace carecfg
