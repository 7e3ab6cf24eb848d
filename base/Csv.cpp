#include "base/Csv.h"

namespace carecfg {

namespace {

bool NeedsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendField(std::string& out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out.push_back('"');
    for (const char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

void AppendLine(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
        }
        AppendField(out, fields[i]);
    }
    out += "\r\n";
}

}  // namespace

std::string CsvDocument(const std::vector<std::string>& header,
                        const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    AppendLine(out, header);
    for (const std::vector<std::string>& row : rows) {
        AppendLine(out, row);
    }
    return out;
}

}  // namespace carecfg
