#include "base/SystemError.h"

#include <gtest/gtest.h>

namespace carecfg {
namespace {

// System message texts come with line breaks and a full stop; inside "step: reason" they must
// read as one clause, and an empty text must stay empty so the caller names the code.
TEST(SystemError, TidiesMessagesForOneLine) {
    struct Case {
        const char* raw;
        const char* tidy;
    };
    const Case cases[] = {
        {"The system cannot find the file specified.\r\n",
         "The system cannot find the file specified"},
        {"Access is denied.\r\n", "Access is denied"},
        {"The process cannot access the file because\r\nit is being used by another process.\r\n",
         "The process cannot access the file because it is being used by another process"},
        {"  leading and   inner  blanks \t", "leading and inner blanks"},
        {"No such file or directory", "No such file or directory"},
        {"Ends in an ellipsis...", "Ends in an ellipsis.."},
        {".\r\n", ""},
        {"\r\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TidySystemMessage(c.raw), c.tidy) << c.raw;
    }
}

TEST(SystemError, EveryCodeHasAText) {
    for (const unsigned long code : {1ul, 2ul, 5ul, 32ul, 123456ul}) {
        EXPECT_FALSE(SystemErrorText(code).empty()) << code;
    }
}

}  // namespace
}  // namespace carecfg
