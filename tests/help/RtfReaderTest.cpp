#include "app/help/RtfReader.h"

#include <gtest/gtest.h>

#include <ostream>

#include <random>
#include <string>
#include <string_view>
#include <utility>

namespace carecfg {
namespace {

struct RtfCase {
    const char* name;
    std::string rtf;
    std::string html;  // the whole result
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RtfCase& c, std::ostream* os) { *os << c.name; }


class RtfToHtmlCases : public ::testing::TestWithParam<RtfCase> {};

TEST_P(RtfToHtmlCases, ConvertsToExpectedHtml) {
    const TextCodec codec("WINDOWS-1252");
    const auto html = RtfToHtml(GetParam().rtf, codec);
    ASSERT_TRUE(html.has_value());
    EXPECT_EQ(*html, GetParam().html);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, RtfToHtmlCases,
    ::testing::Values(
        RtfCase{"plain", R"({\rtf1 Hello})", "<p>Hello</p>\n"},
        RtfCase{"paragraphs", R"({\rtf1 One\par Two\par})", "<p>One</p>\n<p>Two</p>\n"},
        RtfCase{"empty paragraph", R"({\rtf1 A\par\par B})", "<p>A</p>\n<p>&nbsp;</p>\n<p>B</p>\n"},
        RtfCase{"line break", R"({\rtf1 A\line B})", "<p>A<br>B</p>\n"},
        RtfCase{"file line breaks are not text", "{\\rtf1 A\r\nB}", "<p>AB</p>\n"},
        RtfCase{"bold italic underline", R"({\rtf1 {\b bold} {\i it} {\ul under}\b0  x})",
                "<p><b>bold</b> <i>it</i> <u>under</u> x</p>\n"},
        RtfCase{"toggle off with zero", R"({\rtf1 \b on\b0 off})", "<p><b>on</b>off</p>\n"},
        RtfCase{"plain resets", R"({\rtf1 \b\i x\plain y})", "<p><b><i>x</i></b>y</p>\n"},
        RtfCase{"font size", R"({\rtf1 {\fs32 big}{\fs21 odd}})",
                "<p><span style=\"font-size:16pt\">big</span>"
                "<span style=\"font-size:10.5pt\">odd</span></p>\n"},
        RtfCase{
            "colour table",
            R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue255;}{\cf1 red}{\cf2 blue}{\cf0 auto}{\cf9 none}})",
            "<p><span style=\"color:#ff0000\">red</span>"
            "<span style=\"color:#0080ff\">blue</span>autonone</p>\n"},
        RtfCase{"size and colour together",
                R"({\rtf1{\colortbl;\red1\green2\blue3;}\b\fs28\cf1 x})",
                "<p><b><span style=\"font-size:14pt;color:#010203\">x</span></b></p>\n"},
        RtfCase{"escaped symbols", R"({\rtf1 a\{b\}c\\d})", "<p>a{b}c\\d</p>\n"},
        RtfCase{"html special characters", R"({\rtf1 <b> & "q"})",
                "<p>&lt;b&gt; &amp; &quot;q&quot;</p>\n"},
        RtfCase{"windows-1252 bytes", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})",
                "<p>caf\xC3\xA9 \xE2\x82\xAC</p>\n"},
        RtfCase{"raw 8-bit bytes", "{\\rtf1 caf\xE9}", "<p>caf\xC3\xA9</p>\n"},
        RtfCase{"unicode with stand-in", R"({\rtf1 \u8364?5})",
                "<p>\xE2\x82\xAC"
                "5</p>\n"},
        RtfCase{"negative unicode", R"({\rtf1 \u-4064?})", "<p>\xEF\x80\xA0</p>\n"},
        RtfCase{"uc2 skips two stand-ins", R"({\rtf1\uc2 \u8364\'80\'80x})",
                "<p>\xE2\x82\xAC"
                "x</p>\n"},
        RtfCase{"uc0", R"({\rtf1\uc0 \u233 x})", "<p>\xC3\xA9x</p>\n"},
        RtfCase{"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "<p>\xF0\x9F\x98\x80</p>\n"},
        RtfCase{"lone surrogate", R"({\rtf1 \u-10179?x})", "<p>\xEF\xBF\xBDx</p>\n"},
        RtfCase{"font table skipped", R"({\rtf1{\fonttbl{\f0\fswiss Arial;}{\f1 Times;}}\f0 Text})",
                "<p>Text</p>\n"},
        RtfCase{"starred destination skipped", R"({\rtf1 a{\*\foo hidden {\b deeper}}b})",
                "<p>ab</p>\n"},
        RtfCase{"known destinations skipped",
                R"({\rtf1{\stylesheet{\s0 Normal;}}{\info{\title T}}{\pict 0123}x})", "<p>x</p>\n"},
        RtfCase{"field shows its result",
                R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})", "<p>link</p>\n"},
        RtfCase{"binary data skipped", "{\\rtf1 a{\\bin3 }{}b}", "<p>ab</p>\n"},
        RtfCase{"unknown words ignored", R"({\rtf1\deff0\viewkind4 \foo123 x\bar-5 y})",
                "<p>xy</p>\n"},
        RtfCase{"alignment", R"({\rtf1\qc Title\par\pard Body})",
                "<p align=\"center\">Title</p>\n<p>Body</p>\n"},
        RtfCase{"blank runs kept", R"({\rtf1 a   b})", "<p>a &nbsp;&nbsp;b</p>\n"},
        RtfCase{"tab", R"({\rtf1 a\tab b})", "<p>a&nbsp;&nbsp;&nbsp;&nbsp;b</p>\n"},
        RtfCase{"special characters", R"({\rtf1 \emdash\bullet\~\lquote})",
                "<p>\xE2\x80\x94\xE2\x80\xA2\xC2\xA0\xE2\x80\x98</p>\n"},
        RtfCase{"text after the document ignored", R"({\rtf1 in}out)", "<p>in</p>\n"},
        RtfCase{"missing closing braces", R"({\rtf1 {\b open)", "<p><b>open</b></p>\n"},
        RtfCase{"stray closing brace ends", R"({\rtf1 a}}b)", "<p>a</p>\n"},
        RtfCase{"huge numbers",
                R"({\rtf1\fs99999999999999999999 a\cf99999999999999 b\u99999999999? c})",
                "<p><span style=\"font-size:1638pt\">ab\xEF\xBF\xBD c</span></p>\n"},
        RtfCase{"bad hex escape", R"({\rtf1 a\'zzb\'4})", "<p>azzb4</p>\n"},
        RtfCase{"leading blanks and BOM", "\xEF\xBB\xBF \r\n{\\rtf1 x}", "<p>x</p>\n"},
        RtfCase{"empty document", R"({\rtf1})", ""}),
    [](const ::testing::TestParamInfo<RtfCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

TEST(RtfToHtml, NotRichTextGivesNullopt) {
    const TextCodec codec;
    for (const char* text : {"", "plain text", "{rtf1 x}", "{\\rt", " {\\RTF1 x}", "\\rtf1"}) {
        EXPECT_FALSE(RtfToHtml(text, codec).has_value()) << text;
    }
}

TEST(RtfToHtml, MultiByteCodePageDecodesEscapedPairsTogether) {
    const TextCodec gb("GB2312");
    EXPECT_EQ(RtfToHtml(R"({\rtf1\ansicpg936 \'d6\'d0\'ce\'c4})", gb),
              "<p>\xE4\xB8\xAD\xE6\x96\x87</p>\n");
}

TEST(RtfToHtml, DeepNestingIsBoundedAndKeepsTheRest) {
    const TextCodec codec;
    const std::string deep = std::string(100000, '{') + "hidden" + std::string(100000, '}');
    const auto html = RtfToHtml("{\\rtf1 before" + deep + " after}", codec);
    ASSERT_TRUE(html);
    EXPECT_EQ(*html, "<p>before after</p>\n");

    const auto shallow =
        RtfToHtml("{\\rtf1 " + std::string(50, '{') + "seen" + std::string(50, '}') + "}", codec);
    EXPECT_EQ(shallow, "<p>seen</p>\n");
}

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) {
        ++n;
    }
    return n;
}

