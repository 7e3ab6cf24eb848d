#include "cli/CliAdapters.h"

namespace carecfg {

std::string ConsoleNotices::Text(std::string_view messageKey) const {
    return m_codec.ToUtf8(m_catalog.MessageText(messageKey));
}

void ConsoleNotices::ShowMessage(std::string_view messageKey) {
    m_err << Text(messageKey) << '\n' << std::flush;
}

void ConsoleNotices::ShowStatus(std::string_view messageKey) {
    if (m_verbose) {
        m_err << Text(messageKey) << '\n' << std::flush;
    }
}

}  // namespace carecfg
