#include "health/HealthTime.h"

#include <array>
#include <cmath>
#include <limits>
#include "records/RecordDecoders.h"

namespace carecfg {

namespace {

constexpr std::size_t kStampSize = 6;
constexpr std::size_t kTimeTextSize = 19;  // "20yy-mm-dd hh:mm:ss"

// Days from 1970-01-01 to the date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// The calendar date of a count of days from 1970-01-01.
CivilDate CivilFromDays(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    return {year, month, day};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

void AppendTwoDigits(std::string& out, unsigned value) {
    if (value < 10) {
        out.push_back('0');
    }
    out += std::to_string(value);
}

// The two-digit number at the position, or -1 when either character is no digit.
int TwoDigits(std::string_view text, std::size_t at) {
    const char high = text[at];
    const char low = text[at + 1];
    if (high < '0' || high > '9' || low < '0' || low > '9') {
        return -1;
    }
    return (high - '0') * 10 + (low - '0');
}

}  // namespace

std::string HealthTimeText(std::span<const std::uint8_t> stamp) {
    // The same text as the stamp of the histories and messages.
    return RecordStampText(stamp);
}

std::optional<double> HealthDateTime(int year, int month, int day, int hour, int minute,
                                     int second) {
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return std::nullopt;
    }
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const int seconds = hour * 3600 + minute * 60 + second;
    return static_cast<double>(days) + kChartEpochDays + seconds / 86400.0;
}

std::optional<double> ParseHealthTimeText(std::string_view text) {
    // Fixed positions: the separators must stand where two-digit fields put them, so a field of
    // three digits shifts them and fails here.
    if (text.size() != kTimeTextSize || text[0] != '2' || text[1] != '0' || text[4] != '-' ||
        text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    static constexpr std::array<std::size_t, kStampSize> kFieldAt = {2, 5, 8, 11, 14, 17};
    std::array<int, kStampSize> fields{};
    for (std::size_t i = 0; i < kStampSize; ++i) {
        fields[i] = TwoDigits(text, kFieldAt[i]);
        if (fields[i] < 0) {
            return std::nullopt;
        }
    }
    return HealthDateTime(2000 + fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
}

std::int64_t ChartTimeOf(double dateTime) {
    // A bound well inside both the int64 range and the range where a double still holds whole
    // milliseconds exactly.
    constexpr double kLimit = 9.0e15;
    const double milliseconds = (dateTime - kChartEpochDays) * kMillisecondsPerDay;
    if (std::isnan(milliseconds)) {
        return 0;
    }
    if (milliseconds >= kLimit) {
        return static_cast<std::int64_t>(kLimit);
    }
    if (milliseconds <= -kLimit) {
        return -static_cast<std::int64_t>(kLimit);
    }
    return std::llround(milliseconds);
}

double DateTimeOfChartTime(std::int64_t chartTime) {
    return static_cast<double>(chartTime) / kMillisecondsPerDay + kChartEpochDays;
}

std::string HealthDayLabel(double dateTime) {
    constexpr double kLimit = 1.0e12;  // days; far beyond any reading, inside int64
    if (!(dateTime > -kLimit && dateTime < kLimit)) {
        return {};
    }
    const auto days = static_cast<std::int64_t>(std::floor(dateTime - kChartEpochDays));
    const CivilDate date = CivilFromDays(days);
    std::string label = std::to_string(date.month);
    label.push_back('.');
    AppendTwoDigits(label, date.day);
    return label;
}

}  // namespace carecfg
