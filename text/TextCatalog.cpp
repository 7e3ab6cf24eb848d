#include "text/TextCatalog.h"

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
#include <stdexcept>
#include <utility>
#include <vector>

#include "base/AtomicFile.h"
#include "text/ExecutableDir.h"

namespace carecfg {

namespace {

// A file larger than this is not a catalogue; it is treated like a missing one.
constexpr off_t kMaxCatalogSize = 16 * 1024 * 1024;

// Timestamps of the file system advance in clock ticks, not nanoseconds: a file modified less
// than this long ago may be modified again without its timestamp changing.
constexpr long long kTimestampSlackNs = 100'000'000;

constexpr std::string_view kUnknownError = "Unknown Error";

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};

    static FileIdentity Of(const struct stat& st) {
        return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

long long ToNs(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool RecentlyModified(const FileIdentity& id) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return ToNs(id.mtime) + kTimestampSlackNs >= ToNs(now);
}

// Reads a whole regular file. Fills the identity of the descriptor that was read. The open never
// waits: a FIFO in the file's place (or one swapped in after a check) would block it for good.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, FileIdentity* identity,
                                         int* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (error)
            *error = errno;
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
    else if (st.st_size > kMaxCatalogSize)
        refusal = EFBIG;
    if (refusal != 0) {
        if (error)
            *error = refusal;
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
            if (error)
                *error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
        if (done > static_cast<std::size_t>(kMaxCatalogSize)) {
            if (error)
                *error = EFBIG;
            ::close(fd);
            return std::nullopt;
        }
    }
    content.resize(done);
    if (identity)
        *identity = FileIdentity::Of(st);
    ::close(fd);
    return content;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

[[noreturn]] void ThrowWriteError(const std::filesystem::path& path, std::string_view what,
                                  int error) {
    throw std::runtime_error("cannot write " + path.string() + ": " + std::string(what) + ": " +
                             std::strerror(error));
}

// Writes bytes to a temporary file beside the target and renames it over the target.
void ReplaceFileAtomically(const std::filesystem::path& target, const std::string& bytes) {
    std::string error;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!WriteFileAtomically(target, {data, bytes.size()}, &error)) {
        throw std::runtime_error("cannot write " + target.string() + ": " + error);
    }
}

struct Line {
    std::string_view text;    // without its ending
    std::string_view ending;  // "\n", "\r\n", "\r" or empty on a last line
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        std::size_t next = end + 1;
        if (content[end] == '\r' && next < content.size() && content[next] == '\n')
            ++next;
        lines.push_back({content.substr(pos, end - pos), content.substr(end, next - end)});
        pos = next;
    }
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

// Position of '=' when the line is an entry for key, else npos.
std::size_t EntryFor(std::string_view line, std::string_view key) {
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return std::string_view::npos;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return eq;
    return EqualsIgnoringCase(TrimBlanks(line.substr(0, eq)), key) ? eq : std::string_view::npos;
}

// The file's text with the four geometry entries set, other lines unchanged.
std::string WithGeometry(std::string_view content, const TextCatalog::Geometry& g) {
    std::vector<Line> lines = SplitLines(content);
    std::string newline = "\n";
    if (!lines.empty() && !lines.front().ending.empty())
        newline = std::string(lines.front().ending);

    const std::pair<std::string_view, int> values[] = {
        {"Left", g.left}, {"Top", g.top}, {"Width", g.width}, {"Height", g.height}};
    std::size_t sectionStart = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (name && EqualsIgnoringCase(*name, "Config")) {
            sectionStart = i;
            break;
        }
    }

    std::vector<std::string> added;
    if (sectionStart == lines.size()) {
        std::string out(content);
        if (!out.empty() && !lines.back().ending.empty() &&
            !TrimBlanks(lines.back().text).empty()) {
            out += newline;  // a blank line before the new section
        } else if (!out.empty() && lines.back().ending.empty()) {
            out += newline + newline;
        }
        out += "[Config]" + newline;
        for (const auto& [key, value] : values) {
            out += std::string(key) + "=" + std::to_string(value) + newline;
        }
        return out;
    }

    std::size_t sectionEnd = sectionStart + 1;
    while (sectionEnd < lines.size() && !SectionName(lines[sectionEnd].text))
        ++sectionEnd;
    std::size_t lastFilled = sectionStart;  // entries are added after the last non-blank line
    for (std::size_t i = sectionStart + 1; i < sectionEnd; ++i) {
        if (!TrimBlanks(lines[i].text).empty())
            lastFilled = i;
    }

