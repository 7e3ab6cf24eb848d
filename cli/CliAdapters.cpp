#include "cli/CliAdapters.h"

#include <algorithm>

namespace carecfg {

std::string ConsoleNotices::Text(std::string_view messageKey) const {
    return m_codec.ToUtf8(m_catalog.MessageText(messageKey));
}

void ConsoleNotices::ShowMessage(std::string_view messageKey) {
    if (std::find(m_withheld.begin(), m_withheld.end(), messageKey) != m_withheld.end()) {
        return;
    }
    m_err << Text(messageKey) << '\n' << std::flush;
}

void ConsoleNotices::ShowStatus(std::string_view messageKey) {
    if (m_verbose) {
        m_err << Text(messageKey) << '\n' << std::flush;
    }
}

}  // namespace carecfg
