#include "cli/SettingsCommands.h"

#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include "base/AtomicFile.h"
#include "cli/CliArguments.h"
#include "cli/SettingsDocument.h"

namespace carecfg {

namespace {

// A settings JSON names a few hundred controls; a larger input is no such document.
constexpr std::size_t kMaxSettingsJsonSize = 4 * 1024 * 1024;

// The first bytes of a profile, or nullopt with the reason printed.
std::optional<std::vector<std::uint8_t>> ReadProfile(const std::filesystem::path& file,
                                                     std::ostream& err) {
    std::string why;
    auto bytes = ReadFileExactly(file, kSettingsRecordSize, &why);
    if (!bytes) {
        err << "carecfg-cli: " << file.string() << ": cannot read " << kSettingsRecordSize
            << " bytes of a profile: " << why << '\n';
    }
    return bytes;
}

}  // namespace

int ShowSettingsFile(const std::filesystem::path& file, bool json, const TextCatalog& catalog,
                     std::ostream& out, std::ostream& err) {
    const auto bytes = ReadProfile(file, err);
    if (!bytes) {
        return kExitFileError;
    }
    const auto document = std::make_unique<SettingsDocument>(catalog);
    if (!document->Decode(*bytes)) {
        err << "carecfg-cli: the settings could not be decoded\n";
        return kExitFailure;
    }
    if (json) {
        out << document->ToJson().dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
            << '\n';
    } else {
        out << document->ToText();
    }
    out << std::flush;
    return kExitOk;
}

SettingsFromJson EncodeSettingsJson(std::string_view text, std::span<const std::uint8_t> base,
                                    std::string_view source, const TextCatalog& catalog) {
    nlohmann::json values;
    try {
        values = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        return {std::nullopt, kExitUsage, std::string(source) + ": not valid JSON: " + e.what()};
    }
    const auto document = std::make_unique<SettingsDocument>(catalog);
    if (!document->Decode(base)) {
        return {std::nullopt, kExitFailure, "the base settings could not be decoded"};
    }
    SettingsFromJson result;
    if (!document->Apply(values, result.error)) {
        result.exitCode = kExitUsage;
        return result;
    }
    result.record = document->Encode();
    if (!result.record) {
        return {std::nullopt, kExitFailure, "the settings could not be encoded"};
    }
    return result;
}

int EncodeSettingsFile(const std::string& jsonSource, const std::filesystem::path& outFile,
                       const std::optional<std::filesystem::path>& base, const TextCatalog& catalog,
                       std::istream& in, std::ostream& out, std::ostream& err) {
    std::string text;
    if (jsonSource == "-") {
        // The standard input may be a pipe that never ends: read no more than a file may hold.
        char chunk[4096];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            text.append(chunk, static_cast<std::size_t>(in.gcount()));
            if (text.size() > kMaxSettingsJsonSize) {
                err << "carecfg-cli: standard input: more than " << kMaxSettingsJsonSize
                    << " bytes, no settings JSON\n";
                return kExitFileError;
            }
        }
    } else {
        // A FIFO, a directory or a huge file is refused before anything is read.
        std::string why;
        auto content = ReadSmallFile(jsonSource, kMaxSettingsJsonSize, &why);
        if (!content) {
            err << "carecfg-cli: " << jsonSource << ": cannot be read: " << why << '\n';
            return kExitFileError;
        }
        text = std::move(*content);
    }
    std::vector<std::uint8_t> start(kSettingsRecordSize, 0x00);
    if (base) {
        auto bytes = ReadProfile(*base, err);
        if (!bytes) {
            return kExitFileError;
        }
        start = std::move(*bytes);
    }
    const SettingsFromJson result =
        EncodeSettingsJson(text, start, jsonSource == "-" ? "standard input" : jsonSource, catalog);
    if (!result.record) {
        err << "carecfg-cli: " << result.error << '\n';
        return result.exitCode;
    }
    std::string error;
    if (!WriteFileAtomically(outFile, *result.record, &error)) {
        err << "carecfg-cli: " << error << '\n';
        return kExitFileError;
    }
    out << "Profile written to " << outFile.string() << '\n' << std::flush;
    return kExitOk;
}

}  // namespace carecfg
