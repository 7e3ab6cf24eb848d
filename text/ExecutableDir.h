#pragma once

#include <filesystem>

namespace carecfg {

// Folder of the running executable, taken from /proc/self/exe (GetModuleFileNameW on Windows).
// Falls back to the current working directory when the name cannot be had (a system without
// /proc).
std::filesystem::path ExecutableDir();

}  // namespace carecfg
