#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "text/TextCatalog.h"

namespace carecfg {

// `settings FILE [--json]`: prints the settings of a profile (or of any file of 3637 bytes or
// more: its first 3637). Returns a CliExitCode.
int ShowSettingsFile(const std::filesystem::path& file, bool json, const TextCatalog& catalog,
                     std::ostream& out, std::ostream& err);

// `settings-encode JSON --out FILE [--base PROFILE]`: the controls decoded from the base (no
// base: a record of 0x00 bytes), changed as the JSON object says, encoded into a profile.
// `jsonSource` is a file path or "-" for `in`. Nothing is written on any error. Returns a
// CliExitCode.
int EncodeSettingsFile(const std::string& jsonSource, const std::filesystem::path& outFile,
                       const std::optional<std::filesystem::path>& base, const TextCatalog& catalog,
                       std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace carecfg