    std::vector<std::string> replaced(lines.size());
    std::vector<bool> isReplaced(lines.size(), false);
    for (const auto& [key, value] : values) {
        bool found = false;
        for (std::size_t i = sectionStart + 1; i < sectionEnd && !found; ++i) {
            const std::size_t eq = EntryFor(lines[i].text, key);
            if (eq == std::string_view::npos)
                continue;
            replaced[i] = std::string(lines[i].text.substr(0, eq + 1)) + std::to_string(value);
            isReplaced[i] = true;
            found = true;
        }
        if (!found)
            added.push_back(std::string(key) + "=" + std::to_string(value));
    }

    std::string out;
    out.reserve(content.size() + 64);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += isReplaced[i] ? std::string_view(replaced[i]) : lines[i].text;
        if (i == lastFilled && !added.empty()) {
            out += lines[i].ending.empty() ? std::string_view(newline) : lines[i].ending;
            for (std::size_t k = 0; k < added.size(); ++k) {
                out += added[k];
                // Keep a missing final line ending missing when the entries end the file.
                if (k + 1 < added.size() || !lines[i].ending.empty() || i + 1 < lines.size()) {
                    out += newline;
                }
            }
        } else {
            out += lines[i].ending;
        }
    }
    return out;
}

}  // namespace

struct TextCatalog::Cache {
    bool exists = false;
    bool recent = false;  // the timestamp may not yet tell a further edit apart
    FileIdentity identity;
    std::string content;
    IniEntries entries;
    char userSeparator = 0;
    std::chrono::nanoseconds recheckInterval{0};
    std::chrono::steady_clock::time_point lastCheck{};
    bool checked = false;  // lastCheck is valid
    // Change notices for the file's folder: while the watch holds, a lookup with no notice
    // pending answers without asking the file system. -1: no watch, every lookup checks the file.
    int watchFd = -1;
    bool watchTried = false;
    bool watchedState = false;  // the cached state was taken while the watch was in place

    Cache() = default;
    Cache(const Cache&) = delete;
    Cache& operator=(const Cache&) = delete;
    ~Cache() { CloseWatch(); }

    void CloseWatch() {
        if (watchFd >= 0)
            ::close(watchFd);
        watchFd = -1;
        watchedState = false;
    }

    // Watches the folder rather than the file, so that a file replaced by rename, created or
    // deleted is noticed as well as one written in place.
    void StartWatch(const std::filesystem::path& file) {
        watchTried = true;
        watchFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watchFd < 0)
            return;
        std::filesystem::path folder = file.parent_path();
        if (folder.empty())
            folder = ".";
        constexpr std::uint32_t mask = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE |
                                       IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                       IN_MOVE_SELF;
        if (::inotify_add_watch(watchFd, folder.c_str(), mask) < 0)
            CloseWatch();
    }

    // True when anything happened in the folder since the last call (or the watch broke, which
    // falls back to checking the file on every lookup).
    bool TakeNotices() {
        alignas(inotify_event) char buffer[4096];
        bool any = false;
        for (;;) {
            const ssize_t n = ::read(watchFd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (errno != EAGAIN)
                    CloseWatch();
                return any || watchFd < 0;
            }
            if (n == 0)
                return true;
            any = true;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                if (event.mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                    CloseWatch();
                    return true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            }
        }
    }
};

void TextCatalog::Forget(Cache& cache) {
    cache.exists = false;
    cache.recent = false;
    cache.identity = {};
    cache.content.clear();
    cache.entries = {};
}

void TextCatalog::SetRecheckInterval(std::chrono::nanoseconds interval) {
    m_cache->recheckInterval = interval;
    m_cache->checked = false;
}

TextCatalog::TextCatalog(std::filesystem::path iniPath)
    : m_path(std::move(iniPath)), m_cache(std::make_unique<Cache>()) {}
TextCatalog::~TextCatalog() = default;
TextCatalog::TextCatalog(TextCatalog&&) noexcept = default;
TextCatalog& TextCatalog::operator=(TextCatalog&&) noexcept = default;

TextCatalog TextCatalog::BesideExecutable() {
    return TextCatalog(ExecutableDir() / "skin.ini");
}

