#include "cli/RegionNames.h"

#include <array>
#include <cstdio>

namespace carecfg {

namespace {

constexpr std::array<CliRegionName, 10> kNames = {{
    {"settings", RegionId::Settings},
    {"alarm", RegionId::AlarmRecord},
    {"armed", RegionId::ArmedRecord},
    {"pressure", RegionId::BloodPressure},
    {"glucose", RegionId::Glucose},
    {"weight", RegionId::Weight},
    {"dialout", RegionId::DialOutRecord},
    {"incoming", RegionId::IncomingRecord},
    {"inbox", RegionId::Inbox},
    {"outbox", RegionId::Outbox},
}};

}  // namespace

std::span<const CliRegionName> CliRegionNames() {
    return kNames;
}

std::optional<RegionId> RegionByCliName(std::string_view name) {
    for (const CliRegionName& entry : kNames) {
        if (entry.name == name) {
            return entry.id;
        }
    }
    return std::nullopt;
}

std::string_view CliNameOf(RegionId id) {
    for (const CliRegionName& entry : kNames) {
        if (entry.id == id) {
            return entry.name;
        }
    }
    return {};
}

std::string CliRegionNameList(bool clearableOnly) {
    std::string list;
    for (const CliRegionName& entry : kNames) {
        if (clearableOnly && Region(entry.id).eraseCommand < 0) {
            continue;
        }
        if (!list.empty()) {
            list += ", ";
        }
        list += entry.name;
    }
    return list;
}

std::string CliRegionTable() {
    std::string table = "  NAME      START    BYTES  ERASED BY\n";
    for (const CliRegionName& entry : kNames) {
        const ImageRegion& region = Region(entry.id);
        char erasedBy[16] = "-";
        if (region.eraseCommand >= 0) {
            std::snprintf(erasedBy, sizeof erasedBy, "0x%02X",
                          static_cast<unsigned>(region.eraseCommand));
        }
        char line[80];
        std::snprintf(line, sizeof line, "  %-9.*s 0x%05X %6u  %s\n",
                      static_cast<int>(entry.name.size()), entry.name.data(),
                      static_cast<unsigned>(region.start), static_cast<unsigned>(region.size),
                      erasedBy);
        table += line;
    }
    return table;
}

}  // namespace carecfg
