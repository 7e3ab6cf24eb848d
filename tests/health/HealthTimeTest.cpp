#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "health/HealthTime.h"

namespace carecfg {
namespace {

TEST(HealthTimeText, WritesEveryByteWithAtLeastTwoDigits) {
    const struct {
        std::vector<std::uint8_t> stamp;
        std::string text;
    } cases[] = {
        {{0x0C, 0x03, 0x07, 0x09, 0x05, 0x00}, "2012-03-07 09:05:00"},
        {{0, 1, 1, 0, 0, 0}, "2000-01-01 00:00:00"},
        {{99, 12, 31, 23, 59, 59}, "2099-12-31 23:59:59"},
        {{100, 1, 1, 0, 0, 0}, "20100-01-01 00:00:00"},
        {{12, 3, 7, 9, 5}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HealthTimeText(c.stamp), c.text) << c.text;
    }
}

TEST(ParseHealthTimeText, AcceptsCalendarTimesOnly) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"2012-03-07 09:05:00", true},
        {"2000-02-29 23:59:59", true},  // 2000 is a leap year
        {"2024-02-29 00:00:00", true},
        {"2023-02-29 00:00:00", false},  // not a leap year
        {"2012-04-31 00:00:00", false},
        {"2012-00-10 00:00:00", false},
        {"2012-13-10 00:00:00", false},
        {"2012-01-00 00:00:00", false},
        {"2012-01-10 24:00:00", false},
        {"2012-01-10 23:60:00", false},
        {"2012-01-10 23:00:60", false},
        {"20100-01-10 23:00:00", false},  // three-digit fields from bytes above 99
        {"2012-100-10 23:00:00", false},
        {"2012-01-10 255:00:00", false},
        {"2012/01/10 23:00:00", false},
        {"2012-01-10T23:00:00", false},
        {"2012-01-1a 23:00:00", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHealthTimeText(c.text).has_value(), c.valid) << c.text;
    }
}

TEST(ParseHealthTimeText, GivesDaysSinceTheEndOf1899) {
    EXPECT_DOUBLE_EQ(*ParseHealthTimeText("2000-01-01 00:00:00"), 36526.0);
    EXPECT_DOUBLE_EQ(*ParseHealthTimeText("2012-03-07 09:05:00"), 40975.0 + (9 * 60 + 5) / 1440.0);
    EXPECT_DOUBLE_EQ(*HealthDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(*HealthDateTime(1970, 1, 1, 0, 0, 0), kChartEpochDays);
}

#ifndef _WIN32  // time zones set through TZ by their tz database names
// Sets TZ for the test's lifetime and restores the previous value.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope() {
        if (m_old) {
            ::setenv("TZ", m_old->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

// The wall-clock time a chart time reads as UTC.
std::string UtcText(std::int64_t chartTime) {
    const std::time_t seconds = static_cast<std::time_t>(chartTime / 1000);
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// The local time's offset from UTC at the instant (seconds since 1970).
long LocalOffsetSeconds(std::time_t instant) {
    std::tm parts{};
    ::localtime_r(&instant, &parts);
    return parts.tm_gmtoff;
}

TEST(ChartTime, KeepsTheWallClockTimeInEveryZone) {
    // Readings around the changes of daylight-saving time in Berlin (31 March and 27 October
    // 2024) and New York (10 March and 3 November 2024), including times that do not exist or
    // exist twice in those zones' local time.
    const char* readings[] = {"2024-03-31 01:59:59", "2024-03-31 02:30:00", "2024-03-31 03:00:00",
                              "2024-10-27 02:30:00", "2024-03-10 02:30:00", "2024-11-03 01:30:00",
                              "2012-03-07 09:05:00"};
    for (const char* zone : {"Europe/Berlin", "America/New_York", "UTC"}) {
        const ZoneScope scope(zone);
        if (std::string(zone) != "UTC" && LocalOffsetSeconds(1705320000) == 0) {
            GTEST_SKIP() << "no time-zone data for " << zone;
        }
        for (const char* reading : readings) {
            const double dateTime = *ParseHealthTimeText(reading);
            const std::int64_t chartTime = ChartTimeOf(dateTime);
            EXPECT_EQ(UtcText(chartTime), reading) << zone;
            EXPECT_EQ(chartTime % 1000, 0) << zone << " " << reading;
            EXPECT_EQ(ChartTimeOf(DateTimeOfChartTime(chartTime)), chartTime) << zone;
        }
        // One hour of readings across the spring change stays one hour on the chart.
        EXPECT_EQ(ChartTimeOf(*ParseHealthTimeText("2024-03-31 03:00:00")) -
                      ChartTimeOf(*ParseHealthTimeText("2024-03-31 02:00:00")),
                  3600000)
            << zone;
    }
}
#endif

TEST(ChartTime, ClampsValuesNoChartHolds) {
    EXPECT_EQ(ChartTimeOf(kChartEpochDays), 0);
    EXPECT_EQ(ChartTimeOf(std::nan("")), 0);
    EXPECT_GT(ChartTimeOf(1e300), 0);
    EXPECT_LT(ChartTimeOf(-1e300), 0);
}

TEST(HealthDayLabel, MonthWithoutAndDayWithLeadingZero) {
    EXPECT_EQ(HealthDayLabel(*ParseHealthTimeText("2012-03-07 09:05:00")), "3.07");
    EXPECT_EQ(HealthDayLabel(*ParseHealthTimeText("2012-12-31 23:59:59")), "12.31");
    EXPECT_EQ(HealthDayLabel(0.0), "12.30");
    EXPECT_EQ(HealthDayLabel(std::nan("")), "");
}

}  // namespace
}  // namespace carecfg
