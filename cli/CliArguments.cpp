#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "base/WholeNumber.h"
#include "cli/RegionNames.h"

namespace carecfg {

namespace {

constexpr const char* kExitCodesText =
    "Exit codes:\n"
    "  0   done\n"
    "  1   unexpected failure (also: the unit answered with an address or status that fits\n"
    "      no step of the exchange, or a block read left blocks of a region out)\n"
    "  2   the port could not be opened\n"
    "  3   login refused (nothing was changed on the unit)\n"
    "  4   the unit did not answer three transmissions of a request\n"
    "  5   nothing arrived within the time-out\n"
    "  6   the line hung up\n"
    "  7   the unit refused the command (status 0 or 2)\n"
    "  8   a file could not be read (missing, unreadable, shorter than a profile) or\n"
    "      written; no file is written then, and an existing one stays as it was\n"
    "      (a command that writes a file writes it only when everything else succeeded)\n"
    "  9   the command did not end within --deadline seconds, although bytes kept\n"
    "      arriving (another device or a modem on the line, or answers that never\n"
    "      complete the command); no file is written then\n"
    "  64  bad command line, or bad values in a settings JSON\n";

// The option values as typed; numbers are checked after parsing by the tool's own rules.
struct RawOptions {
    std::string resendMs, timeout, deadline, readIntervalMs;
    std::string role;
    std::string loginPassword;
    std::string base;
    std::string region;
};

constexpr const char* kWholeReadText =
    "The file is written only after every block has arrived: on any failure no file is\n"
    "written and an existing FILE stays as it was. With --verbose the progress goes to\n"
    "stderr.\n";

constexpr const char* kHealthText =
    "FILE is an image file of 262144 bytes (the region is taken at its address) or a region\n"
    "file of 4096 bytes; any other size gives exit 8.\n"
    "\n"
    "Without --chart the readings of both banks are printed as CSV (fields separated by\n"
    "commas, lines ended by CR LF, UTF-8): a header row, then one row per reading, bank 1\n"
    "first: the bank (1 or 2), the reading's number in its bank, its time text\n"
    "(20yy-mm-dd hh:mm:ss) and its values as the page's lists show them, each in order of\n"
    "time, with '.' before a decimal. The unit labels are the items of ComboBox43\n"
    "(pressure), ComboBox45 (glucose) or ComboBox46 (weight) in section FORM of skin.ini\n"
    "beside the program (Items.Text, items separated by '|'); the region's header says which\n"
    "of the two it uses.\n"
    "\n"
    "With --chart the framed charts of the page are printed instead as one JSON object,\n"
    "keyed by chart: pressure Chart1 (systolic), Chart2 (diastolic), Chart3 (pulse); glucose\n"
    "Chart4; weight Chart5. Each holds\n"
    "  timeWindow     [min, max] of the ten days shown first, in days since 1899-12-30\n"
    "  valueRange     [min, max] of the value axis (MZZB, MF and the fixed ranges of\n"
    "                 section MESSAGE of skin.ini decide it)\n"
    "  scrollMaximum  the highest scroll position, in days\n"
    "  series         bank1, bank2, highLine, lowLine: [time, value] pairs in ascending time\n"
    "A range is null when the chart fits it to its points itself.\n"
    "\n"
    "A time text that is no date and time stops the decode: what was decoded before it is\n"
    "printed (in the order of the region, without numbers), the reason goes to stderr, and\n"
    "the exit status is 8. A value range of skin.ini whose minimum lies above its maximum\n"
    "gives exit 1 after printing; that chart's range is then null.\n"
    "\n"
    "With --report FILE.pdf nothing is printed: the page's report for the doctor is written\n"
    "to FILE.pdf on A4 pages, as the window's \"report for the doctor\" writes it (title,\n"
    "introduction, summary per measure and bank with the thresholds, the charts over the\n"
    "whole period, the readings of each bank), in the texts of skin.ini beside the program.\n"
    "The file is replaced only once the whole report is made. A decode stopped by a time text\n"
    "still writes the report of what was decoded, then gives exit 8; a FILE.pdf that cannot\n"
    "be written gives exit 8 and leaves any existing file as it was. No display is needed\n"
    "(Qt's offscreen platform is used unless QT_QPA_PLATFORM is set).\n";

constexpr const char* kClearText =
    "The command is sent a single time and never repeated, also not after a garbled\n"
    "answer; no answer within --timeout gives exit 5. The unit's answer is printed: its\n"
    "success text on stdout, the text of M11 (status 0) or M12 (status 2) on stderr with\n"
    "exit 7.\n";

std::optional<double> ParseSeconds(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The health region of a --region value of the health command.
std::optional<RegionId> HealthRegionByName(std::string_view name) {
    if (name == "pressure") {
        return RegionId::BloodPressure;
    }
    if (name == "glucose") {
        return RegionId::Glucose;
    }
    if (name == "weight") {
        return RegionId::Weight;
    }
    return std::nullopt;
}

// The parser of the whole command line; `line` and `raw` receive the values.
class CliGrammar {
public:
    CliGrammar(CliCommandLine& line, RawOptions& raw) : m_app("", "carecfg-cli") {
        m_app.description(
            "Talks to a care-and-alarm unit over a serial line, and converts settings profiles\n"
            "to and from JSON.");
        m_app.footer(kExitCodesText);
        m_app.require_subcommand(1, 1);
        m_app.fallthrough();
        m_app.set_help_flag("-h,--help", "show this text (COMMAND --help: that command's)");

        m_app
            .add_option("--port", line.port,
                        "COM1..COMn, a device path such as /dev/ttyUSB0 or /tmp/ttyCARE0, or DEMO "
                        "for a built-in simulated unit (needed by every command that talks to "
                        "the unit)")
            ->type_name("PORT");
        m_app
            .add_option("--resend-ms", raw.resendMs,
                        "resend a request after N ms of silence, three transmissions in all "
                        "(0: never; default: CONFIG resendtime of skin.ini beside the program, "
                        "0 without)")
            ->type_name("N");
        m_app
            .add_option("--timeout", raw.timeout,
                        "give up when nothing arrives for S seconds (default 5)")
            ->type_name("S");
        m_app
            .add_option("--deadline", raw.deadline,
                        "end the command with exit 9 when it has not ended after S seconds in "
                        "all, even while bytes keep arriving (default 120 for read-settings, "
                        "write-settings, read-region and read-records, 30 for the others)")
            ->type_name("S");
        m_app
            .add_option("--read-interval-ms", raw.readIntervalMs,
                        "pause after which the serial reader hands on what it received, 1..100 "
                        "(default: CONFIG readinterval of skin.ini, 100 without)")
            ->type_name("N");
        m_app.add_flag("-v,--verbose", line.verbose,
                       "also show the status texts of the exchange and the progress of block "
                       "transfers on stderr");

        Command("identity", CliCommand::Identity,
                "ask the unit who it is; prints Device ID, Firmware and IMEI");

        auto* login = Command("login", CliCommand::Login,
                              "log in with the unit's password (1 to 6 characters)");
        login->add_option("PASSWORD", line.password, "the unit's password")->required();

        Command("set-clock", CliCommand::SetClock,
                "set the unit's clock to this computer's local time");

        auto* read = Command("read-settings", CliCommand::ReadSettings,
                             "read the unit's settings (16 blocks) into a 3637-byte profile");
        read->add_option("--out", line.out, "the profile to write")->required()->type_name("FILE");

        auto* write = Command(
            "write-settings", CliCommand::WriteSettings,
            "write a profile to the unit: its first 3637 bytes, then 0xFF up to 4096 bytes, in "
            "16 blocks; prints the text of M13 when all are written");
        write->add_option("FILE", line.file, "profile (3637 bytes or more: its first 3637)")
            ->required();
        LoginOption(write, raw);

        auto* show =
            Command("settings", CliCommand::ShowSettings,
                    "print the settings of a profile, a settings-region file or an image file: one "
                    "'Name = value' line per control, or one JSON object (no port needed)");
        show->add_option("FILE", line.file, "profile (3637 bytes or more: its first 3637)")
            ->required();
        show->add_flag("--json", line.json, "print one JSON object");

        auto* encode = Command(
            "settings-encode", CliCommand::EncodeSettings,
            "build a 3637-byte profile from a JSON object of control values (as 'settings "
            "--json' prints them; controls not named keep the base's values) (no port needed)");
        encode->add_option("JSON", line.file, "the JSON file, or - for the standard input")
            ->required();
        encode->add_option("--out", line.out, "the profile to write")
            ->required()
            ->type_name("FILE");
        encode
            ->add_option("--base", raw.base,
                         "the profile to start from (default: a record of 0x00 bytes)")
            ->type_name("PROFILE");

        auto* password = Command(
            "set-password", CliCommand::SetPassword,
            "give the unit a new user password (1 to 4 characters) or administrator password "
            "(1 to 6 characters)");
        password->add_option("ROLE", raw.role, "user or admin")
            ->required()
            ->check(CLI::IsMember({"user", "admin"}));
        password->add_option("NEW", line.newSecret, "the new password")->required();
        LoginOption(password, raw);

        auto* pin = Command("set-pin", CliCommand::SetPin,
                            "change the SIM card's PIN (1 to 6 characters each)");
        pin->add_option("NEW", line.newSecret, "the new PIN")->required();
        pin->add_option("OLD", line.oldSecret, "the old PIN")->required();
        LoginOption(pin, raw);

        auto* factory = Command("factory-default", CliCommand::FactoryDefault,
                                "ask the unit to restore its factory settings");
        LoginOption(factory, raw);

        auto* records = Command(
            "read-records", CliCommand::ReadRecords,
            "read the nine record regions (338 blocks, alarm history first) into a 262144-byte "
            "image file; its settings region and every address outside the record regions "
            "are 0xFF");
        records->add_option("--out", line.out, "the image file to write")
            ->required()
            ->type_name("FILE");
        records->footer(kWholeReadText);

        auto* region =
            Command("read-region", CliCommand::ReadRegion,
                    "read one region of the unit's memory into a file of the region's size");
        region->add_option("NAME", raw.region, "the region (table below)")->required();
        region->add_option("--out", line.out, "the region file to write")
            ->required()
            ->type_name("FILE");
        region->footer(std::string("Regions:\n") + CliRegionTable() + "\n" + kWholeReadText);

        auto* clear = Command("clear-region", CliCommand::ClearRegion,
                              "erase one record region on the unit (every region but settings); "
                              "prints the text of M27");
        clear->add_option("NAME", raw.region, "the region (table below)")->required();
        LoginOption(clear, raw);
        clear->footer(std::string("Regions:\n") + CliRegionTable() + "\n" + kClearText);

        auto* clearAll =
            Command("clear-records", CliCommand::ClearRecords,
                    "erase all nine record regions on the unit (command 0x84); prints the text "
                    "of M10");
        LoginOption(clearAll, raw);
        clearAll->footer(kClearText);

        auto* health = Command("health", CliCommand::Health,
                               "print the health readings of an image or region file as CSV, or "
                               "with --chart its charts as JSON (no port needed)");
        health->add_option("FILE", line.file, "image file or region file")->required();
        health->add_option("--region", raw.region, "pressure, glucose or weight")
            ->required()
            ->type_name("NAME");
        auto* chart = health->add_flag("--chart", line.chart, "print the framed charts as JSON");
        health
            ->add_option("--report", line.report,
                         "write the report for the doctor to this PDF file instead of printing")
            ->type_name("FILE.pdf")
            ->excludes(chart);
        health->footer(kHealthText);
    }

    CLI::App& App() { return m_app; }
    CLI::App* Chosen(CliCommandLine& line) {
        for (auto& [app, command] : m_commands) {
            if (app->parsed()) {
                line.command = command;
                return app;
            }
        }
        return nullptr;
    }

private:
    CLI::App* Command(const char* name, CliCommand command, const char* what) {
        CLI::App* sub = m_app.add_subcommand(name, what);
        m_commands.emplace_back(sub, command);
        return sub;
    }
    static void LoginOption(CLI::App* sub, RawOptions& raw) {
        sub->add_option("--password", raw.loginPassword,
                        "log in with this password first (refused: exit 3, nothing changed)")
            ->type_name("PW");
    }

    CLI::App m_app;
    std::vector<std::pair<CLI::App*, CliCommand>> m_commands;
};

// Checks and converts the values that CLI11 took as text; false with `error` set.
bool TakeRawValues(CLI::App& app, CLI::App& chosen, const RawOptions& raw, CliCommandLine& line,
                   std::string& error) {
    if (app.count("--resend-ms") > 0) {
        const auto ms = ParseWholeNumberAs<int>(raw.resendMs);
        if (!ms || *ms < 0) {
            error = "--resend-ms takes a whole number of milliseconds (0 or more)";
            return false;
        }
        line.resendMs = *ms;
    }
    if (app.count("--timeout") > 0) {
        const auto s = ParseSeconds(raw.timeout);
        if (!s || *s <= 0 || *s > 86400) {
            error = "--timeout takes a number of seconds greater than 0";
            return false;
        }
        line.timeoutSeconds = *s;
    }
    if (app.count("--deadline") > 0) {
        const auto s = ParseSeconds(raw.deadline);
        if (!s || *s <= 0 || *s > 86400) {
            error = "--deadline takes a number of seconds greater than 0 (at most 86400)";
            return false;
        }
        line.deadlineSeconds = *s;
    }
    if (app.count("--read-interval-ms") > 0) {
        const auto ms = ParseWholeNumberIn(raw.readIntervalMs, 1, 100);
        if (!ms) {
            error = "--read-interval-ms takes a whole number of milliseconds from 1 to 100";
            return false;
        }
        line.readIntervalMs = static_cast<int>(*ms);
    }
    if (NeedsPort(line.command) && line.port.empty()) {
        error = "--port is required for " + chosen.get_name();
        return false;
    }
    if (chosen.get_option_no_throw("--password") != nullptr && chosen.count("--password") > 0) {
        if (raw.loginPassword.empty()) {
            error = "--password needs the unit's password";
            return false;
        }
        line.loginPassword = raw.loginPassword;
    }
    if (chosen.get_option_no_throw("--base") != nullptr && chosen.count("--base") > 0) {
        line.base = raw.base;
    }
    line.role = raw.role == "admin" ? PasswordRole::Admin : PasswordRole::User;
    switch (line.command) {
        case CliCommand::ReadRegion:
        case CliCommand::ClearRegion: {
            const bool clearing = line.command == CliCommand::ClearRegion;
            const auto region = RegionByCliName(raw.region);
            if (!region) {
                error = "no region is called '" + raw.region + "'; " + chosen.get_name() +
                        " takes one of: " + CliRegionNameList(clearing);
                return false;
            }
            if (clearing && Region(*region).eraseCommand < 0) {
                error = "the unit has no command that erases '" + raw.region +
                        "'; clear-region takes one of: " + CliRegionNameList(true);
                return false;
            }
            line.region = *region;
            if (!clearing && line.out.empty()) {
                error = "read-region needs a file name that is not empty";
                return false;
            }
            break;
        }
        case CliCommand::Health: {
            const auto region = HealthRegionByName(raw.region);
            if (!region) {
                error =
                    "health --region takes pressure, glucose or weight, not '" + raw.region + "'";
                return false;
            }
            line.region = *region;
            if (line.file.empty()) {
                error = "health needs a file name that is not empty";
                return false;
            }
            if (chosen.count("--report") > 0 && line.report.empty()) {
                error = "health --report needs a file name that is not empty";
                return false;
            }
            break;
        }
        case CliCommand::ReadRecords:
            if (line.out.empty()) {
                error = "read-records needs a file name that is not empty";
                return false;
            }
            break;
        case CliCommand::Login:
            if (line.password.empty()) {
                error = "login needs the unit's password";
                return false;
            }
            break;
        case CliCommand::SetPassword:
        case CliCommand::SetPin:
            if (line.newSecret.empty() ||
                (line.command == CliCommand::SetPin && line.oldSecret.empty())) {
                error = chosen.get_name() + " needs texts of at least one character";
                return false;
            }
            break;
        case CliCommand::ReadSettings:
        case CliCommand::EncodeSettings:
        case CliCommand::WriteSettings:
        case CliCommand::ShowSettings:
            if ((line.out.empty() && line.command != CliCommand::WriteSettings &&
                 line.command != CliCommand::ShowSettings) ||
                (line.file.empty() && line.command != CliCommand::ReadSettings)) {
                error = chosen.get_name() + " needs file names that are not empty";
                return false;
            }
            break;
        default:
            break;
    }
    return true;
}

}  // namespace

double DefaultDeadlineSeconds(CliCommand command) {
    switch (command) {
        case CliCommand::ReadSettings:
        case CliCommand::WriteSettings:
        case CliCommand::ReadRegion:
        case CliCommand::ReadRecords:
            return 120.0;
        default:
            return 30.0;
    }
}

bool NeedsPort(CliCommand command) {
    return command != CliCommand::ShowSettings && command != CliCommand::EncodeSettings &&
           command != CliCommand::Health;
}

std::optional<CliCommandLine> ParseCliArguments(std::span<const std::string_view> args,
                                                std::string& error) {
    CliCommandLine line;
    RawOptions raw;
    CliGrammar grammar(line, raw);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        grammar.App().parse(reversed);
    } catch (const CLI::CallForHelp&) {
        line.help = true;
        line.helpText = grammar.App().help();
        return line;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return std::nullopt;
    }
    CLI::App* chosen = grammar.Chosen(line);
    if (chosen == nullptr) {
        error = "a command is required";
        return std::nullopt;
    }
    if (!TakeRawValues(grammar.App(), *chosen, raw, line, error)) {
        return std::nullopt;
    }
    return line;
}

std::string CliUsage() {
    CliCommandLine line;
    RawOptions raw;
    CliGrammar grammar(line, raw);
    return grammar.App().help();
}

}  // namespace carecfg
