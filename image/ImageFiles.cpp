#include "image/ImageFiles.h"

#include <algorithm>

#include "base/AtomicFile.h"

namespace carecfg {

bool SaveImageFile(const DeviceImage& image, const std::filesystem::path& path) {
    return WriteFileAtomically(path, image.Bytes());
}

bool LoadImageFile(DeviceImage& image, const std::filesystem::path& path, std::string* error) {
    const auto bytes = ReadFileExactly(path, kImageSize, error);
    if (!bytes) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), image.MutableBytes().begin());
    return true;
}

bool SaveRegionFile(const DeviceImage& image, RegionId id, const std::filesystem::path& path) {
    return WriteFileAtomically(path, image.RegionBytes(id));
}

bool LoadRegionFile(DeviceImage& image, RegionId id, const std::filesystem::path& path,
                    std::string* error) {
    const auto target = image.MutableRegionBytes(id);
    const auto bytes = ReadFileExactly(path, target.size(), error);
    if (!bytes) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), target.begin());
    return true;
}

}  // namespace carecfg
