#pragma once

#include <filesystem>

namespace carecfg {

// Folder of the running executable, taken from /proc/self/exe. Falls back to the current
// working directory when the link cannot be read (a system without /proc).
std::filesystem::path ExecutableDir();

}  // namespace carecfg
