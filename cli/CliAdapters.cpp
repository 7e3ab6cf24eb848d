#include "cli/CliAdapters.h"

#include <algorithm>
#include <limits>

namespace carecfg {

void CommLinkPort::Write(std::span<const std::uint8_t> bytes) {
    // Frames are at most 265 bytes; anything longer is written in pieces the port accepts.
    constexpr std::size_t kMaxWrite = std::numeric_limits<std::uint16_t>::max();
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kMaxWrite);
        m_comm.WritePortData(bytes.data(), static_cast<std::uint16_t>(n));
        bytes = bytes.subspan(n);
    }
}

std::string ConsoleNotices::Text(std::string_view messageKey) const {
    return m_codec.ToUtf8(m_catalog.MessageText(messageKey));
}

void ConsoleNotices::ShowMessage(std::string_view messageKey) {
    m_err << Text(messageKey) << '\n' << std::flush;
}

void ConsoleNotices::ShowStatus(std::string_view messageKey) {
    if (m_verbose) {
        m_err << Text(messageKey) << '\n' << std::flush;
    }
}

}  // namespace carecfg
