#include "text/ConfigValues.h"

#include "text/IniParse.h"

namespace carecfg {

int ResendIntervalFromText(std::string_view text) {
    const auto value = ParseIniInteger(TrimBlanks(text));
    if (!value || *value < 0) {
        return 0;
    }
    return *value;
}

}  // namespace carecfg
