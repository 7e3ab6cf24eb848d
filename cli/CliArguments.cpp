#include "cli/CliArguments.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "link/LinkInterfaces.h"
#include "text/ConfigValues.h"
#include "text/TextCatalog.h"

namespace carecfg {

namespace {

// "--name=value" or "--name value"; advances i past what it took.
bool TakeValue(std::span<const std::string_view> args, std::size_t& i, std::string_view name,
               std::string_view& value, bool& matched) {
    const std::string_view arg = args[i];
    matched = false;
    if (arg == name) {
        matched = true;
        if (i + 1 >= args.size()) {
            return false;
        }
        value = args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        matched = true;
        value = arg.substr(name.size() + 1);
        return true;
    }
    return true;
}

std::optional<double> ParseSeconds(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int> ParseWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
            return std::nullopt;
        }
    }
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

int ResendIntervalFromCatalog(const TextCatalog& catalog) {
    std::error_code ec;
    if (!std::filesystem::exists(catalog.Path(), ec)) {
        return kInitialResendInterval;
    }
    return ResendIntervalFromText(catalog.ConfigText("resendtime"));
}

std::optional<CliCommandLine> ParseCliArguments(std::span<const std::string_view> args,
                                                std::string& error) {
    CliCommandLine line;
    bool havePort = false;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            line.help = true;
            return line;
        }
        if (arg == "-v" || arg == "--verbose") {
            line.verbose = true;
            continue;
        }
        if (arg.empty() || arg.front() != '-') {
            break;  // the command
        }
        std::string_view value;
        bool matched = false;
        for (std::string_view name : {"--port", "--resend-ms", "--timeout"}) {
            if (!TakeValue(args, i, name, value, matched)) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            if (!matched) {
                continue;
            }
            if (name == "--port") {
                if (value.empty()) {
                    error = "--port needs a port name";
                    return std::nullopt;
                }
                line.port = std::string(value);
                havePort = true;
            } else if (name == "--resend-ms") {
                const auto ms = ParseWholeNumber(value);
                if (!ms || *ms < 0) {
                    error = "--resend-ms takes a whole number of milliseconds (0 or more)";
                    return std::nullopt;
                }
                line.resendMs = *ms;
            } else {
                const auto s = ParseSeconds(value);
                if (!s || *s <= 0 || *s > 86400) {
                    error = "--timeout takes a number of seconds greater than 0";
                    return std::nullopt;
                }
                line.timeoutSeconds = *s;
            }
            break;
        }
        if (!matched) {
            error = "unknown option " + std::string(arg);
            return std::nullopt;
        }
    }
    if (!havePort) {
        error = "--port is required";
        return std::nullopt;
    }
    if (i >= args.size()) {
        error = "a command is required";
        return std::nullopt;
    }
    const std::string_view command = args[i++];
    std::size_t operands = 0;
    if (command == "identity") {
        line.command = CliCommand::Identity;
    } else if (command == "set-clock") {
        line.command = CliCommand::SetClock;
    } else if (command == "login") {
        line.command = CliCommand::Login;
        operands = 1;
        if (i >= args.size() || args[i].empty()) {
            error = "login needs the unit's password";
            return std::nullopt;
        }
        line.password = std::string(args[i]);
    } else {
        error = "unknown command " + std::string(command);
        return std::nullopt;
    }
    if (args.size() - i != operands) {
        error = "too many arguments after " + std::string(command);
        return std::nullopt;
    }
    return line;
}

std::string CliUsage() {
    return "usage: carecfg-cli --port PORT [--resend-ms N] [--timeout S] [--verbose] COMMAND\n"
           "\n"
           "Talks to a care-and-alarm unit over a serial line.\n"
           "\n"
           "Commands:\n"
           "  identity          ask the unit who it is; prints Device ID, Firmware and IMEI\n"
           "  login PASSWORD    log in with the unit's password (1 to 6 characters)\n"
           "  set-clock         set the unit's clock to this computer's local time\n"
           "\n"
           "Options:\n"
           "  --port PORT       COM1..COMn, a device path such as /dev/ttyUSB0 or /tmp/ttyCARE0,\n"
           "                    or DEMO for a built-in simulated unit\n"
           "  --resend-ms N     resend a request after N ms of silence, three transmissions in\n"
           "                    all (0: never; default: CONFIG resendtime of skin.ini beside\n"
           "                    the program, 3000 without skin.ini)\n"
           "  --timeout S       give up when nothing arrives for S seconds (default 5)\n"
           "  --verbose, -v     also show the status texts of the exchange on stderr\n"
           "  --help, -h        show this text\n"
           "\n"
           "Exit codes:\n"
           "  0   done\n"
           "  1   unexpected failure\n"
           "  2   the port could not be opened\n"
           "  3   login refused\n"
           "  4   the unit did not answer three transmissions of the request\n"
           "  5   nothing arrived within the time-out\n"
           "  6   the line hung up\n"
           "  64  bad command line\n";
}

}  // namespace carecfg
