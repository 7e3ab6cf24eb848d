#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "text/TextCodec.h"

namespace carecfg {

// Texts the three help pages are built with; a document loaded at start replaces them.
inline constexpr std::string_view kReadMeRTEBuiltInText = "User Guide";
inline constexpr std::string_view kGPRSLogRTEBuiltInText = "GPRS Debug, for engineer use only.";
inline constexpr std::string_view kContactRTEBuiltInText = "Contact Us";

// Documents looked for in the folder of the executable.
inline constexpr std::string_view kHelpDocumentName = "Help.rtf";        // into ReadMeRTE
inline constexpr std::string_view kContactDocumentName = "Contact.rtf";  // into ContactRTE

// Result of loading one help document.
struct HelpLoad {
    std::string html;            // what the page shows
    bool failed;                 // the document exists but could not be read: tell the user
    std::string errorText = {};  // why it failed, in the system's words where it has them
};

// Loads a help document as HTML for its page.
// - Missing file: the built-in text, failed = false.
// - Rich text: converted by RtfToHtml; anything else is shown as plain text.
// - A file that exists but cannot be opened or read (a directory, a FIFO or a device in its
//   place, a loop of symbolic links, no permission, a read error, larger than 16 MiB): the
//   built-in text, failed = true and the error text ("Is a directory", "Too many levels of
//   symbolic links", "File too large (...)"), so the window reports it in a message box and goes
//   on building itself. Neither a FIFO nor a huge file is waited on or read.
HelpLoad LoadHelpDocument(const std::filesystem::path& file, const TextCodec& codec,
                          std::string_view builtInText);

}  // namespace carecfg
