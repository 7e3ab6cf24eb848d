#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace carecfg {

class TextCatalog;

// Exit codes of carecfg-cli.
enum CliExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // anything unexpected
    kExitOpenFailed = 2,    // the port could not be opened
    kExitLoginRefused = 3,  // the unit refused the password
    kExitGaveUp = 4,        // three transmissions went unanswered (or had bad checksums)
    kExitNoAnswer = 5,      // nothing arrived within the time-out
    kExitLineLost = 6,      // the line hung up while waiting
    kExitUsage = 64,        // bad command line
};

enum class CliCommand { Identity, Login, SetClock };

// What carecfg-cli was asked to do.
struct CliCommandLine {
    std::string port;
    std::optional<int> resendMs;  // unset: taken from skin.ini
    double timeoutSeconds = 5.0;
    bool verbose = false;
    bool help = false;
    CliCommand command = CliCommand::Identity;
    std::string password;  // login
};

// Parses the arguments after the program name; nullopt with `error` set for bad usage.
std::optional<CliCommandLine> ParseCliArguments(std::span<const std::string_view> args,
                                                std::string& error);
std::string CliUsage();

// Resend interval from CONFIG "resendtime", read by the same rule as the window; 3000 ms when the
// catalogue file does not exist.
int ResendIntervalFromCatalog(const TextCatalog& catalog);

// A decimal whole number filling the whole text (an optional sign allowed); nullopt otherwise.
std::optional<int> ParseWholeNumber(std::string_view text);

}  // namespace carecfg
