#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace carecfg {

// Where the bytes of a file go: given the file's size, the buffer to fill (its size is the number
// of bytes read from the start of the file, at most the file's size).
using ReadTarget = std::function<std::span<std::uint8_t>(std::uint64_t fileSize)>;

// The one platform call behind every file load: opens a regular file of at least `minSize` and at
// most `maxSize` bytes without ever waiting on it, checks its type and size on the opened file
// before a byte is read, and fills the buffer `target` gives. A directory, a FIFO, a device, a file
// too short or too large is refused; false then, with `error` (when given) saying why in the
// system's words where the system refused. Each system has its own side of it.
bool ReadRegularFile(const std::filesystem::path& path, std::uint64_t minSize,
                     std::uint64_t maxSize, const ReadTarget& target, std::string* error);

// Why a file of `fileSize` bytes is refused by a load of `minSize` to `maxSize` bytes, or nullopt
// when its size is fine; the same words on every system.
std::optional<std::string> SizeRefusal(std::uint64_t fileSize, std::uint64_t minSize,
                                       std::uint64_t maxSize);

}  // namespace carecfg
