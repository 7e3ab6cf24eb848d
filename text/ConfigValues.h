#pragma once

#include <string_view>

namespace carecfg {

class TextCatalog;

// Interval of the resend timer from the "resendtime" text of skin.ini: a whole number (decimal,
// or hexadecimal after 0x or $) of milliseconds. Text that is not a whole number, and a negative
// number, give 0: no timed resend. A missing key reads "0" as well, so a missing skin.ini means
// no timed resend, for the window and the command line alike.
int ResendIntervalFromText(std::string_view text);
int ResendIntervalFromCatalog(const TextCatalog& catalog);

// The pause in milliseconds after which the serial reader hands on what it has received, from
// the "readinterval" text of skin.ini: a whole number from 1 to 100. Absent, out of range or not
// a number: 100, the grouping the unit's line is defined with.
constexpr int kDefaultReadIntervalMs = 100;
int ReadIntervalFromText(std::string_view text);
int ReadIntervalFromCatalog(const TextCatalog& catalog);

}  // namespace carecfg
