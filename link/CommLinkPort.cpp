#include "link/CommLinkPort.h"

#include <limits>

namespace carecfg {

void CommLinkPort::Write(std::span<const std::uint8_t> bytes) {
    // Frames are at most 265 bytes; anything longer would not fit the port's length type.
    if (bytes.size() > std::numeric_limits<std::uint16_t>::max()) {
        return;
    }
    m_comm.WritePortData(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
}

}  // namespace carecfg
