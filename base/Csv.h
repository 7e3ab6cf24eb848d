#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace carecfg {

// A CSV document after RFC 4180: the header row, then every row, fields separated by commas,
// lines ended by CR LF; a field holding a comma, a double quote, CR or LF is quoted, its quotes
// doubled. Texts are taken as they are (UTF-8 in, UTF-8 out).
std::string CsvDocument(const std::vector<std::string>& header,
                        const std::vector<std::vector<std::string>>& rows);

}  // namespace carecfg
