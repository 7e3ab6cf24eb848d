#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace carecfg {

// Times of health readings are date-time numbers: days since 30 December 1899 00:00 as a double,
// the whole part counting days, the fraction the time of day. Charts count their windows and
// scroll steps in these days.

// Date-time number of midnight of 1 January 1970.
constexpr double kChartEpochDays = 25569.0;
constexpr double kMillisecondsPerDay = 86400000.0;

// "20yy-mm-dd hh:mm:ss" of the first six bytes of a reading (year within the century, month,
// day, hour, minute, second), each byte in decimal with at least two digits, so a byte above 99
// gives three. Fewer than six bytes give the empty text.
std::string HealthTimeText(std::span<const std::uint8_t> stamp);

// Reads a time text of the form above (year-month-day, '-' and ':' as separators, whatever the
// user's locale says) into a date-time number. Nothing when the text has any other shape (a
// three-digit field included) or a field lies outside its calendar range: month 1-12, day
// within the month's length (leap years counted), hour 0-23, minute and second 0-59.
std::optional<double> ParseHealthTimeText(std::string_view text);

// The date-time number of a calendar date and time of day; nothing outside the calendar ranges
// above (any year is accepted).
std::optional<double> HealthDateTime(int year, int month, int day, int hour, int minute,
                                     int second);

// The chart's time for a date-time number: milliseconds since 1970-01-01 00:00 as if the
// reading's wall-clock time were UTC, so no time zone or daylight-saving shift ever moves it (a
// reading at 09:05 shows at 09:05 wherever the program runs). Rounded to the millisecond;
// values beyond about 285,000 years, and NaN, are clamped.
std::int64_t ChartTimeOf(double dateTime);
// The date-time number of a chart time; the inverse of ChartTimeOf to the millisecond.
double DateTimeOfChartTime(std::int64_t chartTime);

// The label of a chart's time axis for the day that holds the date-time number: the month
// without leading zero, a dot, the day with two digits ("3.07" for 7 March).
std::string HealthDayLabel(double dateTime);

}  // namespace carecfg
