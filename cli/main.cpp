// carecfg-cli: the link of the configuration tool on the command line, and the settings profiles
// as text and JSON.
#include <chrono>
#include <cmath>
#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/HealthCommand.h"
#include "cli/SettingsCommands.h"
#include "text/ConfigValues.h"
#include "text/TextCatalog.h"

int main(int argc, char** argv) {
    using namespace carecfg;
#ifdef _WIN32
    // What the commands print (CSV, JSON, settings lines) goes out byte for byte, with the same
    // line ends as on Linux, so that scripts and comparisons see one output on both systems.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string error;
    const auto line = ParseCliArguments(args, error);
    if (!line) {
        std::cerr << "carecfg-cli: " << error << "\n"
                  << "usage: carecfg-cli [--port PORT] [options] COMMAND [arguments]; "
                     "carecfg-cli --help lists the commands, carecfg-cli COMMAND --help "
                     "explains one\n";
        return kExitUsage;
    }
    if (line->help) {
        std::cout << line->helpText;
        return kExitOk;
    }
    try {
        TextCatalog catalog = TextCatalog::BesideExecutable();
        if (line->command == CliCommand::ShowSettings) {
            return ShowSettingsFile(line->file, line->json, catalog, std::cout, std::cerr);
        }
        if (line->command == CliCommand::Health && !line->report.empty()) {
            return WriteHealthReportFile(line->file, line->region, line->report, catalog,
                                         std::cerr);
        }
        if (line->command == CliCommand::Health) {
            return ShowHealthFile(line->file, line->region, line->chart, catalog, std::cout,
                                  std::cerr);
        }
        if (line->command == CliCommand::EncodeSettings) {
            std::optional<std::filesystem::path> base;
            if (line->base) {
                base = *line->base;
            }
            return EncodeSettingsFile(line->file, line->out, base, catalog, std::cin, std::cout,
                                      std::cerr);
        }
        CliSession::Options options;
        options.port = line->port;
        options.resendMs = line->resendMs.value_or(ResendIntervalFromCatalog(catalog));
        options.readIntervalMs = line->readIntervalMs.value_or(ReadIntervalFromCatalog(catalog));
        options.timeout = std::chrono::milliseconds(
            std::max<long long>(1, std::llround(line->timeoutSeconds * 1000.0)));
        options.deadline = std::chrono::milliseconds(std::max<long long>(
            1, std::llround(line->deadlineSeconds.value_or(DefaultDeadlineSeconds(line->command)) *
                            1000.0)));
        options.verbose = line->verbose;
        CliSession session(std::move(options), std::move(catalog), std::cout, std::cerr);
        return session.Run(*line);
    } catch (const std::exception& e) {
        std::cerr << "carecfg-cli: " << e.what() << '\n';
    } catch (...) {
        std::cerr << "carecfg-cli: unexpected failure\n";
    }
    return kExitFailure;
}
