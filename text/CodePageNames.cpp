#include "text/CodePageNames.h"

#include <string>

namespace carecfg {

namespace {

// The name in capitals without the separators that spellings of one name differ in.
std::string Folded(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (char c : name) {
        if (c == '-' || c == '_' || c == ' ' || c == '\t')
            continue;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        folded += c;
    }
    return folded;
}

// A run of at most nine digits as a number; nullopt for anything else.
std::optional<unsigned> Digits(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

struct NamedCodePage {
    std::string_view folded;
    unsigned number;
};

constexpr NamedCodePage kNamed[] = {
    {"ISO88591", 28591},  {"LATIN1", 28591},    {"ISO88592", 28592}, {"LATIN2", 28592},
    {"ISO88593", 28593},  {"ISO88594", 28594},  {"ISO88595", 28595}, {"ISO88596", 28596},
    {"ISO88597", 28597},  {"ISO88598", 28598},  {"ISO88599", 28599}, {"ISO885913", 28603},
    {"ISO885915", 28605}, {"LATIN9", 28605},    {"GB2312", 936},     {"GBK", 936},
    {"EUCCN", 936},       {"GB18030", 54936},   {"BIG5", 950},       {"SHIFTJIS", 932},
    {"SJIS", 932},        {"MSKANJI", 932},     {"EUCJP", 20932},    {"EUCKR", 51949},
    {"UHC", 949},         {"JOHAB", 1361},      {"KOI8R", 20866},    {"KOI8U", 21866},
    {"TIS620", 874},      {"MACINTOSH", 10000}, {"MACROMAN", 10000}, {"UTF8", 65001},
    {"ASCII", 20127},     {"USASCII", 20127},
};

constexpr std::string_view kPrefixes[] = {"WINDOWS", "CP", "IBM", "MS"};

}  // namespace

std::string ConverterCodePageName(std::string name) {
    const bool number = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    return number ? "CP" + name : name;
}

std::optional<unsigned> WindowsCodePageNumber(std::string_view name) {
    const std::string folded = Folded(name);
    if (const auto number = Digits(folded))
        return number;
    for (const std::string_view prefix : kPrefixes) {
        if (folded.size() > prefix.size() && folded.compare(0, prefix.size(), prefix) == 0) {
            if (const auto number = Digits(std::string_view(folded).substr(prefix.size())))
                return number;
        }
    }
    for (const NamedCodePage& named : kNamed) {
        if (folded == named.folded)
            return named.number;
    }
    return std::nullopt;
}

}  // namespace carecfg
