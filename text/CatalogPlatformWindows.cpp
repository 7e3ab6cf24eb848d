#include <windows.h>

#include <cerrno>
#include <cstring>

#include "base/SystemError.h"
#include "text/CatalogPlatform.h"

namespace carecfg {

namespace {

// FILETIME counts 100 ns ticks from 1601-01-01 UTC.
constexpr std::uint64_t kTicksTo1970 = 116444736000000000ULL;
constexpr std::uint64_t kTicksPerSecond = 10'000'000;

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FileIdentity IdentityOf(const FILETIME& created, const FILETIME& written, DWORD sizeHigh,
                        DWORD sizeLow) {
    FileIdentity id;
    id.node = Ticks(created);
    id.size = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    // Signed, so that a timestamp before 1970 still compares as a time.
    const auto since1970 = static_cast<std::int64_t>(Ticks(written) - kTicksTo1970);
    id.mtimeSec = since1970 / static_cast<std::int64_t>(kTicksPerSecond);
    id.mtimeNsec = static_cast<long>(since1970 % static_cast<std::int64_t>(kTicksPerSecond)) * 100;
    return id;
}

bool IsMissing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_INVALID_NAME || code == ERROR_BAD_NETPATH;
}

std::optional<std::string> Refuse(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
    return std::nullopt;
}

// Closes a Win32 file handle when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
    }
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// The attributes of a symbolic link are its own; the file it names is asked through a handle
// that follows it (no data access: it neither waits nor conflicts with a writer's sharing).
PathKind InspectLinkTarget(const std::filesystem::path& path, FileIdentity* identity,
                           std::string* error) {
    FileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info)) {
        const DWORD code = ::GetLastError();
        if (IsMissing(code))
            return PathKind::Missing;
        if (error)
            *error = SystemErrorText(code);
        return PathKind::Failed;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        ::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return PathKind::Other;
    if (identity)
        *identity = IdentityOf(info.ftCreationTime, info.ftLastWriteTime, info.nFileSizeHigh,
                               info.nFileSizeLow);
    return PathKind::Regular;
}

}  // namespace

bool RecentlyModified(const FileIdentity& identity, long long slackNs) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto nowNs = static_cast<long long>(Ticks(now) - kTicksTo1970) * 100;
    const long long modified =
        static_cast<long long>(identity.mtimeSec) * 1'000'000'000 + identity.mtimeNsec;
    return modified + slackNs >= nowNs;
}

PathKind InspectPath(const std::filesystem::path& path, FileIdentity* identity,
                     std::string* error) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = ::GetLastError();
        if (IsMissing(code))
            return PathKind::Missing;
        if (error)
            *error = SystemErrorText(code);
        return PathKind::Failed;
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return InspectLinkTarget(path, identity, error);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return PathKind::Other;
    if (identity)
        *identity = IdentityOf(data.ftCreationTime, data.ftLastWriteTime, data.nFileSizeHigh,
                               data.nFileSizeLow);
    return PathKind::Regular;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxSize,
                                         FileIdentity* identity, std::string* error) {
    // Backup semantics let a directory open, so that it is refused by name below.
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return Refuse(error, SystemErrorText(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info))
        return Refuse(error, SystemErrorText(::GetLastError()));
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Refuse(error, std::strerror(EISDIR));
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return Refuse(error, std::strerror(EINVAL));  // a pipe or device is no catalogue
    const FileIdentity read = IdentityOf(info.ftCreationTime, info.ftLastWriteTime,
                                         info.nFileSizeHigh, info.nFileSizeLow);
    if (read.size > maxSize)
        return Refuse(error, std::strerror(EFBIG));
    std::string content;
    content.resize(static_cast<std::size_t>(read.size));
    std::size_t done = 0;
    while (true) {
        if (done == content.size()) {
            content.resize(content.size() + 4096);  // the file may have grown since it was sized
        }
        DWORD got = 0;
        if (!::ReadFile(file.Get(), content.data() + done,
                        static_cast<DWORD>(content.size() - done), &got, nullptr))
            return Refuse(error, SystemErrorText(::GetLastError()));
        if (got == 0)
            break;
        done += got;
        if (done > maxSize)
            return Refuse(error, std::strerror(EFBIG));
    }
    content.resize(done);
    if (identity)
        *identity = read;
    return content;
}

// Windows reports a changed last-write time to change notifications only once the file's cache
// is flushed, later than the next lookup may come; so there is no watch, and every lookup
// compares the file's attributes (one GetFileAttributesExW call).
void FolderWatch::Start(const std::filesystem::path&) {
    Close();
}

bool FolderWatch::TakeNotices() {
    return true;
}

void FolderWatch::Close() {
    m_fd = -1;
}

char SystemDecimalSeparator() {
    wchar_t radix[4] = {};
    const int length = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, radix, 4);
    // One character and the terminating NUL; a character outside ASCII fits no byte text.
    if (length == 2 && radix[0] > 0 && radix[0] < 0x80)
        return static_cast<char>(radix[0]);
    return '.';
}

}  // namespace carecfg
