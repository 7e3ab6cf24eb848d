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

// `health FILE --region R --report FILE.pdf`: decodes the region as ShowHealthFile does and
// writes the page's report for the doctor to `report` atomically, as the window's page writes
// it, in the texts of the catalogue. Makes the Qt application the report needs when the process
// has none (on the offscreen platform unless QT_QPA_PLATFORM is set). Returns a CliExitCode: 0;
// 8 when FILE cannot be read or the report cannot be written (an existing report stays as it
// was), and 8 after writing the report of what was decoded when a time text stopped the decode.
int WriteHealthReportFile(const std::filesystem::path& file, RegionId region,
                          const std::filesystem::path& report, const TextCatalog& catalog,
                          std::ostream& err);

}  // namespace carecfg
