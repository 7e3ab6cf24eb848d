#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/TextCodec.h"

namespace carecfg {

// Turns a rich-text (RTF) document into simple HTML that a Qt text view shows: paragraphs,
// line breaks, bold, italic, underline, font sizes, text colours from the colour table and
// paragraph alignment. 8-bit text and \'hh bytes are decoded with codec; \uN characters are
// taken as they are. Destinations that hold no visible text (font table, style sheet, document
// information, pictures, {\* ...} groups and the like) are skipped; unknown control words are
// ignored, and everything else is text.
// The reader never recurses: group nesting beyond a fixed depth is skipped, unbalanced braces
// and huge numbers are tolerated, and any byte sequence gives some result.
// Returns nullopt when the bytes are not a rich-text document (they do not begin with "{\rtf").
std::optional<std::string> RtfToHtml(std::string_view rtfBytes, const TextCodec& codec);

// Plain text as HTML: decoded with codec, &, <, > and quotes escaped, line breaks (LF, CRLF, CR)
// kept, runs of blanks kept.
std::string PlainTextToHtml(std::string_view bytes, const TextCodec& codec);

// UTF-8 text with &, <, >, " escaped for HTML.
std::string EscapeHtml(std::string_view utf8);

}  // namespace carecfg
