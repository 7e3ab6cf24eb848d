#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "base/AtomicFile.h"
#include "base/RegularFileRead.h"
#include "base/SystemError.h"

namespace carecfg {

namespace {

// Closes a Win32 file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Closes now and tells whether the close succeeded.
    bool Close() {
        if (m_handle == INVALID_HANDLE_VALUE) {
            return true;
        }
        const BOOL closed = ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return closed != 0;
    }

private:
    HANDLE m_handle;
};

// WriteFile takes at most a DWORD at a time; large spans go in pieces.
constexpr std::size_t kMaxChunk = 1u << 30;

bool WriteAll(HANDLE handle, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kMaxChunk));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + done, chunk, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

// A name beside the target that no other writer picks: target name, process id and a random tag.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
    std::random_device device;
    const unsigned tag = device();
    std::filesystem::path temp = target;
    temp += ".tmp-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(tag);
    return temp;
}

bool Fail(std::string* error, const char* step, DWORD code) {
    if (error != nullptr) {
        *error = std::string(step) + ": " + SystemErrorText(code);
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
bool ReadFully(HANDLE handle, void* into, std::size_t size, std::string* error) {
    auto* bytes = static_cast<std::uint8_t*>(into);
    std::size_t done = 0;
    while (done < size) {
        const auto chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
        DWORD got = 0;
        if (!::ReadFile(handle, bytes + done, chunk, &got, nullptr)) {
            return Refuse(error, SystemErrorText(::GetLastError()));
        }
        if (got == 0) {
            return Refuse(error, "the file shrank while it was read");
        }
        done += got;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string* error) {
    if (path.empty()) {
        return Fail(error, "temporary file", ERROR_PATH_NOT_FOUND);
    }
    // The attributes of a replaced file (read-only aside, which would refuse the rename) carry
    // over to its successor, as the permissions do on POSIX.
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    const DWORD oldAttributes = ::GetFileAttributesW(path.c_str());
    if (oldAttributes != INVALID_FILE_ATTRIBUTES &&
        (oldAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        attributes = oldAttributes & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (attributes == 0) {
            attributes = FILE_ATTRIBUTE_NORMAL;
        }
    }
    std::filesystem::path temp;
    HANDLE rawHandle = INVALID_HANDLE_VALUE;
    // A collision with an existing name (only by chance) is retried with a fresh tag.
    for (int attempt = 0; attempt < 8 && rawHandle == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TemporaryPathBeside(path);
        rawHandle =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (rawHandle == INVALID_HANDLE_VALUE) {
            const DWORD code = ::GetLastError();
            if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
                return Fail(error, "temporary file", code);
            }
        }
    }
    if (rawHandle == INVALID_HANDLE_VALUE) {
        return Fail(error, "temporary file", ERROR_FILE_EXISTS);
    }
    FileHandle handle(rawHandle);
    const char* step = nullptr;
    DWORD code = 0;
    if (!WriteAll(handle.Get(), bytes)) {
        step = "write";
    } else if (!::FlushFileBuffers(handle.Get())) {
        step = "flush";
    }
    code = ::GetLastError();
    if (!handle.Close() && step == nullptr) {
        step = "close";
        code = ::GetLastError();
    }
    // Write-through: the call returns once the new name is on the disk, the rename's fsync.
    if (step == nullptr && !::MoveFileExW(temp.c_str(), path.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        step = "rename";
        code = ::GetLastError();
    }
    if (step != nullptr) {
        ::DeleteFileW(temp.c_str());
        return Fail(error, step, code);
    }
    return true;
}

// Opens a disk file of at least `minSize` and at most `maxSize` bytes and hands the open handle
// and its size to `read`. A directory is opened only to be named as one; a pipe, a console or a
// device is refused by its type before any read, so nothing waits on it, and a huge file is
// refused by its size before a byte of it is read.
bool ReadRegularFile(const std::filesystem::path& path, std::uint64_t minSize,
                     std::uint64_t maxSize, const ReadTarget& target, std::string* error) {
    FileHandle handle(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) {
        return Refuse(error, SystemErrorText(::GetLastError()));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.Get(), &info)) {
        return Refuse(error, SystemErrorText(::GetLastError()));
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Refuse(error, std::strerror(EISDIR));
    }
    if (::GetFileType(handle.Get()) != FILE_TYPE_DISK) {
        return Refuse(error, "not a regular file (a pipe, a device or a console)");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle.Get(), &size)) {
        return Refuse(error, SystemErrorText(::GetLastError()));
    }
    const auto fileSize = static_cast<std::uint64_t>(size.QuadPart);
    if (const auto why = SizeRefusal(fileSize, minSize, maxSize)) {
        return Refuse(error, *why);
    }
    const std::span<std::uint8_t> into = target(fileSize);
    return ReadFully(handle.Get(), into.data(), into.size(), error);
}

}  // namespace carecfg
