#include "settings/Profiles.h"

#include <algorithm>
#include <system_error>

#include "base/AtomicFile.h"

namespace carecfg {
namespace {

constexpr const char* kLoadFailed = "M34";
constexpr const char* kSaveFailed = "M35";

// Reads the whole record into a buffer first, so a file that fails changes nothing.
bool ReadIntoRecord(SettingsBinding& binding, const std::filesystem::path& path) {
    const auto bytes = ReadFileExactly(path, kSettingsRecordSize);
    if (!bytes || bytes->size() != kSettingsRecordSize) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), binding.Record().begin());
    return true;
}

}  // namespace

bool LoadProfile(SettingsBinding& binding, const std::filesystem::path& path,
                 UserNotices& notices) {
    if (!ReadIntoRecord(binding, path) || !binding.DecodeSettings()) {
        notices.ShowMessage(kLoadFailed);
        return false;
    }
    return true;
}

bool SaveProfile(SettingsBinding& binding, const std::filesystem::path& path,
                 UserNotices& notices) {
    if (!binding.EncodeSettings() || !WriteFileAtomically(path, binding.Record())) {
        notices.ShowMessage(kSaveFailed);
        return false;
    }
    return true;
}

bool LoadDefaultProfile(SettingsBinding& binding, const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path path = folder / "default.bin";
    if (!std::filesystem::exists(path, error)) {
        return false;
    }
    return ReadIntoRecord(binding, path) && binding.DecodeSettings();
}

}  // namespace carecfg
