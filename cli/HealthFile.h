#pragma once

#include <array>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "health/HealthDecoders.h"
#include "image/DeviceImage.h"
#include "text/TextCatalog.h"

namespace carecfg {

// What the health command knows of each health region besides its layout: the lists of its two
// banks (the first one's column captions head the CSV), their captions without a skin, the
// number of its first chart, and the MESSAGE key of the page's name.
struct HealthRegionFacts {
    RegionId region;
    std::array<std::string_view, 2> lists;
    std::array<std::string_view, 5> captions;
    int firstChart;
    const char* nameKey;
};

// The facts of a health region; nullptr for any other region.
const HealthRegionFacts* FactsOf(RegionId region);

// The decoded page of an image file or region file, with the unit selector's two labels; nullopt
// with the reason printed to `err` and `code` set to the CliExitCode.
std::optional<HealthPage> DecodeHealthFile(const std::filesystem::path& file, RegionId region,
                                           const TextCatalog& catalog, char separator,
                                           std::array<std::string, 2>& labels, int& code,
                                           std::ostream& err);

// The exit code after the output of a decoded page, with the reason of a partial decode printed;
// `done` says what happened to the readings before it ("printed", "in the report").
int DecodeOutcome(const HealthPage& page, const std::filesystem::path& file, const char* done,
                  std::ostream& err);

}  // namespace carecfg
