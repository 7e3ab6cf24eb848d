#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "link/CommLinkPort.h"
#include "link/LinkInterfaces.h"
#include "link/LinkListener.h"
#include "serial/SerialComm.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg {

// User notices of the command-line tool: the catalogue text of each key, converted to UTF-8, one
// line on the error stream. Messages are always shown; status texts only when verbose, so that
// the standard output carries nothing but the command's result.
class ConsoleNotices : public LinkListener {
public:
    ConsoleNotices(const TextCatalog& catalog, const TextCodec& codec, std::ostream& err,
                   bool verbose)
        : m_catalog(catalog), m_codec(codec), m_err(err), m_verbose(verbose) {}

    void ShowMessage(std::string_view messageKey) override;
    void ShowStatus(std::string_view messageKey) override;

    // The catalogue text of a key in UTF-8.
    std::string Text(std::string_view messageKey) const;

    // Messages not to print: the command in progress reports these outcomes itself (on the
    // standard output when they are its result). Empty: every message is printed.
    void Withhold(std::vector<std::string> messageKeys) { m_withheld = std::move(messageKeys); }

private:
    const TextCatalog& m_catalog;
    const TextCodec& m_codec;
    std::ostream& m_err;
    bool m_verbose;
    std::vector<std::string> m_withheld;
};

// The progress of block transfers on the error stream (for --verbose): one line whenever the
// percentage changes, and one when a region is complete.
class ConsoleProgress : public LinkListener {
public:
    explicit ConsoleProgress(std::ostream& err) : m_err(err) {}

    void ShowProgress(int barPosition, std::string_view panelText) override;
    void RegionDecoded(RegionId region, bool decoded) override;

private:
    std::ostream& m_err;
    std::string m_lastPanel;
};

}  // namespace carecfg
