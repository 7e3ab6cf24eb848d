#include "app/help/RtfReader.h"

#include "text/IniParse.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace carecfg {

namespace {

// Groups nested deeper than this are skipped with everything in them.
constexpr std::size_t kMaxDepth = 200;
// Colour tables longer than this keep their first entries only.
constexpr std::size_t kMaxColours = 1024;
// Control words longer than this are not words RTF defines.
constexpr std::size_t kMaxWordLength = 32;
// Numeric parameters are clamped to this magnitude.
constexpr long kMaxParameter = 1'000'000'000;

constexpr int kDefaultHalfPoints = 24;  // 12 pt

enum class Destination { Text, Skip, ColourTable };
enum class Alignment { Left, Centre, Right, Justify };

struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = kDefaultHalfPoints;
    int colour = 0;  // index into the colour table; 0 = automatic
    bool operator==(const CharFormat&) const = default;
};

struct GroupState {
    CharFormat format;
    Destination destination = Destination::Text;
    Alignment alignment = Alignment::Left;
    int unicodeSkip = 1;  // bytes that stand in for each \uN character (\ucN)
};

struct Colour {
    bool automatic = true;
    int red = 0, green = 0, blue = 0;
};

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Destinations whose content is not part of the visible text.
bool IsSkippedDestination(std::string_view word) {
    static constexpr std::array<std::string_view, 32> kSkipped = {"fonttbl",   "stylesheet",
                                                                  "info",      "pict",
                                                                  "object",    "header",
                                                                  "headerl",   "headerr",
                                                                  "headerf",   "footer",
                                                                  "footerl",   "footerr",
                                                                  "footerf",   "footnote",
                                                                  "listtable", "listoverridetable",
                                                                  "rsidtbl",   "revtbl",
                                                                  "filetbl",   "xmlnstbl",
                                                                  "themedata", "colorschememapping",
                                                                  "datastore", "latentstyles",
                                                                  "generator", "fldinst",
                                                                  "pgdsctbl",  "nonshppict",
                                                                  "shpinst",   "pn",
                                                                  "do",        "template"};
    return std::find(kSkipped.begin(), kSkipped.end(), word) != kSkipped.end();
}

// Converts one document; the state of a single run of RtfToHtml.
class RtfConverter {
public:
    RtfConverter(std::string_view rtf, const TextCodec& codec) : m_rtf(rtf), m_codec(codec) {}

    std::string Convert() {
        m_stack.reserve(32);
        while (m_pos < m_rtf.size() && !m_finished)
            Step();
        EndParagraph(/*force=*/false);
        return std::move(m_html);
    }

private:
    void Step() {
        const char c = m_rtf[m_pos++];
        switch (c) {
            case '{':
                OpenGroup();
                return;
            case '}':
                CloseGroup();
                return;
            case '\\':
                ControlSequence();
                return;
            case '\r':
            case '\n':
                return;  // line breaks of the file are not text
            default:
                TextByte(static_cast<unsigned char>(c));
        }
    }

    void OpenGroup() {
        if (m_tooDeep > 0 || m_stack.size() >= kMaxDepth) {
            ++m_tooDeep;
            return;
        }
        m_unicodePending = 0;
        m_stack.push_back(m_stack.empty() ? GroupState{} : m_stack.back());
    }

    void CloseGroup() {
        if (m_tooDeep > 0) {
            --m_tooDeep;
            return;
        }
        m_unicodePending = 0;
        if (m_stack.empty()) {
            m_finished = true;  // a stray closing brace ends the document
            return;
        }
        if (m_stack.back().destination == Destination::ColourTable && m_colourComponentSeen) {
            PushColour();  // a last entry without its ';'
        }
        if (m_stack.size() == 1) {
            EndParagraph(/*force=*/false);  // with the alignment the document ends in
            m_finished = true;
        }
        m_stack.pop_back();
    }

    bool Active() const {
        return m_tooDeep == 0 && !m_stack.empty() &&
               m_stack.back().destination != Destination::Skip;
    }

