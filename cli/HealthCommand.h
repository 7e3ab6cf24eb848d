#pragma once

#include <filesystem>
#include <iosfwd>

#include "image/DeviceImage.h"
#include "text/TextCatalog.h"

namespace carecfg {

// `health FILE --region pressure|glucose|weight [--chart]`: decodes one health region of an
// image file (262144 bytes) or a region file (4096 bytes) and prints the rows of both banks as
// CSV, or with `chart` the framed charts of the page as JSON. Returns a CliExitCode: 0, or 8
// when the file cannot be read or a time text stops the decode (what was decoded is printed).
int ShowHealthFile(const std::filesystem::path& file, RegionId region, bool chart,
                   const TextCatalog& catalog, std::ostream& out, std::ostream& err);

}  // namespace carecfg
