#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace carecfg {

// Writes the bytes to a new file beside the target, flushes it to disk and only then renames it
// over the target, so the target is either the old file or the complete new one. A replaced file
// keeps its permissions. On any failure the temporary file is removed, the target is left as it
// was, false is returned and `error` (when given) says which step failed and why.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* error = nullptr);

// The first `size` bytes of a regular file; nullopt when it cannot be opened or read, is shorter,
// or is no regular file (a directory, a FIFO, a device: refused without waiting on it).
// Bytes beyond `size` are ignored, so a longer raw file still loads.
std::optional<std::vector<std::uint8_t>> ReadFileExactly(const std::filesystem::path& path,
                                                         std::size_t size);

}  // namespace carecfg
