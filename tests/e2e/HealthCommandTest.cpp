// The health command of the command-line tool: a health region of an image or region file
// printed as CSV rows or as JSON charts, and the files and arguments it refuses.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/AtomicFile.h"
#include "cli/CliArguments.h"
#include "cli/HealthCommand.h"
#include "image/DeviceImage.h"
#include "sim/DemoUnit.h"
#include "tests/e2e/HealthRegions.h"
#include "tests/support/TempDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

struct Result {
    int code = -1;
    std::string out, err;
};

class HealthCommandTest : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override {
        std::ofstream(dir / "skin.ini") << "[MESSAGE]\nMZZB=1\nMF=10\nHealthBank=Bank\n"
                                           "[FORM]\nComboBox43.Items.Text=mmHg|kPa\n"
                                           "ListView7.Columns[1].Caption=Date and time\n";
    }

    std::filesystem::path Write(std::string_view name, std::span<const std::uint8_t> bytes) {
        const auto path = dir / name;
        EXPECT_TRUE(WriteFileAtomically(path, bytes));
        return path;
    }

    Result Health(const std::filesystem::path& file, bool chart = false) {
        const TextCatalog catalog(dir / "skin.ini");
        std::ostringstream out, err;
        Result result;
        result.code = ShowHealthFile(file, RegionId::BloodPressure, chart, catalog, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    static Bytes PressureRegion(const Bytes& image) {
        const ImageRegion& region = Region(RegionId::BloodPressure);
        return Bytes(image.begin() + region.start, image.begin() + region.start + region.size);
    }
};

std::vector<std::string> Lines(const std::string& csv) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = csv.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(csv.substr(begin, end - begin));
    }
    return lines;
}

TEST_F(HealthCommandTest, ImageAndRegionFileGiveTheSameRows) {
    const Bytes image = BuildDemoMemory();
    const Result fromImage = Health(Write("demo.bin", image));
    const Result fromRegion = Health(Write("pressure.bin", PressureRegion(image)));
    ASSERT_EQ(fromImage.code, kExitOk) << fromImage.err;
    ASSERT_EQ(fromRegion.code, kExitOk) << fromRegion.err;
    EXPECT_EQ(fromImage.out, fromRegion.out);

    const auto lines = Lines(fromImage.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Bank,No.,Date and time,Systolic,Diastolic,Pulse");
    EXPECT_EQ(lines[1], "1,1,2024-03-04 07:14:05,124 mmHg,91 mmHg,75");
    EXPECT_EQ(lines.size(), 1u + 84u + 35u);
}

TEST_F(HealthCommandTest, ChartsAreJsonWithAscendingTimes) {
    const Result result = Health(Write("demo.bin", BuildDemoMemory()), true);
    ASSERT_EQ(result.code, kExitOk) << result.err;
    const nlohmann::json charts = nlohmann::json::parse(result.out);
    ASSERT_EQ(charts.size(), 3u);
    for (const char* name : {"Chart1", "Chart2", "Chart3"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(charts.contains(name));
        const nlohmann::json& chart = charts[name];
        ASSERT_EQ(chart["timeWindow"].size(), 2u);
        EXPECT_DOUBLE_EQ(
            chart["timeWindow"][1].get<double>() - chart["timeWindow"][0].get<double>(), 10.0);
        ASSERT_EQ(chart["valueRange"].size(), 2u);
        EXPECT_LT(chart["valueRange"][0].get<double>(), chart["valueRange"][1].get<double>());
        EXPECT_GE(chart["scrollMaximum"].get<int>(), 0);
        ASSERT_FALSE(chart["series"]["bank1"].empty());
        for (const auto& [series, points] : chart["series"].items()) {
            SCOPED_TRACE(series);
            for (std::size_t i = 1; i < points.size(); ++i) {
                EXPECT_LE(points[i - 1][0].get<double>(), points[i][0].get<double>());
            }
        }
    }
}

TEST_F(HealthCommandTest, MonthThirteenStopsAfterTheEarlierRows) {
    const Bytes region = testing::MonthThirteenPressureRegion();
    const Result result = Health(Write("bad.bin", region));
    EXPECT_EQ(result.code, kExitFileError);
    EXPECT_NE(result.err.find("2024-13-05 09:30:00"), std::string::npos) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u) << result.out;
    EXPECT_EQ(lines[1], "1,,2024-03-05 09:30:00,120 mmHg,80 mmHg,70");
    EXPECT_EQ(lines[2], "2,,2024-04-05 09:30:00,130 mmHg,80 mmHg,70");
}

TEST_F(HealthCommandTest, FilesOfOtherSizesAreRefused) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{4095},
                                   std::size_t{4097}, std::size_t{kImageSize - 1}}) {
        SCOPED_TRACE(size);
        const Result result = Health(Write("short.bin", Bytes(size, 0x11)));
        EXPECT_EQ(result.code, kExitFileError);
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find(std::to_string(size) + " bytes"), std::string::npos)
            << result.err;
    }
    EXPECT_EQ(Health(dir / "missing.bin").code, kExitFileError);
}

TEST(HealthArguments, RegionNamesAndUsage) {
    struct Case {
        std::vector<std::string_view> args;
        bool ok;
        RegionId region;
    };
    const Case cases[] = {
        {{"health", "f.bin", "--region", "pressure"}, true, RegionId::BloodPressure},
        {{"health", "f.bin", "--region", "glucose", "--chart"}, true, RegionId::Glucose},
        {{"health", "f.bin", "--region", "weight"}, true, RegionId::Weight},
        {{"health", "f.bin", "--region", "alarm"}, false, {}},
        {{"health", "f.bin", "--region", "Pressure"}, false, {}},
        {{"health", "f.bin"}, false, {}},
        {{"health", "--region", "weight"}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            ::testing::PrintToString(std::vector<std::string>(c.args.begin(), c.args.end())));
        std::string error;
        const auto line = ParseCliArguments(c.args, error);
        ASSERT_EQ(line.has_value(), c.ok) << error;
        if (line) {
            EXPECT_EQ(line->command, CliCommand::Health);
            EXPECT_EQ(line->region, c.region);
            EXPECT_EQ(line->file, "f.bin");
            EXPECT_FALSE(NeedsPort(line->command));
        }
    }
}

}  // namespace
}  // namespace carecfg
