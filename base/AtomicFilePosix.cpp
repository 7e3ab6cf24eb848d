#include "base/AtomicFile.h"
#include "base/RegularFileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

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
            errno = EIO;
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

bool Fail(std::string* error, const char* step, int code) {
    if (error != nullptr) {
        *error = std::string(step) + ": " + std::strerror(code);
    }
    return false;
}

bool Refuse(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
    return false;
}

// Reads exactly `size` bytes; a file that ends sooner (it shrank while it was read) fails.
bool ReadFully(int fd, void* into, std::size_t size, std::string* error) {
    auto* bytes = static_cast<std::uint8_t*>(into);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, bytes + done, size - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Refuse(error, std::strerror(errno));
        }
        if (got == 0) {
            return Refuse(error, "the file shrank while it was read");
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* error) {
    if (path.empty()) {
        return Fail(error, "temporary file", ENOENT);
    }
    std::filesystem::path temp;
    int rawFd = -1;
    // A collision with an existing name (only by chance) is retried with a fresh tag.
    for (int attempt = 0; attempt < 8 && rawFd < 0; ++attempt) {
        temp = TemporaryPathBeside(path);
        rawFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST) {
            return Fail(error, "temporary file", errno);
        }
    }
    if (rawFd < 0) {
        return Fail(error, "temporary file", EEXIST);
    }
    FileDescriptor fd(rawFd);
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd.Get(), old.st_mode & 07777);
    }
    const char* step = nullptr;
    int code = 0;
    if (!WriteAll(fd.Get(), bytes)) {
        step = "write";
    } else if (::fsync(fd.Get()) != 0) {
        step = "fsync";
    }
    code = errno;
    if (!fd.Close() && step == nullptr) {
        step = "close";
        code = errno;
    }
    if (step == nullptr && ::rename(temp.c_str(), path.c_str()) != 0) {
        step = "rename";
        code = errno;
    }
    if (step != nullptr) {
        ::unlink(temp.c_str());
        return Fail(error, step, code);
    }
    SyncDirectoryOf(path);
    return true;
}

// Opens a regular file of at least `minSize` and at most `maxSize` bytes and fills the buffer
// `target` gives for its size. The open never waits (O_NONBLOCK: a FIFO without a writer
// would block it), and the type and size are checked on the opened descriptor before any read,
// so a FIFO, a directory or a huge sparse file costs no time and no memory.
bool ReadRegularFile(const std::filesystem::path& path, std::uint64_t minSize,
                     std::uint64_t maxSize, const ReadTarget& target, std::string* error) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) {
        return Refuse(error, std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return Refuse(error, std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        return Refuse(error, std::strerror(EISDIR));
    }
    if (!S_ISREG(st.st_mode)) {
        return Refuse(error, "not a regular file (a FIFO, a device or a socket)");
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (const auto why = SizeRefusal(fileSize, minSize, maxSize)) {
        return Refuse(error, *why);
    }
    const std::span<std::uint8_t> into = target(fileSize);
    return ReadFully(fd.Get(), into.data(), into.size(), error);
}

}  // namespace carecfg