TEST(RtfToHtml, ArbitraryBytesNeverBreakIt) {
    const TextCodec codec;
    std::mt19937 random(7);
    const std::string alphabet = "{}\\'*0123456789abuclfsrtpq-; \r\n\x80\xE9\xFF";
    for (int round = 0; round < 2000; ++round) {
        std::string doc = "{\\rtf1 ";
        const int length = static_cast<int>(random() % 300);
        for (int i = 0; i < length; ++i) {
            doc.push_back(random() % 4 == 0 ? static_cast<char>(random() % 256)
                                            : alphabet[random() % alphabet.size()]);
        }
        const auto html = RtfToHtml(doc, codec);
        ASSERT_TRUE(html);
        // Every tag that is opened is closed again.
        for (const auto& [open, close] :
             {std::pair{"<p", "</p>"}, std::pair{"<b>", "</b>"}, std::pair{"<i>", "</i>"},
              std::pair{"<u>", "</u>"}, std::pair{"<span", "</span>"}}) {
            EXPECT_EQ(Count(*html, open), Count(*html, close)) << doc;
        }
    }
}

TEST(PlainTextToHtml, EscapesAndKeepsLines) {
    const TextCodec codec;
    EXPECT_EQ(PlainTextToHtml("a<b>&c\r\nline 2\rline 3\n\xE9", codec),
              "<p style=\"white-space:pre-wrap\">a&lt;b&gt;&amp;c<br>line 2<br>line 3<br>"
              "\xC3\xA9</p>");
    EXPECT_EQ(PlainTextToHtml("", codec), "<p style=\"white-space:pre-wrap\"></p>");
}

}  // namespace
}  // namespace carecfg
