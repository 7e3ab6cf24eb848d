#pragma once

#include <filesystem>

#include "base/UserNotices.h"
#include "settings/SettingsBinding.h"

namespace carecfg {

// Profile files: the 3637 bytes of the settings record, raw.

// Reads the file into the record and decodes it. A file that cannot be read, is not a regular
// file or is shorter than the record shows "M34" and leaves the record exactly as it was; a failed
// decode shows "M34" too. Bytes behind the record are ignored. True when the pages were decoded.
bool LoadProfile(SettingsBinding& binding, const std::filesystem::path& path, UserNotices& notices);
// Encodes the pages and writes the record through a temporary file renamed over the target. A
// failed encode, or a file that cannot be created or written, shows "M35" and leaves any old
// file intact. True when the file was written.
bool SaveProfile(SettingsBinding& binding, const std::filesystem::path& path, UserNotices& notices);
// Loads `default.bin` of the folder, if it is there; every failure is ignored silently.
bool LoadDefaultProfile(SettingsBinding& binding, const std::filesystem::path& folder);

}  // namespace carecfg
