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

// The largest file a load takes: every data file of the tool is at most one image (256 KiB) and
// a document a few pages. A larger file is refused by its size, before a byte of it is read.
inline constexpr std::uint64_t kMaxLoadedFileSize = 16 * 1024 * 1024;

// The first `size` bytes of a regular file; nullopt when it cannot be opened or read, is shorter,
// larger than kMaxLoadedFileSize, or is no regular file (a directory, a FIFO, a device: refused
// without waiting on it). Bytes beyond `size` are ignored, so a longer raw file still loads.
// On failure `error` (when given) says why, in the system's words where the system refused
// ("No such file or directory", "Is a directory", "File too large").
std::optional<std::vector<std::uint8_t>> ReadFileExactly(const std::filesystem::path& path,
                                                         std::size_t size,
                                                         std::string* error = nullptr);

// The whole content of a regular file of at most `maxSize` bytes, read by the same rules as
// ReadFileExactly (never blocks on a FIFO, never reads a larger file); nullopt with `error` set.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::uint64_t maxSize,
                                         std::string* error = nullptr);

}  // namespace carecfg
