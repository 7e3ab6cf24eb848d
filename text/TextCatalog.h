#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text/IniParse.h"

namespace carecfg {

// Lookups of texts and numbers in one INI file (skin.ini) with change-aware caching.
//
// Every lookup answers from the current content of the file: the parsed entries are kept and the
// file is parsed again only when its size, modification time (to the nanosecond), inode or device
// changed (on Windows: its size, last-write or creation time). A file modified so recently that a
// further edit could still carry the same timestamp is compared byte for byte at the next lookup,
// so even a same-size edit within one clock tick is noticed. A missing or unreadable file gives
// every lookup its default; a file that appears later is picked up at the next lookup. The syntax
// rules are those of ParseIni (text/IniParse.h): names are case-insensitive, values trimmed and
// unquoted, the first of duplicate keys wins.
//
// Texts are the 8-bit code-page bytes of the file, returned unchanged.
// A catalogue is meant for one thread (the window's event thread); it is not synchronised.
class TextCatalog {
public:
    explicit TextCatalog(std::filesystem::path iniPath);
    ~TextCatalog();
    TextCatalog(TextCatalog&&) noexcept;
    TextCatalog& operator=(TextCatalog&&) noexcept;
    TextCatalog(const TextCatalog&) = delete;
    TextCatalog& operator=(const TextCatalog&) = delete;

    // skin.ini in the folder of the running executable.
    static TextCatalog BesideExecutable();

    const std::filesystem::path& Path() const { return m_path; }

    // Section "MESSAGE". An absent key gives the text of "M0", or "Unknown Error" without "M0".
    std::string MessageText(std::string_view key) const;
    int MessageInteger(std::string_view key) const;                           // default 0
    double MessageNumber(std::string_view key, char decimalSeparator) const;  // default 0
    double MessageNumber(std::string_view key) const;  // separator of the user's locale

    // Section "CONFIG"; default "0".
    std::string ConfigText(std::string_view key) const;

    // Section "FORM" with the caller's defaults. A yes/no value is a whole number, 0 = no.
    std::string FormText(std::string_view key, std::string_view def) const;
    int FormInteger(std::string_view key, int def) const;
    bool FormBool(std::string_view key, bool def) const;

    // Raw value of any section; nullopt when absent.
    std::optional<std::string> Lookup(std::string_view section, std::string_view key) const;

    struct Geometry {
        int left, top, width, height;
    };
    // Keys "Left", "Top", "Width", "Height" of section "Config"; each absent or unreadable key
    // gives its default.
    Geometry ReadWindowGeometry(const Geometry& defaults) const;
    // Stores the four keys as decimal text in the first section named Config in any letter case
    // (a new "[Config]" section is appended when there is none), replacing the first entry of
    // each key or adding it at the end of the section. Every other line is kept byte for byte.
    // The file is created if missing and replaced atomically (temporary file beside it, then
    // rename), so a failure never leaves a half-written file. Throws std::runtime_error when the
    // file cannot be read or written; the old file is then unchanged.
    void WriteWindowGeometry(const Geometry& g);

    // By default every lookup checks the file (one stat call). A positive interval lets lookups
    // within that time after the last check answer from the cache without a check; useful for
    // bursts of thousands of lookups where a system call costs more than the lookup itself.
    // Writes through this catalogue are always seen at once.
    void SetRecheckInterval(std::chrono::nanoseconds interval);

    // The user's decimal separator (LC_NUMERIC of the environment, not of the process; the
    // user's regional settings on Windows).
    static char UserDecimalSeparator();

private:
    struct Cache;
    static void Forget(Cache& cache);
    const IniEntries& Entries() const;  // refreshes the cache when the file changed
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    std::filesystem::path m_path;
    std::unique_ptr<Cache> m_cache;
};

}  // namespace carecfg
