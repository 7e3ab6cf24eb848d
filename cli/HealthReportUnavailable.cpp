// `health --report` in a build without Qt (the core-only build, as for Windows): the PDF report
// is drawn by the window's chart widgets, so this build refuses the option with its reason.
#include <ostream>

#include "cli/CliArguments.h"
#include "cli/HealthCommand.h"

namespace carecfg {

int WriteHealthReportFile(const std::filesystem::path&, RegionId, const std::filesystem::path&,
                          const TextCatalog&, std::ostream& err) {
    err << "carecfg-cli: this build has no PDF report (it is built without Qt); use the window, "
           "or --chart for the charts as JSON\n";
    return kExitUsage;
}

}  // namespace carecfg
