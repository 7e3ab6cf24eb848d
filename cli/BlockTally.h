#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "image/DeviceImage.h"
#include "link/LinkFrame.h"

namespace carecfg {

// Which 256-byte blocks of the unit's memory arrived whole in block replies. The block
// sequences follow whatever address a reply carries, so a unit that skips addresses would end
// a read early with erased bytes in place of the skipped blocks; the tally tells such a read
// from a complete one.
class BlockTally {
public:
    void Clear() { m_arrived.reset(); }
    // A reply to a block read: it counts for its block when it carries a block address inside
    // the memory and exactly 256 payload bytes.
    void Note(const ReceiveRecord& record);
    // The address of the region's first block that did not arrive; nullopt when all did.
    std::optional<std::uint32_t> FirstMissing(const ImageRegion& region) const;

private:
    std::bitset<kImageSize / kBlockSize> m_arrived;
};

}  // namespace carecfg
