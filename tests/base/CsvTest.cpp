#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Csv.h"

namespace carecfg {
namespace {

TEST(Csv, QuotesOnlyFieldsThatNeedIt) {
    const struct {
        std::string field;
        std::string written;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {" spaced ", " spaced "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"cr\ronly", "\"cr\ronly\""},
        {"lf\nonly", "\"lf\nonly\""},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CsvDocument({c.field}, {}), c.written + "\r\n") << c.field;
    }
}

TEST(Csv, WritesHeaderThenRowsEachEndedByCrLf) {
    const std::string document = CsvDocument(
        {"No.", "Time", "Text"},
        {{"1", "2012-03-31 23:05:09", "door, front"}, {"2", "2012-04-01 00:00:00", ""}});
    EXPECT_EQ(document,
              "No.,Time,Text\r\n"
              "1,2012-03-31 23:05:09,\"door, front\"\r\n"
              "2,2012-04-01 00:00:00,\r\n");
}

TEST(Csv, HeaderAloneWhenThereAreNoRows) {
    EXPECT_EQ(CsvDocument({"a", "b"}, {}), "a,b\r\n");
}

}  // namespace
}  // namespace carecfg
