#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <clocale>
#include <cstring>

#include "text/CatalogPlatform.h"

namespace carecfg {

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.node = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    id.mtimeNsec = st.st_mtim.tv_nsec;
    return id;
}

void SetError(std::string* error, int code) {
    if (error)
        *error = std::strerror(code);
}

}  // namespace

bool RecentlyModified(const FileIdentity& identity, long long slackNs) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long modified =
        static_cast<long long>(identity.mtimeSec) * 1'000'000'000 + identity.mtimeNsec;
    return modified + slackNs >= static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

PathKind InspectPath(const std::filesystem::path& path, FileIdentity* identity,
                     std::string* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return PathKind::Missing;
        SetError(error, errno);
        return PathKind::Failed;
    }
    if (!S_ISREG(st.st_mode))
        return PathKind::Other;
    if (identity)
        *identity = IdentityOf(st);
    return PathKind::Regular;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::uint64_t maxSize,
                                         FileIdentity* identity, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        SetError(error, errno);
        return std::nullopt;
    }
    struct stat st {};
    int refusal = 0;
    if (::fstat(fd, &st) != 0)
        refusal = errno;
    else if (S_ISDIR(st.st_mode))
        refusal = EISDIR;
    else if (!S_ISREG(st.st_mode))
        refusal = EINVAL;  // a FIFO, device or socket is no catalogue
    else if (static_cast<std::uint64_t>(st.st_size) > maxSize)
        refusal = EFBIG;
    if (refusal != 0) {
        SetError(error, refusal);
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    content.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (true) {
        if (done == content.size()) {
            content.resize(content.size() + 4096);  // the file may have grown since fstat
        }
        const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            SetError(error, errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
        if (done > maxSize) {
            SetError(error, EFBIG);
            ::close(fd);
            return std::nullopt;
        }
    }
    content.resize(done);
    if (identity)
        *identity = IdentityOf(st);
    ::close(fd);
    return content;
}

void FolderWatch::Start(const std::filesystem::path& file) {
    Close();
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return;
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    constexpr std::uint32_t mask = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
    if (::inotify_add_watch(m_fd, folder.c_str(), mask) < 0)
        Close();
}

bool FolderWatch::TakeNotices() {
    alignas(inotify_event) char buffer[4096];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                Close();
            return any || m_fd < 0;
        }
        if (n == 0)
            return true;
        any = true;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                Close();
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

void FolderWatch::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

char SystemDecimalSeparator() {
    // Ask the environment's locale directly: the process may still run in the "C" locale.
    char separator = '.';
    locale_t user = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (user != static_cast<locale_t>(nullptr)) {
        const char* radix = ::nl_langinfo_l(RADIXCHAR, user);
        if (radix && radix[0] != '\0' && radix[1] == '\0')
            separator = radix[0];
        ::freelocale(user);
    }
    return separator;
}

}  // namespace carecfg
