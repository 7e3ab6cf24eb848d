#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace carecfg {

// The code page of the texts when the catalogue names none, or one this system cannot convert.
inline constexpr const char* kDefaultCodePage = "WINDOWS-1252";

// A code-page name as the converters take it: a bare number ("1251") gets its prefix ("CP1251");
// any other name stays as it is.
std::string ConverterCodePageName(std::string name);

// The Windows code-page number of a code-page name as the catalogue may give it: a bare number
// ("1252"), a prefixed one ("CP1252", "windows-1252", "IBM850"), or one of the common charset
// names ("ISO-8859-5", "GB2312", "Shift_JIS", "KOI8-R", "UTF-8", ...). Letter case, '-', '_' and
// blanks do not count. nullopt for a name without a number; whether the system has that code
// page is for the caller to ask.
std::optional<unsigned> WindowsCodePageNumber(std::string_view name);

}  // namespace carecfg
