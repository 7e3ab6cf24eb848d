#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/DeviceImage.h"

namespace carecfg {

// The name by which the command line calls one region of the unit's memory.
struct CliRegionName {
    std::string_view name;
    RegionId id;
};

// The ten regions by their command-line names: settings first, then the record regions.
std::span<const CliRegionName> CliRegionNames();
// The region of a name, exactly as written; nullopt for any other text.
std::optional<RegionId> RegionByCliName(std::string_view name);
// The command-line name of a region.
std::string_view CliNameOf(RegionId id);
// The names joined by ", "; `clearableOnly`: only the regions the unit can erase.
std::string CliRegionNameList(bool clearableOnly);
// One line per region: name, start address, size in bytes and the erase command (or "-").
std::string CliRegionTable();

}  // namespace carecfg
