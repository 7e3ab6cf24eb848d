#pragma once

#include <string_view>

namespace carecfg {

// Interval of the resend timer from the "resendtime" text of skin.ini: a whole number (decimal,
// or hexadecimal after 0x or $) of milliseconds. Text that is not a whole number, and a negative
// number, give 0: no timed resend.
int ResendIntervalFromText(std::string_view text);

}  // namespace carecfg
