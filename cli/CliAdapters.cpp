#include "cli/CliAdapters.h"

#include <algorithm>

#include "cli/RegionNames.h"

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

void ConsoleProgress::ShowProgress(int, std::string_view panelText) {
    if (panelText == m_lastPanel) {
        return;
    }
    m_lastPanel = panelText;
    m_err << "Progress: " << panelText << '\n' << std::flush;
}

void ConsoleProgress::RegionDecoded(RegionId region, bool) {
    m_err << "Region " << CliNameOf(region) << " complete\n" << std::flush;
}

}  // namespace carecfg
