#include "app/help/HelpDocuments.h"

#include <cstdint>
#include <optional>
#include <system_error>

#include "app/help/RtfReader.h"
#include "base/AtomicFile.h"

namespace carecfg {

namespace {

// Help documents are a few pages; anything larger is not one.
constexpr std::uint64_t kMaxDocumentSize = 16 * 1024 * 1024;

}  // namespace

HelpLoad LoadHelpDocument(const std::filesystem::path& file, const TextCodec& codec,
                          std::string_view builtInText) {
    // A missing document, or a link to one, is no failure: the page keeps its built-in text.
    std::error_code why;
    const std::filesystem::file_status state = std::filesystem::status(file, why);
    if (state.type() == std::filesystem::file_type::not_found &&
        why == std::errc::no_such_file_or_directory) {
        return HelpLoad{PlainTextToHtml(builtInText, codec), false};
    }
    // Never blocks on a FIFO and never reads a huge file: both are refused with their reason.
    std::string error;
    const std::optional<std::string> content = ReadSmallFile(file, kMaxDocumentSize, &error);
    if (!content) {
        return HelpLoad{PlainTextToHtml(builtInText, codec), true, error};
    }
    if (auto html = RtfToHtml(*content, codec))
        return HelpLoad{std::move(*html), false};
    return HelpLoad{PlainTextToHtml(*content, codec), false};
}

}  // namespace carecfg
