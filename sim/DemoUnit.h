#pragma once

#include <cstdint>
#include <vector>

namespace carecfg {

// 262144 bytes of a configured demonstration unit: settings, histories, short messages and
// health readings over several weeks. Deterministic: built from a fixed base date.
std::vector<std::uint8_t> BuildDemoMemory();

}  // namespace carecfg
