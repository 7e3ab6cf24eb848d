#include "image/ImageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

namespace carecfg {

namespace {

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Closes now and tells whether the close succeeded (a late write error can show up here).
    bool Close() {
        if (m_fd < 0) {
            return true;
        }
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A name beside the target that no other writer picks: target name, process id and a random tag.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
    std::random_device device;
    const unsigned tag = device();
    std::filesystem::path temp = target;
    temp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(tag);
    return temp;
}

// Makes the rename itself durable; failure here does not undo a finished save, so it is ignored.
void SyncDirectoryOf(const std::filesystem::path& target) {
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) {
        dir = ".";
    }
    FileDescriptor fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) {
        ::fsync(fd.Get());
    }
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) {
        return false;
    }
    std::filesystem::path temp;
    int rawFd = -1;
    // A collision with an existing name (only by chance) is retried with a fresh tag.
    for (int attempt = 0; attempt < 8 && rawFd < 0; ++attempt) {
        temp = TemporaryPathBeside(path);
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            return false;
        }
    }
    if (rawFd < 0) {
        return false;
    }
    FileDescriptor fd(rawFd);
    // A replaced file keeps its permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd.Get(), old.st_mode & 07777);
    }
    const bool written = WriteAll(fd.Get(), bytes) && ::fsync(fd.Get()) == 0;
    const bool closed = fd.Close();
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectoryOf(path);
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadFileExactly(const std::filesystem::path& path,
                                                         std::size_t size) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd.Get(), buffer.data() + done, size - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;  // e.g. a directory at the path
        }
        if (got == 0) {
            return std::nullopt;  // the file is shorter than needed
        }
        done += static_cast<std::size_t>(got);
    }
    return buffer;
}

bool SaveImageFile(const DeviceImage& image, const std::filesystem::path& path) {
    return WriteFileAtomically(path, image.Bytes());
}

bool LoadImageFile(DeviceImage& image, const std::filesystem::path& path) {
    const auto bytes = ReadFileExactly(path, kImageSize);
    if (!bytes) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), image.MutableBytes().begin());
    return true;
}

bool SaveRegionFile(const DeviceImage& image, RegionId id, const std::filesystem::path& path) {
    return WriteFileAtomically(path, image.RegionBytes(id));
}

bool LoadRegionFile(DeviceImage& image, RegionId id, const std::filesystem::path& path) {
    const auto target = image.MutableRegionBytes(id);
    const auto bytes = ReadFileExactly(path, target.size());
    if (!bytes) {
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), target.begin());
    return true;
}

}  // namespace carecfg
