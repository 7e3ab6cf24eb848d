// The exact and whole-file reads of AtomicFile.h, on the platform's ReadRegularFile.
#include "base/AtomicFile.h"
#include "base/RegularFileRead.h"

#include <cerrno>
#include <cstring>

namespace carecfg {

std::optional<std::string> SizeRefusal(std::uint64_t fileSize, std::uint64_t minSize,
                                       std::uint64_t maxSize) {
    if (fileSize > maxSize) {
        return std::string(std::strerror(EFBIG)) + " (" + std::to_string(fileSize) +
               " bytes, at most " + std::to_string(maxSize) + ")";
    }
    if (fileSize < minSize) {
        return "too short (" + std::to_string(fileSize) + " bytes, at least " +
               std::to_string(minSize) + ")";
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadFileExactly(const std::filesystem::path& path,
                                                         std::size_t size, std::string* error) {
    std::vector<std::uint8_t> buffer;
    const auto into = [&](std::uint64_t) -> std::span<std::uint8_t> {
        buffer.resize(size);
        return buffer;
    };
    if (!ReadRegularFile(path, size, kMaxLoadedFileSize, into, error)) {
        return std::nullopt;
    }
    return buffer;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, std::uint64_t maxSize,
                                         std::string* error) {
    std::string content;
    const auto into = [&](std::uint64_t fileSize) -> std::span<std::uint8_t> {
        content.resize(static_cast<std::size_t>(fileSize));
        return {reinterpret_cast<std::uint8_t*>(content.data()), content.size()};
    };
    if (!ReadRegularFile(path, 0, maxSize, into, error)) {
        return std::nullopt;
    }
    return content;
}

}  // namespace carecfg
