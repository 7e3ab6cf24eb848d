#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/DeviceImage.h"

namespace carecfg {

// Exit codes of carecfg-cli.
enum CliExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,       // anything unexpected, also an answer that fits no step or a
                            // block read that left blocks out
    kExitOpenFailed = 2,    // the port could not be opened
    kExitLoginRefused = 3,  // the unit refused the password
    kExitGaveUp = 4,        // three transmissions went unanswered (or had bad checksums)
    kExitNoAnswer = 5,      // nothing arrived within the time-out
    kExitLineLost = 6,      // the line hung up while waiting
    kExitUnitRefused = 7,   // the unit answered status 0 or 2: it did not do what was asked
    kExitFileError = 8,     // an input file is missing, unreadable or too short; or the output
                            // file could not be written (no file is then written)
    kExitDeadline = 9,      // the command did not end within its overall deadline (bytes kept
                            // coming that formed no answer); no file is then written
    kExitUsage = 64,        // bad command line, or bad settings given in JSON
};

enum class CliCommand {
    Identity,
    Login,
    SetClock,
    ReadSettings,
    WriteSettings,
    ShowSettings,
    EncodeSettings,
    SetPassword,
    SetPin,
    FactoryDefault,
    ReadRecords,
    ReadRegion,
    ClearRegion,
    ClearRecords,
    Health,
};

// Whether a command talks to the unit (and so needs --port).
bool NeedsPort(CliCommand command);

enum class PasswordRole { User, Admin };

// What carecfg-cli was asked to do.
struct CliCommandLine {
    std::string port;
    std::optional<int> resendMs;        // unset: taken from skin.ini
    std::optional<int> readIntervalMs;  // unset: taken from skin.ini
    double timeoutSeconds = 5.0;
    std::optional<double> deadlineSeconds;  // unset: DefaultDeadlineSeconds of the command
    bool verbose = false;
    bool help = false;
    std::string helpText;  // the help asked for (of the program or of one command)
    CliCommand command = CliCommand::Identity;
    std::string password;  // login: the password to send
    // --password of the commands that change the unit: log in with it first.
    std::optional<std::string> loginPassword;
    std::string file;  // write-settings and settings: the profile; settings-encode: the JSON;
                       // health: the image or region file
    std::string out;   // read-settings, read-records, read-region, settings-encode: the file
                       // to write
    RegionId region = RegionId::Settings;    // read-region, clear-region, health
    std::optional<std::string> base;         // settings-encode: the profile to start from
    bool json = false;                       // settings: print JSON
    bool chart = false;                      // health: print the charts as JSON
    std::string report;                      // health: write the doctor's report to this PDF
    PasswordRole role = PasswordRole::User;  // set-password
    std::string newSecret, oldSecret;        // set-password (new), set-pin (new, old)
};

// The overall deadline of a command without --deadline: 120 s for the block transfers
// (read-settings, write-settings, read-region, read-records), 30 s for every other command.
double DefaultDeadlineSeconds(CliCommand command);

// Parses the arguments after the program name; nullopt with `error` set for bad usage.
std::optional<CliCommandLine> ParseCliArguments(std::span<const std::string_view> args,
                                                std::string& error);
// The help of the program: every command, every option, every exit code.
std::string CliUsage();

}  // namespace carecfg
