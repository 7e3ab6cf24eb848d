#include "text/TextCatalog.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include "base/AtomicFile.h"
#include "text/CatalogPlatform.h"
#include "text/ExecutableDir.h"

namespace carecfg {

namespace {

// A file larger than this is not a catalogue; it is treated like a missing one.
constexpr std::uint64_t kMaxCatalogSize = 16 * 1024 * 1024;

// Timestamps of the file system advance in clock ticks, not nanoseconds: a file modified less
// than this long ago may be modified again without its timestamp changing.
constexpr long long kTimestampSlackNs = 100'000'000;

constexpr std::string_view kUnknownError = "Unknown Error";

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
                                  const std::string& error) {
    throw std::runtime_error("cannot write " + path.string() + ": " + std::string(what) + ": " +
                             error);
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
    // While the watch holds, a lookup with no notice pending answers without asking the file
    // system; without it every lookup checks the file.
    FolderWatch watch;
    bool watchTried = false;
    bool watchedState = false;  // the cached state was taken while the watch was in place

    Cache() = default;
    Cache(const Cache&) = delete;
    Cache& operator=(const Cache&) = delete;
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
    if (!cache.watchTried) {
        cache.watchTried = true;
        cache.watch.Start(m_path);
    }
    if (cache.watch.Active() && cache.watchedState && !cache.watch.TakeNotices())
        return cache.entries;
    cache.watchedState = cache.watch.Active();
    FileIdentity now;
    if (InspectPath(m_path, &now, nullptr) != PathKind::Regular) {
        if (cache.exists)
            Forget(cache);
        return cache.entries;
    }
    if (cache.exists && now == cache.identity && !cache.recent)
        return cache.entries;

    FileIdentity readIdentity;
    std::optional<std::string> content =
        ReadWholeFile(m_path, kMaxCatalogSize, &readIdentity, nullptr);
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
    cache.recent = RecentlyModified(readIdentity, kTimestampSlackNs);
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
    std::string error;
    const PathKind kind = InspectPath(target, nullptr, &error);
    if (kind == PathKind::Regular || kind == PathKind::Other) {
        auto existing = ReadWholeFile(target, kMaxCatalogSize, nullptr, &error);
        if (!existing)
            ThrowWriteError(target, "read", error);
        content = std::move(*existing);
    } else if (kind == PathKind::Failed) {
        ThrowWriteError(target, "stat", error);
    }
    ReplaceFileAtomically(target, WithGeometry(content, g));
    m_cache->checked = false;  // our own write is seen by the next lookup
}

char TextCatalog::UserDecimalSeparator() {
    return SystemDecimalSeparator();
}

}  // namespace carecfg
