#include "text/ConfigValues.h"

#include "text/IniParse.h"
#include "text/TextCatalog.h"

namespace carecfg {

int ResendIntervalFromText(std::string_view text) {
    const auto value = ParseIniInteger(TrimBlanks(text));
    if (!value || *value < 0) {
        return 0;
    }
    return *value;
}

int ResendIntervalFromCatalog(const TextCatalog& catalog) {
    return ResendIntervalFromText(catalog.ConfigText("resendtime"));
}

int ReadIntervalFromText(std::string_view text) {
    const auto value = ParseIniInteger(TrimBlanks(text));
    if (!value || *value < 1 || *value > kDefaultReadIntervalMs) {
        return kDefaultReadIntervalMs;
    }
    return *value;
}

int ReadIntervalFromCatalog(const TextCatalog& catalog) {
    const auto text = catalog.Lookup("CONFIG", "readinterval");
    return text ? ReadIntervalFromText(*text) : kDefaultReadIntervalMs;
}

}  // namespace carecfg