const IniEntries& TextCatalog::Entries() const {
    Cache& cache = *m_cache;
    if (cache.recheckInterval.count() > 0) {
        const auto now = std::chrono::steady_clock::now();
        if (cache.checked && now - cache.lastCheck < cache.recheckInterval)
            return cache.entries;
        cache.lastCheck = now;
        cache.checked = true;
    }
    if (!cache.watchTried)
        cache.StartWatch(m_path);
    if (cache.watchFd >= 0 && cache.watchedState && !cache.TakeNotices())
        return cache.entries;
    cache.watchedState = cache.watchFd >= 0;
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (cache.exists)
            Forget(cache);
        return cache.entries;
    }
    const FileIdentity now = FileIdentity::Of(st);
    if (cache.exists && now == cache.identity && !cache.recent)
        return cache.entries;

    FileIdentity readIdentity;
    std::optional<std::string> content = ReadWholeFile(m_path, &readIdentity, nullptr);
    if (!content) {
        Forget(cache);
        return cache.entries;
    }
    if (!cache.exists || *content != cache.content) {
        cache.entries = ParseIni(*content);
        cache.content = std::move(*content);
    }
    cache.exists = true;
    cache.identity = readIdentity;
    cache.recent = RecentlyModified(readIdentity);
    return cache.entries;
}

std::optional<std::string_view> TextCatalog::Find(std::string_view section,
                                                  std::string_view key) const {
    return Entries().Find(section, key);
}

std::optional<std::string> TextCatalog::Lookup(std::string_view section,
                                               std::string_view key) const {
    const auto value = Find(section, key);
    if (!value)
        return std::nullopt;
    return std::string(*value);
}

std::string TextCatalog::MessageText(std::string_view key) const {
    // Two steps on one view of the file: "M0", itself defaulting to "Unknown Error", is the
    // default of the asked key.
    const IniEntries& entries = Entries();
    if (const auto value = entries.Find("MESSAGE", key))
        return std::string(*value);
    return std::string(entries.Find("MESSAGE", "M0").value_or(kUnknownError));
}

int TextCatalog::MessageInteger(std::string_view key) const {
    const auto value = Find("MESSAGE", key);
    return value ? ParseIniInteger(*value).value_or(0) : 0;
}

double TextCatalog::MessageNumber(std::string_view key, char decimalSeparator) const {
    const auto value = Find("MESSAGE", key);
    if (!value) {
        return 0.0;
    }
    // The shipped catalogue writes reals with a point; read in the user's notation only, a
    // comma locale would turn every threshold of the health lists into 0. The user's separator
    // is tried first, so a catalogue edited in that notation reads as before.
    if (const auto real = ParseIniReal(*value, decimalSeparator)) {
        return *real;
    }
    return decimalSeparator == '.' ? 0.0 : ParseIniReal(*value, '.').value_or(0.0);
}

double TextCatalog::MessageNumber(std::string_view key) const {
    if (m_cache->userSeparator == 0)
        m_cache->userSeparator = UserDecimalSeparator();
    return MessageNumber(key, m_cache->userSeparator);
}

std::string TextCatalog::ConfigText(std::string_view key) const {
    return std::string(Find("CONFIG", key).value_or("0"));
}

std::string TextCatalog::FormText(std::string_view key, std::string_view def) const {
    return std::string(Find("FORM", key).value_or(def));
}

int TextCatalog::FormInteger(std::string_view key, int def) const {
    const auto value = Find("FORM", key);
    return value ? ParseIniInteger(*value).value_or(def) : def;
}

bool TextCatalog::FormBool(std::string_view key, bool def) const {
    const auto value = Find("FORM", key);
    if (!value)
        return def;
    const auto number = ParseIniInteger(*value);
    return number ? *number != 0 : def;
}

TextCatalog::Geometry TextCatalog::ReadWindowGeometry(const Geometry& defaults) const {
    const IniEntries& entries = Entries();
    auto read = [&](std::string_view key, int def) {
        const auto value = entries.Find("Config", key);
        return value ? ParseIniInteger(*value).value_or(def) : def;
    };
    return Geometry{read("Left", defaults.left), read("Top", defaults.top),
                    read("Width", defaults.width), read("Height", defaults.height)};
}

void TextCatalog::WriteWindowGeometry(const Geometry& g) {
    // Write through a symbolic link to the file it names, keeping the link.
    std::filesystem::path target = m_path;
    std::error_code ec;
    if (std::filesystem::is_symlink(target, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }

    std::string content;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        int error = 0;
        auto existing = ReadWholeFile(target, nullptr, &error);
        if (!existing)
            ThrowWriteError(target, "read", error ? error : EIO);
        content = std::move(*existing);
    } else if (errno != ENOENT) {
        ThrowWriteError(target, "stat", errno);
    }
    ReplaceFileAtomically(target, WithGeometry(content, g));
    m_cache->checked = false;  // our own write is seen by the next lookup
}

char TextCatalog::UserDecimalSeparator() {
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
