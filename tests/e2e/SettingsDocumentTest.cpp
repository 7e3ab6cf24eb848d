// The settings commands that need no unit: a profile printed as lines or JSON, and a profile
// built back from JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/SettingsCommands.h"
#include "settings/SettingsMap.h"
#include "sim/DemoUnit.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct Result {
    int code = -1;
    std::string out, err;
};

class SettingsDocumentTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string demo;  // the demonstration unit's memory

    void SetUp() override {
        std::ofstream(dir / "skin.ini") << "[CONFIG]\ncodepage=WINDOWS-1252\n"
                                           "[MESSAGE]\nM32=Off|On\nM33=Off|On|Auto\n";
        const auto memory = BuildDemoMemory();
        demo.assign(memory.begin(), memory.end());
        WriteBytes(dir / "profile.bin", demo.substr(0, kSettingsRecordSize));
    }

    Result Show(const std::filesystem::path& file, bool json) {
        std::ostringstream out, err;
        Result r;
        r.code = ShowSettingsFile(file, json, TextCatalog(dir / "skin.ini"), out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
    Result Encode(const std::string& json, const std::filesystem::path& outFile,
                  std::optional<std::filesystem::path> base) {
        std::istringstream in(json);
        std::ostringstream out, err;
        Result r;
        r.code =
            EncodeSettingsFile("-", outFile, base, TextCatalog(dir / "skin.ini"), in, out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
};

TEST_F(SettingsDocumentTest, PrintsEveryDecodedControlOfAProfileARegionFileAndAnImageFile) {
    std::string region = demo.substr(0, kSettingsRecordSize);
    region.resize(kSettingsRegionSize, '\xFF');
    WriteBytes(dir / "region.bin", region);
    WriteBytes(dir / "image.bin", demo);

    const Result plain = Show(dir / "profile.bin", false);
    ASSERT_EQ(plain.code, kExitOk) << plain.err;
    const Result json = Show(dir / "profile.bin", true);
    ASSERT_EQ(json.code, kExitOk) << json.err;
    for (const char* file : {"region.bin", "image.bin"}) {
        EXPECT_EQ(Show(dir / file, false).out, plain.out) << file;
        EXPECT_EQ(Show(dir / file, true).out, json.out) << file;
    }

    // One line per control, in map order, and one JSON member per control in the same order.
    std::istringstream lines(plain.out);
    const auto object = nlohmann::ordered_json::parse(json.out);
    ASSERT_EQ(object.size(), DecodedControls().size());
    auto member = object.begin();
    for (const DecodedControl& control : DecodedControls()) {
        std::string line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line.rfind(control.name + " = ", 0), 0u) << line;
        EXPECT_EQ(member.key(), control.name);
        switch (control.shape) {
            case ValueShape::Text:
                EXPECT_TRUE(member->is_string()) << control.name;
                EXPECT_EQ(line, control.name + " = " + member->get<std::string>());
                break;
            case ValueShape::ItemIndex:
                EXPECT_TRUE(member->is_number_integer()) << control.name;
                EXPECT_EQ(line, control.name + " = " + std::to_string(member->get<int>()));
                break;
            case ValueShape::Checked:
                EXPECT_TRUE(member->is_boolean()) << control.name;
                EXPECT_EQ(line, control.name + (member->get<bool>() ? " = true" : " = false"));
                break;
        }
        ++member;
    }
    for (const char* name : {"Edit337", "Edit2", "ComboBox47", "CheckBox2"}) {
        EXPECT_TRUE(object.contains(name)) << name;
    }
    EXPECT_FALSE(object.contains("ComboBox48"));
    EXPECT_EQ(object["Edit2"], "300421785");
    EXPECT_EQ(object["Edit337"], "300421785");
}

TEST_F(SettingsDocumentTest, AFileShorterThanAProfileIsRefused) {
    WriteBytes(dir / "short.bin", demo.substr(0, kSettingsRecordSize - 1));
    for (const char* file : {"short.bin", "missing.bin"}) {
        const Result r = Show(dir / file, true);
        EXPECT_EQ(r.code, kExitFileError) << file;
        EXPECT_EQ(r.out, "") << file;
        EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
    }
}

TEST_F(SettingsDocumentTest, BadJsonIsRefusedByNameAndWritesNothing) {
    struct Case {
        std::string json;
        std::string errPart;
    };
    const Case cases[] = {
        {R"({"Edit99999": "x"})", "Edit99999: no such control"},
        {R"({"ComboBox48": 1})", "ComboBox48: the settings do not store"},
        {R"({"Edit5": 491711234501})", "Edit5: the value must be a text"},
        {R"({"CheckBox2": "yes"})", "CheckBox2: the value must be true or false"},
        {R"({"ComboBox41": "1"})", "ComboBox41: the value must be a whole number"},
        {R"({"ComboBox41": 1.5})", "ComboBox41: the value must be a whole number"},
        {R"({"ComboBox41": -2})", "ComboBox41: an item index is -1"},
        {R"({"Edit41": "日本"})", "Edit41: the text has characters that code page"},
        // A good value before a bad one changes nothing either.
        {R"({"Edit5": "+49", "Edit6": null})", "Edit6: the value must be a text"},
        {R"({"Edit5": )", "not valid JSON"},
        {"", "not valid JSON"},
        {R"(["Edit5", "+49"])", "one JSON object"},
    };
    const auto out = dir / "out.bin";
    WriteBytes(out, "keep");
    for (const Case& c : cases) {
        const Result r = Encode(c.json, out, dir / "profile.bin");
        EXPECT_EQ(r.code, kExitUsage) << c.json;
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.json << ": " << r.err;
        EXPECT_EQ(ReadBytes(out), "keep") << c.json;
    }
    // A base that is no profile is a file error.
    const Result r = Encode("{}", out, dir / "missing.bin");
    EXPECT_EQ(r.code, kExitFileError);
    EXPECT_EQ(ReadBytes(out), "keep");
}

TEST_F(SettingsDocumentTest, JsonOfAProfileEncodesBackToTheSameControls) {
    const Result json = Show(dir / "profile.bin", true);
    ASSERT_EQ(json.code, kExitOk) << json.err;
    const auto copy = dir / "copy.bin";
    const Result encoded = Encode(json.out, copy, dir / "profile.bin");
    ASSERT_EQ(encoded.code, kExitOk) << encoded.err;
    EXPECT_EQ(ReadBytes(copy).size(), kSettingsRecordSize);
    EXPECT_EQ(Show(copy, true).out, json.out);

    // The same JSON without a base gives the same controls as well: it names every control.
    const auto fromZero = dir / "zero.bin";
    ASSERT_EQ(Encode(json.out, fromZero, std::nullopt).code, kExitOk);
    EXPECT_EQ(Show(fromZero, true).out, json.out);
}

TEST_F(SettingsDocumentTest, NamedControlsChangeAndTheRestKeepTheBase) {
    const auto changed = dir / "changed.bin";
    const Result r = Encode(
        R"({"Edit5": "+4915550001", "Edit41": "Küche", "ComboBox650": "120", "CheckBox2": false})",
        changed, dir / "profile.bin");
    ASSERT_EQ(r.code, kExitOk) << r.err;
    auto before = nlohmann::ordered_json::parse(Show(dir / "profile.bin", true).out);
    const auto after = nlohmann::ordered_json::parse(Show(changed, true).out);
    EXPECT_EQ(after["Edit5"], "+4915550001");
    EXPECT_EQ(after["Edit41"], "Küche");  // stored in WINDOWS-1252, printed as UTF-8
    EXPECT_EQ(after["ComboBox650"], "120");
    EXPECT_EQ(after["CheckBox2"], false);
    before["Edit5"] = "+4915550001";
    before["Edit41"] = "Küche";
    before["ComboBox650"] = "120";
    before["CheckBox2"] = false;
    EXPECT_EQ(after, before);
    // "Küche" is five bytes in the code page.
    EXPECT_NE(ReadBytes(changed).find("K\xFC"
                                      "che"),
              std::string::npos);
}

}  // namespace
}  // namespace carecfg
