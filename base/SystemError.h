#pragma once

#include <string>
#include <string_view>

namespace carecfg {

// The system's own words for the error code of the last failed call: strerror of errno on
// POSIX, FormatMessageA of GetLastError on Windows.
std::string SystemErrorText(unsigned long code);

// A message text as FormatMessage hands it out, made to fit inside a sentence: line breaks and
// runs of blanks become one space, trailing blanks and one final full stop go. Empty when
// nothing is left, so the caller can name the code instead.
std::string TidySystemMessage(std::string_view message);

}  // namespace carecfg
