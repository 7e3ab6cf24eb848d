#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace carecfg {

class TextCatalog;

// Converts 8-bit code-page bytes (the texts of skin.ini, of the unit's memory and of RTF
// documents) to UTF-8 and back, with iconv on POSIX and MultiByteToWideChar/WideCharToMultiByte
// on Windows.
//
// The code page comes from the key "codepage" of section CONFIG in skin.ini: any name iconv
// knows ("WINDOWS-1252", "CP1251", "GB2312", "ISO-8859-2", ...) or a bare Windows code-page number
// ("1252", "936"), which is read as "CP<number>"; on Windows the names WindowsCodePageNumber
// (text/CodePageNames.h) maps to a code page the system has. Without the key, with an empty value
// or "0", and with a name the system does not know, the code page is WINDOWS-1252.
// Conversions never fail; they may be used from one thread at a time per object copy family
// (copies share the converters, which are guarded by a mutex).
class TextCodec {
public:
    explicit TextCodec(std::string codePage = "WINDOWS-1252");  // unknown: WINDOWS-1252
    static TextCodec FromCatalog(const TextCatalog& catalog);   // CONFIG "codepage"

    const std::string& CodePage() const { return m_codePage; }  // the name in use

    std::string ToUtf8(std::string_view bytes) const;   // undecodable bytes -> U+FFFD
    std::string FromUtf8(std::string_view utf8) const;  // unmappable characters -> '?'

private:
    struct Converters;
    std::string m_codePage;
    std::shared_ptr<Converters> m_converters;
};

}  // namespace carecfg
