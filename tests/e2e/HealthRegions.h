#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "image/DeviceImage.h"

namespace carecfg::testing {

// A blood-pressure region file (mmHg) with bank 1 slot 0 (March), bank 2 slot 0 (April) and then
// bank 1 slot 1 with month 13, where the decode must stop.
inline std::vector<std::uint8_t> MonthThirteenPressureRegion() {
    std::vector<std::uint8_t> region(Region(RegionId::BloodPressure).size, kErased);
    region[0] = 0;  // mmHg
    const auto slot = [&](std::uint32_t bank, std::uint32_t index, std::uint8_t month,
                          std::uint8_t systolic) {
        const std::uint32_t at = (bank == 0 ? 0x020 : 0x820) + 16 * index;
        const std::uint8_t bytes[] = {24, month, 5, 9, 30, 0, systolic, 80, 70};
        std::copy(std::begin(bytes), std::end(bytes), region.begin() + at);
    };
    slot(0, 0, 3, 120);
    slot(1, 0, 4, 130);
    slot(0, 1, 13, 140);
    return region;
}

}  // namespace carecfg::testing
