#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "image/DeviceImage.h"

// Saves go through WriteFileAtomically and loads through ReadFileExactly (base/AtomicFile.h).

namespace carecfg {

// Whole image as 262144 raw bytes, position = device address, no header.
bool SaveImageFile(const DeviceImage& image, const std::filesystem::path& path);
// False leaves the image untouched (nothing is copied until the whole image has been read);
// `error` (when given) then says why.
bool LoadImageFile(DeviceImage& image, const std::filesystem::path& path,
                   std::string* error = nullptr);

// One region's bytes, raw, as many as the region's size.
bool SaveRegionFile(const DeviceImage& image, RegionId id, const std::filesystem::path& path);
// False leaves the image untouched; `error` (when given) then says why.
bool LoadRegionFile(DeviceImage& image, RegionId id, const std::filesystem::path& path,
                    std::string* error = nullptr);

}  // namespace carecfg
