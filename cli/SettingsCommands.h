#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/SettingsMap.h"
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
// What settings JSON makes of a base record: the encoded record, or the command's exit code and
// the reason (without the program's name) when the text is no JSON, names a control wrongly, or
// the base cannot be decoded or the result encoded.
struct SettingsFromJson {
    std::optional<SettingsRecord> record;
    int exitCode = 0;
    std::string error;
};
// `base` holds the base record's bytes (at least 3637); `source` names the JSON in messages.
SettingsFromJson EncodeSettingsJson(std::string_view text, std::span<const std::uint8_t> base,
                                    std::string_view source, const TextCatalog& catalog);

int EncodeSettingsFile(const std::string& jsonSource, const std::filesystem::path& outFile,
                       const std::optional<std::filesystem::path>& base, const TextCatalog& catalog,
                       std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace carecfg
