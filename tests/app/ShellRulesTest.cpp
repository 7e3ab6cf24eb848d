#include <gtest/gtest.h>

#include "app/HomeLayout.h"
#include "app/WindowGeometry.h"
#include "text/ConfigValues.h"

namespace carecfg {
namespace {

struct BoundsCase {
    const char* what;
    WindowBounds stored;
    WindowBounds expected;
};

TEST(WindowGeometryTest, RestoredBoundsStayOnA1920x1080Screen) {
    const BoundsCase cases[] = {
        {"first start: the defaults", DefaultWindowBounds(1920, 1080), {480, 270, 960, 540}},
        {"maximised window", {-8, -8, 1936, 1056}, {0, 0, 1920, 1056}},
        {"wider than the room right of Left", {1000, 100, 1200, 500}, {1000, 100, 920, 500}},
        {"taller than the room below Top", {0, 900, 800, 400}, {0, 900, 800, 180}},
        {"fits", {10, 20, 800, 600}, {10, 20, 800, 600}},
    };
    for (const BoundsCase& c : cases) {
        EXPECT_EQ(LimitRestoredBounds(c.stored, 1920, 1080), c.expected) << c.what;
    }
}

TEST(WindowGeometryTest, CentringNeverGoesAboveOrLeftOfTheScreen) {
    EXPECT_EQ(CentredOrigin(1920, 1080, 960, 540), (WindowOrigin{480, 270}));
    EXPECT_EQ(CentredOrigin(1920, 1080, 961, 541), (WindowOrigin{479, 269}));
    EXPECT_EQ(CentredOrigin(1920, 1080, 2000, 1200), (WindowOrigin{0, 0}));
}

TEST(HomeLayoutTest, TitleAndClockFontSizes) {
    struct Case {
        int groupWidth, characters, current, expected;
    };
    const Case cases[] = {
        {810, 20, 9, 40},  // (810 - 10) div 20
        {810, 5, 9, 50},   // 160 is capped at 50
        {810, 0, 17, 17},  // an empty title keeps its size
        {810, 33, 9, 24},  // 800 div 33 = 24, rounding down
        {5, 3, 9, 1},      // narrower than the margin: still a valid font
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TitleFontSize(c.groupWidth, c.characters, c.current), c.expected)
            << c.groupWidth << " / " << c.characters;
    }
    EXPECT_EQ(ClockFontSize(40), 26);
    EXPECT_EQ(ClockFontSize(50), 33);
    EXPECT_EQ(ClockFontSize(1), 1);
    EXPECT_EQ(SettingsTabWidth(840), 160);
}

TEST(ShellRulesTest, ResendIntervalIsAWholeNumberOrZero) {
    const std::pair<const char*, int> cases[] = {
        {"1500", 1500}, {"0", 0},    {"abc", 0}, {"12.5", 0}, {"", 0},
        {"0x10", 16},   {"$20", 32}, {"-5", 0},  {"15ms", 0}, {"99999999999", 0},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ResendIntervalFromText(text), expected) << text;
    }
}

}  // namespace
}  // namespace carecfg
