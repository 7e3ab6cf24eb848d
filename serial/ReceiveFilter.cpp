#include "serial/ReceiveFilter.h"

namespace carecfg {

std::size_t ReceiveFilter::Apply(const ReceiveFilterConfig& config,
                                 std::span<const std::uint8_t> in, std::uint8_t* out) {
    std::size_t n = 0;
    auto plain = [&](std::uint8_t b) {
        if (!(config.dropNull && b == 0))
            out[n++] = b;
    };
    if (!config.markedErrors)
        m_state = State::Plain;
    for (std::uint8_t b : in) {
        if (!config.markedErrors) {
            plain(b);
            continue;
        }
        switch (m_state) {
            case State::Plain:
                if (b == 0xFF)
                    m_state = State::AfterFF;
                else
                    plain(b);
                break;
            case State::AfterFF:
                if (b == 0xFF) {
                    out[n++] = 0xFF;
                    m_state = State::Plain;
                } else if (b == 0x00) {
                    m_state = State::AfterFF00;
                } else {
                    // Not a mark the terminal driver makes: keep both bytes as they came.
                    out[n++] = 0xFF;
                    m_state = State::Plain;
                    plain(b);
                }
                break;
            case State::AfterFF00:
                out[n++] = config.replaceErrors ? config.replacedChar : b;
                m_state = State::Plain;
                break;
        }
    }
    return n;
}

}  // namespace carecfg
