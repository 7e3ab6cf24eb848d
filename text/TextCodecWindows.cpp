#include <windows.h>

#include <climits>
#include <vector>

#include "text/CodePageNames.h"
#include "text/TextCodec.h"

namespace carecfg {

namespace {

constexpr unsigned kDefaultCodePageNumber = 1252;
constexpr wchar_t kReplacement = 0xFFFD;

// The conversion calls take int lengths; longer texts go in pieces of this many bytes (no text
// of the tool comes near it, so a character cut at a seam costs at most one replacement).
constexpr std::size_t kMaxPiece = 1u << 28;

// Code pages that refuse the flags and the default character of WideCharToMultiByte.
bool TakesNoDefaultChar(unsigned codePage) {
    return codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 || codePage == 54936 ||
           (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
           (codePage >= 57002 && codePage <= 57011);
}

// The ANSI code pages leave a few bytes of 0x80..0x9F without a character, which Windows
// nevertheless decodes as C1 control codes; no text holds those, so they are undecodable.
bool HasUndefinedC1(unsigned codePage) {
    return codePage == 874 || (codePage >= 1250 && codePage <= 1258);
}

// Code pages whose conversion refuses MB_ERR_INVALID_CHARS (flags must be 0 there).
bool RefusesErrorFlag(unsigned codePage) {
    return codePage == CP_UTF7 || codePage == 42 || (codePage >= 50220 && codePage <= 50229) ||
           (codePage >= 57002 && codePage <= 57011);
}

// Converts one character at a time: the shortest run of up to four bytes that is a character of
// the code page, or U+FFFD for one byte that starts none. This is what iconv does on POSIX, and it
// never swallows the bytes after a broken sequence (the system's own substitution may, and it
// gives '?' instead of U+FFFD in double-byte code pages).
void WidenEachCharacter(unsigned codePage, std::string_view bytes, std::wstring& wide) {
    constexpr int kLongestCharacter = 4;
    std::size_t at = 0;
    while (at < bytes.size()) {
        bool converted = false;
        for (int length = 1; length <= kLongestCharacter && at + length <= bytes.size(); ++length) {
            wchar_t character[kLongestCharacter];
            const int count =
                ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data() + at, length,
                                      character, kLongestCharacter);
            if (count > 0) {
                wide.append(character, static_cast<std::size_t>(count));
                at += static_cast<std::size_t>(length);
                converted = true;
                break;
            }
        }
        if (!converted) {
            wide.push_back(kReplacement);
            ++at;
        }
    }
}

std::wstring Widen(unsigned codePage, std::string_view bytes) {
    std::wstring wide;
    const DWORD flags = RefusesErrorFlag(codePage) ? 0 : MB_ERR_INVALID_CHARS;
    for (std::size_t at = 0; at < bytes.size(); at += kMaxPiece) {
        const std::string_view piece = bytes.substr(at, kMaxPiece);
        const int length = static_cast<int>(piece.size());
        const int needed = ::MultiByteToWideChar(codePage, flags, piece.data(), length, nullptr, 0);
        if (needed <= 0) {
            if (flags == 0) {
                wide.append(piece.size(), kReplacement);
            } else {
                WidenEachCharacter(codePage, piece, wide);  // some bytes are no character
            }
            continue;
        }
        const std::size_t start = wide.size();
        wide.resize(start + static_cast<std::size_t>(needed));
        const int done = ::MultiByteToWideChar(codePage, flags, piece.data(), length,
                                               wide.data() + start, needed);
        wide.resize(start + static_cast<std::size_t>(done > 0 ? done : 0));
    }
    return wide;
}

std::string Narrow(unsigned codePage, std::wstring_view wide) {
    std::string out;
    const bool plain = TakesNoDefaultChar(codePage);
    const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* defaultChar = plain ? nullptr : "?";
    for (std::size_t at = 0; at < wide.size(); at += kMaxPiece) {
        const std::wstring_view piece = wide.substr(at, kMaxPiece);
        const int length = static_cast<int>(piece.size());
        const int needed = ::WideCharToMultiByte(codePage, flags, piece.data(), length, nullptr, 0,
                                                 defaultChar, nullptr);
        if (needed <= 0) {
            out.append(piece.size(), '?');
            continue;
        }
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(needed));
        const int done = ::WideCharToMultiByte(codePage, flags, piece.data(), length,
                                               out.data() + start, needed, defaultChar, nullptr);
        out.resize(start + static_cast<std::size_t>(done > 0 ? done : 0));
    }
    return out;
}

}  // namespace

// The Windows conversions keep no state, so the copies of a codec need no lock.
struct TextCodec::Converters {
    unsigned codePage = kDefaultCodePageNumber;
};

TextCodec::TextCodec(std::string codePage) : m_converters(std::make_shared<Converters>()) {
    codePage = ConverterCodePageName(std::move(codePage));
    const auto number = WindowsCodePageNumber(codePage);
    if (!number || *number == 0 || ::IsValidCodePage(*number) == 0) {
        codePage = kDefaultCodePage;
        m_converters->codePage = kDefaultCodePageNumber;
    } else {
        m_converters->codePage = *number;
    }
    m_codePage = std::move(codePage);
}

std::string TextCodec::ToUtf8(std::string_view bytes) const {
    const unsigned codePage = m_converters->codePage;
    std::wstring wide = Widen(codePage, bytes);
    if (HasUndefinedC1(codePage)) {
        for (wchar_t& c : wide) {
            if (c >= 0x80 && c <= 0x9F)
                c = kReplacement;
        }
    }
    return Narrow(CP_UTF8, wide);
}

std::string TextCodec::FromUtf8(std::string_view utf8) const {
    // Malformed UTF-8 decodes to U+FFFD, which no 8-bit code page has: it becomes '?' as well.
    return Narrow(m_converters->codePage, Widen(CP_UTF8, utf8));
}

}  // namespace carecfg
