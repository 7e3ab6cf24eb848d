#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "image/DeviceImage.h"

namespace carecfg {

// Writes the bytes to a new file beside the target, flushes it to disk and only then renames it
// over the target, so the target is either the old file or the complete new one. On any failure
// the temporary file is removed, the target is left as it was and false is returned.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The first `size` bytes of the file; nullopt when it cannot be opened or read or is shorter.
// Bytes beyond `size` are ignored, so a longer raw file still loads.
std::optional<std::vector<std::uint8_t>> ReadFileExactly(const std::filesystem::path& path,
                                                         std::size_t size);

// Whole image as 262144 raw bytes, position = device address, no header.
bool SaveImageFile(const DeviceImage& image, const std::filesystem::path& path);
// False leaves the image untouched (nothing is copied until the whole image has been read).
bool LoadImageFile(DeviceImage& image, const std::filesystem::path& path);

// One region's bytes, raw, as many as the region's size.
bool SaveRegionFile(const DeviceImage& image, RegionId id, const std::filesystem::path& path);
// False leaves the image untouched.
bool LoadRegionFile(DeviceImage& image, RegionId id, const std::filesystem::path& path);

}  // namespace carecfg