    void ControlSequence() {
        if (m_pos >= m_rtf.size())
            return;
        const char c = m_rtf[m_pos];
        if (!IsLetter(c)) {
            ++m_pos;
            ControlSymbol(c);
            return;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_rtf.size() && IsLetter(m_rtf[m_pos]))
            ++m_pos;
        const std::string_view word = m_rtf.substr(start, m_pos - start);

        bool hasParameter = false;
        long parameter = 0;
        bool negative = false;
        if (m_pos + 1 < m_rtf.size() && m_rtf[m_pos] == '-' && IsDigit(m_rtf[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_rtf.size() && IsDigit(m_rtf[m_pos])) {
            hasParameter = true;
            parameter = std::min(kMaxParameter, parameter * 10 + (m_rtf[m_pos] - '0'));
            ++m_pos;
        }
        if (negative)
            parameter = -parameter;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos;  // the delimiter

        if (word.size() > kMaxWordLength)
            return;
        ControlWord(word, hasParameter, parameter);
    }

    void ControlSymbol(char c) {
        switch (c) {
            case '\\':
            case '{':
            case '}':
                TextByte(static_cast<unsigned char>(c));
                return;
            case '\'': {
                const int high = m_pos < m_rtf.size() ? HexDigit(m_rtf[m_pos]) : -1;
                const int low = m_pos + 1 < m_rtf.size() ? HexDigit(m_rtf[m_pos + 1]) : -1;
                if (high < 0 || low < 0)
                    return;
                m_pos += 2;
                TextByte(static_cast<unsigned char>(high * 16 + low), /*literal=*/true);
                return;
            }
            case '*':
                if (!m_stack.empty() && m_tooDeep == 0) {
                    m_stack.back().destination = Destination::Skip;
                }
                return;
            case '~':
                Character(0x00A0);
                return;
            case '_':
                Character(0x2011);
                return;
            case '\r':
            case '\n':
                if (Active())
                    EndParagraph(/*force=*/true);
                return;
            case '\t':
                Character('\t');
                return;
            default:
                return;  // \- (optional hyphen), \| and others show nothing
        }
    }

    void ControlWord(std::string_view word, bool hasParameter, long parameter) {
        if (word == "bin") {
            // Binary data: its bytes are not RTF.
            const std::size_t count = parameter > 0 ? static_cast<std::size_t>(parameter) : 0;
            m_pos += std::min(count, m_rtf.size() - m_pos);
            return;
        }
        if (m_stack.empty() || m_tooDeep > 0)
            return;
        GroupState& state = m_stack.back();
        if (IsSkippedDestination(word)) {
            state.destination = Destination::Skip;
            return;
        }
        if (word == "colortbl") {
            if (state.destination != Destination::Skip)
                state.destination = Destination::ColourTable;
            return;
        }
        if (state.destination == Destination::ColourTable) {
            const int value = static_cast<int>(std::clamp(parameter, 0L, 255L));
            if (word == "red") {
                m_colour.red = value;
            } else if (word == "green") {
                m_colour.green = value;
            } else if (word == "blue") {
                m_colour.blue = value;
            } else {
                return;
            }
            m_colour.automatic = false;
            m_colourComponentSeen = true;
            return;
        }
        m_unicodePending = 0;  // a control word ends the stand-in bytes of a \uN
        if (word != "u")
            DropHighSurrogate();
        const bool on = !hasParameter || parameter != 0;
        if (word == "par" || word == "sect" || word == "page") {
            if (Active())
                EndParagraph(/*force=*/true);
        } else if (word == "line") {
            if (Active())
                LineBreak();
        } else if (word == "tab") {
            Character('\t');
        } else if (word == "b") {
            state.format.bold = on;
        } else if (word == "i") {
            state.format.italic = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" ||
                   word == "uldash" || word == "ulth" || word == "ulwave") {
            state.format.underline = on;
        } else if (word == "ulnone") {
            state.format.underline = false;
        } else if (word == "plain") {
            state.format = CharFormat{};
        } else if (word == "fs") {
            state.format.halfPoints = hasParameter
                                          ? static_cast<int>(std::clamp(parameter, 2L, 3276L))
                                          : kDefaultHalfPoints;
        } else if (word == "cf") {
            state.format.colour = static_cast<int>(std::clamp(parameter, 0L, kMaxParameter));
        } else if (word == "pard") {
            state.alignment = Alignment::Left;
        } else if (word == "ql") {
            state.alignment = Alignment::Left;
        } else if (word == "qc") {
            state.alignment = Alignment::Centre;
        } else if (word == "qr") {
            state.alignment = Alignment::Right;
        } else if (word == "qj") {
            state.alignment = Alignment::Justify;
        } else if (word == "uc") {
            state.unicodeSkip = static_cast<int>(std::clamp(parameter, 0L, 16L));
        } else if (word == "u") {
            UnicodeCharacter(parameter);
        } else if (word == "emdash") {
            Character(0x2014);
        } else if (word == "endash") {
            Character(0x2013);
        } else if (word == "bullet") {
            Character(0x2022);
        } else if (word == "lquote") {
            Character(0x2018);
        } else if (word == "rquote") {
            Character(0x2019);
        } else if (word == "ldblquote") {
            Character(0x201C);
        } else if (word == "rdblquote") {
            Character(0x201D);
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            Character(' ');
        }
    }

    void UnicodeCharacter(long parameter) {
        // \uN carries a signed 16-bit number; negative values stand for 65536 + N.
        std::uint32_t unit =
            static_cast<std::uint32_t>(parameter < 0 ? parameter + 65536 : parameter);
        if (unit > 0xFFFF)
            unit = 0xFFFD;
        const int skip = m_stack.back().unicodeSkip;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            m_highSurrogate = unit;  // waits for its low half in the next \uN
        } else if (unit >= 0xDC00 && unit <= 0xDFFF && m_highSurrogate != 0) {
            Character(0x10000 + ((m_highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
            m_highSurrogate = 0;
        } else {
            DropHighSurrogate();
            Character(unit);
        }
        m_unicodePending = skip;
    }

    void TextByte(unsigned char byte, bool literal = false) {
        if (m_unicodePending > 0) {
            --m_unicodePending;  // the stand-in for the preceding \uN character
            return;
        }
        if (m_stack.empty() || m_tooDeep > 0)
            return;
        const Destination destination = m_stack.back().destination;
        if (destination == Destination::ColourTable) {
            if (byte == ';' && !literal)
                PushColour();
            return;
        }
        if (destination == Destination::Skip)
            return;
        if (byte == '\t') {
            Character('\t');
            return;
        }
        if (byte < 0x20 && !literal)
            return;
        DropHighSurrogate();
        if (!m_pendingBytes.empty() && !(m_pendingFormat == m_stack.back().format))
            FlushBytes();
        m_pendingFormat = m_stack.back().format;
        m_pendingBytes.push_back(static_cast<char>(byte));
    }

    // A high surrogate not followed by its low half shows as U+FFFD.
    void DropHighSurrogate() {
        if (m_highSurrogate == 0)
            return;
        m_highSurrogate = 0;
        Character(0xFFFD);
    }

    void PushColour() {
        if (m_colours.size() < kMaxColours)
            m_colours.push_back(m_colour);
        m_colour = Colour{};
        m_colourComponentSeen = false;
    }

    void Character(std::uint32_t cp) {
        if (!Active() || m_stack.back().destination != Destination::Text)
            return;
        FlushBytes();
        std::string utf8;
        AppendUtf8(utf8, cp);
        EmitText(utf8, m_stack.back().format);
    }

    void FlushBytes() {
        if (m_pendingBytes.empty())
            return;
        const std::string utf8 = m_codec.ToUtf8(m_pendingBytes);
        m_pendingBytes.clear();
        EmitText(utf8, m_pendingFormat);
    }

    void EmitText(std::string_view utf8, const CharFormat& format) {
        // Formats that render alike (an unknown colour and none) share one run.
        std::string opening = OpeningTags(format);
        if (!m_runOpen || opening != m_runOpening) {
            CloseRun();
            m_paragraph += opening;
            m_runOpening = std::move(opening);
            m_runFormat = format;
            m_runOpen = true;
        }
        for (char c : utf8) {
            if (c == ' ') {
                // HTML folds blanks; keep a run of them and a leading one.
                m_paragraph += m_lastWasBlank ? "&nbsp;" : " ";
                m_lastWasBlank = true;
                continue;
            }
            m_lastWasBlank = false;
            switch (c) {
                case '&':
                    m_paragraph += "&amp;";
                    break;
                case '<':
                    m_paragraph += "&lt;";
                    break;
                case '>':
                    m_paragraph += "&gt;";
                    break;
                case '"':
                    m_paragraph += "&quot;";
                    break;
                case '\t':
                    m_paragraph += "&nbsp;&nbsp;&nbsp;&nbsp;";
                    break;
                default:
                    m_paragraph.push_back(c);
            }
        }
    }

    std::string OpeningTags(const CharFormat& format) const {
        std::string tags;
        if (format.bold)
            tags += "<b>";
        if (format.italic)
            tags += "<i>";
        if (format.underline)
            tags += "<u>";
        std::string style;
        if (format.halfPoints != kDefaultHalfPoints) {
            char size[32];
            std::snprintf(size, sizeof size, "font-size:%gpt", format.halfPoints / 2.0);
            style += size;
        }
        if (format.colour > 0 && static_cast<std::size_t>(format.colour) < m_colours.size() &&
            !m_colours[static_cast<std::size_t>(format.colour)].automatic) {
            const Colour& c = m_colours[static_cast<std::size_t>(format.colour)];
            char colour[24];
            std::snprintf(colour, sizeof colour, "color:#%02x%02x%02x", c.red, c.green, c.blue);
            if (!style.empty())
                style += ';';
            style += colour;
        }
        if (!style.empty())
            tags += "<span style=\"" + style + "\">";
        return tags;
    }

    void CloseRun() {
        if (!m_runOpen)
            return;
        if (m_runOpening.find("<span") != std::string::npos)
            m_paragraph += "</span>";
        if (m_runFormat.underline)
            m_paragraph += "</u>";
        if (m_runFormat.italic)
            m_paragraph += "</i>";
        if (m_runFormat.bold)
            m_paragraph += "</b>";
        m_runOpen = false;
    }

    void LineBreak() {
        FlushBytes();
        m_paragraph += "<br>";
        m_lastWasBlank = true;  // a blank after the break would be folded away
    }

    // Ends the current paragraph; force emits an empty one too (an explicit \par).
    void EndParagraph(bool force) {
        DropHighSurrogate();
        FlushBytes();
        CloseRun();
        if (m_paragraph.empty() && !force)
            return;
        const Alignment alignment = m_stack.empty() ? m_lastAlignment : m_stack.back().alignment;
        m_lastAlignment = alignment;
        m_html += "<p";
        switch (alignment) {
            case Alignment::Centre:
                m_html += " align=\"center\"";
                break;
            case Alignment::Right:
                m_html += " align=\"right\"";
                break;
            case Alignment::Justify:
                m_html += " align=\"justify\"";
                break;
            case Alignment::Left:
                break;
        }
        m_html += '>';
        m_html += m_paragraph.empty() ? std::string("&nbsp;") : m_paragraph;
        m_html += "</p>\n";
        m_paragraph.clear();
        m_lastWasBlank = true;
    }

    std::string_view m_rtf;
    const TextCodec& m_codec;
    std::size_t m_pos = 0;
    bool m_finished = false;
    std::vector<GroupState> m_stack;
    std::size_t m_tooDeep = 0;  // open groups beyond kMaxDepth

    std::vector<Colour> m_colours;
    Colour m_colour;
    bool m_colourComponentSeen = false;

    int m_unicodePending = 0;
    std::uint32_t m_highSurrogate = 0;

    std::string
        m_pendingBytes;  // code-page bytes not yet decoded (multi-byte pages need them whole)
    CharFormat m_pendingFormat;

    std::string m_html;
    std::string m_paragraph;
    bool m_runOpen = false;
    std::string m_runOpening;  // opening tags of the open run
    CharFormat m_runFormat;
    bool m_lastWasBlank = true;
    Alignment m_lastAlignment = Alignment::Left;
};

}  // namespace

std::optional<std::string> RtfToHtml(std::string_view rtfBytes, const TextCodec& codec) {
    std::string_view body = rtfBytes;
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        body.remove_prefix(3);
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t' || body.front() == '\r' ||
                             body.front() == '\n')) {
        body.remove_prefix(1);
    }
    if (body.substr(0, 5) != "{\\rtf")
        return std::nullopt;
    return RtfConverter(body, codec).Convert();
}

std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (char c : utf8) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

std::string PlainTextToHtml(std::string_view bytes, const TextCodec& codec) {
    const std::string text = EscapeHtml(codec.ToUtf8(bytes));
    std::string out = "<p style=\"white-space:pre-wrap\">";
    out.reserve(text.size() + 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "<br>";
        } else {
            out.push_back(c);
        }
    }
    out += "</p>";
    return out;
}

}  // namespace carecfg
