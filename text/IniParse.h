#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace carecfg {

// The entries of one INI text, keyed for case-insensitive lookups.
//
// Reading rules:
// - "[name]" starts a section; blanks around the name do not count, letter case does not count.
//   A section that appears twice is one section: its entries are merged.
// - "key=value" is an entry. Blanks around the key do not count, letter case does not count.
//   The value loses its leading and trailing blanks (spaces and tabs), then one pair of matching
//   double or single quotes around it, and is then cut to its first kMaxIniValueLength bytes.
//   An entry with an empty value is present and yields the empty text.
// - When a key appears more than once in a section, the first entry wins (later ones are
//   ignored), as the common INI readers do.
// - Lines without '=', lines whose trimmed text begins with ';', entries with an empty key and
//   entries before the first section are ignored.
// - Lines end with LF, CRLF or CR. A UTF-8 byte-order mark at the start is skipped.
// Values are bytes of the file's 8-bit code page and are kept unchanged.
class IniEntries {
public:
    // Adds the entry unless the section already has the key (first entry wins).
    void Add(std::string_view section, std::string_view key, std::string_view value);
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    std::size_t Size() const { return m_values.size(); }

private:
    static void AppendMapKey(std::string& out, std::string_view section, std::string_view key);
    std::unordered_map<std::string, std::string> m_values;  // "section\nkey", both lower case
};

inline constexpr std::size_t kMaxIniValueLength = 2047;

IniEntries ParseIni(std::string_view text);

// The value of one hexadecimal digit (either case), or -1 for any other character.
int HexDigit(char c);

// Blanks (space, tab) removed at both ends.
std::string_view TrimBlanks(std::string_view text);

// Whole number: optional sign and decimal digits, or after the sign "0x"/"0X"/"$" and
// hexadecimal digits. Nothing else may follow ("12abc" fails). Values outside int fail.
std::optional<int> ParseIniInteger(std::string_view text);

// Real number in decimal notation with the given decimal separator: optional sign, digits with
// at most one separator (at least one digit in all), optional exponent "e"/"E" with optional
// sign and digits. Nothing else may follow; values beyond the range of double fail.
std::optional<double> ParseIniReal(std::string_view text, char decimalSeparator);

}  // namespace carecfg
