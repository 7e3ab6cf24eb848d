#include "app/help/HelpDocuments.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "app/help/RtfReader.h"
#include "text/ExecutableDir.h"

#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

class HelpDocumentsTest : public ::testing::Test {
protected:
    std::filesystem::path Write(std::string_view name, std::string_view bytes) {
        const auto path = m_folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    testing::TempDir m_temp{"carecfg-help"};
    const std::filesystem::path& m_folder = m_temp.Path();
    TextCodec m_codec;
};

TEST_F(HelpDocumentsTest, BuiltInTexts) {
    EXPECT_EQ(kReadMeRTEBuiltInText, "User Guide");
    EXPECT_EQ(kGPRSLogRTEBuiltInText, "GPRS Debug, for engineer use only.");
    EXPECT_EQ(kContactRTEBuiltInText, "Contact Us");
}

TEST_F(HelpDocumentsTest, LoadsByKindOfFile) {
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
        std::string html;
    };
    const Case cases[] = {
        {"missing", nullptr, "<p style=\"white-space:pre-wrap\">User Guide</p>"},
        {"rich text", "{\\rtf1 Guide \\b one}", "<p>Guide <b>one</b></p>\n"},
        {"plain text", "Just <text>\n",
         "<p style=\"white-space:pre-wrap\">Just &lt;text&gt;<br></p>"},
        {"empty file", "", "<p style=\"white-space:pre-wrap\"></p>"},
    };
    for (const Case& c : cases) {
        const auto path = m_folder / "Help.rtf";
        std::filesystem::remove(path);
        if (c.content)
            Write("Help.rtf", c.content);
        const HelpLoad load = LoadHelpDocument(path, m_codec, kReadMeRTEBuiltInText);
        EXPECT_FALSE(load.failed) << c.name;
        EXPECT_EQ(load.html, c.html) << c.name;
    }
}

TEST_F(HelpDocumentsTest, UnreadableDocumentIsReportedAndKeepsTheBuiltInText) {
    // A directory in place of the file cannot be read, not even by root.
    std::filesystem::create_directory(m_folder / "Contact.rtf");
    const HelpLoad load =
        LoadHelpDocument(m_folder / "Contact.rtf", m_codec, kContactRTEBuiltInText);
    EXPECT_TRUE(load.failed);
    EXPECT_FALSE(load.errorText.empty());
    EXPECT_EQ(load.html, "<p style=\"white-space:pre-wrap\">Contact Us</p>");

    // A special file is refused rather than read without end.
    const HelpLoad device = LoadHelpDocument("/dev/zero", m_codec, kContactRTEBuiltInText);
    EXPECT_TRUE(device.failed);
}

TEST_F(HelpDocumentsTest, DanglingLinkCountsAsMissing) {
    std::filesystem::create_symlink(m_folder / "nowhere.rtf", m_folder / "Help.rtf");
    const HelpLoad load = LoadHelpDocument(m_folder / "Help.rtf", m_codec, kReadMeRTEBuiltInText);
    EXPECT_FALSE(load.failed);
    EXPECT_EQ(load.html, "<p style=\"white-space:pre-wrap\">User Guide</p>");
}

TEST_F(HelpDocumentsTest, ShippedDocumentsLieBesideTheExecutableAndAreRichText) {
    for (std::string_view name : {kHelpDocumentName, kContactDocumentName}) {
        const auto path = ExecutableDir() / name;
        ASSERT_TRUE(std::filesystem::is_regular_file(path)) << path;
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const auto html = RtfToHtml(bytes, m_codec);
        ASSERT_TRUE(html) << name;
        EXPECT_GT(html->size(), 500u) << name;
        EXPECT_EQ(html->find("\\"), std::string::npos) << name;  // no control word leaked
        EXPECT_EQ(html->find("{"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace carecfg
