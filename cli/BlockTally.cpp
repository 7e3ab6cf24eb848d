#include "cli/BlockTally.h"

namespace carecfg {

void BlockTally::Note(const ReceiveRecord& record) {
    const std::uint32_t address = RecordAddress(record);
    if (address % kBlockSize != 0 || address >= kImageSize || RecordLength(record) != kBlockSize) {
        return;
    }
    m_arrived.set(address / kBlockSize);
}

std::optional<std::uint32_t> BlockTally::FirstMissing(const ImageRegion& region) const {
    for (std::uint32_t address = region.start; address <= region.lastBlock; address += kBlockSize) {
        if (!m_arrived.test(address / kBlockSize)) {
            return address;
        }
    }
    return std::nullopt;
}

}  // namespace carecfg
