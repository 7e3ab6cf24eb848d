#include "text/IniParse.h"

#include "base/WholeNumber.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

namespace carecfg {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view StripMatchingQuotes(std::string_view value) {
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first) {
            return value.substr(1, value.size() - 2);
        }
    }
    return value;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

void IniEntries::AppendMapKey(std::string& out, std::string_view section, std::string_view key) {
    out.reserve(out.size() + section.size() + key.size() + 1);
    for (char c : section)
        out.push_back(LowerAscii(c));
    out.push_back('\n');  // never part of a name: names come from single lines
    for (char c : key)
        out.push_back(LowerAscii(c));
}

void IniEntries::Add(std::string_view section, std::string_view key, std::string_view value) {
    std::string mapKey;
    AppendMapKey(mapKey, TrimBlanks(section), TrimBlanks(key));
    m_values.try_emplace(std::move(mapKey), value);
}

std::optional<std::string_view> IniEntries::Find(std::string_view section,
                                                 std::string_view key) const {
    std::string mapKey;
    AppendMapKey(mapKey, TrimBlanks(section), TrimBlanks(key));
    const auto it = m_values.find(mapKey);
    if (it == m_values.end())
        return std::nullopt;
    return std::string_view(it->second);
}

IniEntries ParseIni(std::string_view text) {
    IniEntries entries;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    std::optional<std::string> section;  // none before the first section line
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimBlanks(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                section = std::string(TrimBlanks(line.substr(1, close - 1)));
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !section)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        if (key.empty())
            continue;
        std::string_view value = StripMatchingQuotes(TrimBlanks(line.substr(eq + 1)));
        if (value.size() > kMaxIniValueLength)
            value = value.substr(0, kMaxIniValueLength);
        entries.Add(*section, key, value);
    }
    return entries;
}

std::optional<int> ParseIniInteger(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    if (base == 10)
        return ParseWholeNumberAs<int>(text);

    // Accumulate in 64 bits and stop as soon as the magnitude leaves the int range.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? HexDigit(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            return std::nullopt;
    }
    if (negative)
        return static_cast<int>(-magnitude);
    if (magnitude > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(magnitude);
}

std::optional<double> ParseIniReal(std::string_view text, char decimalSeparator) {
    // Check the grammar here and build the canonical form ('.' separator, no '+') that
    // std::from_chars reads independently of the process locale.
    std::string canonical;
    canonical.reserve(text.size());
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            canonical.push_back('-');
        ++i;
    }
    int digits = 0;
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            canonical.push_back(c);
            ++digits;
        } else if (c == decimalSeparator && !separatorSeen) {
            canonical.push_back('.');
            separatorSeen = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        canonical.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            canonical.push_back(text[i]);
            ++i;
        }
        int exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            canonical.push_back(text[i]);
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    double value = 0;
    const char* first = canonical.data();
    const char* last = first + canonical.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace carecfg
