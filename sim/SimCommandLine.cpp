#include "sim/SimCommandLine.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace carecfg {
namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& out, Number lowest) {
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lowest) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

std::string SimUsage() {
    return "usage: unitsim [options]\n"
           "A simulated care-and-alarm unit on a pseudo-terminal; runs until interrupted.\n"
           "  --link PATH         symlink to the terminal side (default /tmp/ttyCARE0)\n"
           "  --image FILE        start from this 262144-byte memory image\n"
           "                      (default: the built-in demonstration unit)\n"
           "  --save FILE         save the memory to FILE when the unit stops\n"
           "  --password PW       login password, 1 to 6 characters (default 123456)\n"
           "  --seed N            seed of the fault choices (default 1)\n"
           "  --pace              send reply bytes at the line rate of 115200 baud\n"
           "  --delay-ms N        wait N ms before each reply\n"
           "  --corrupt N         corrupt one reply in N\n"
           "  --drop N            drop one reply in N\n"
           "  --noise N           send N random bytes before each reply frame\n"
           "  --split             send each reply in two parts, 150 ms apart\n"
           "  --stop-halfway N    send only the first half of one reply in N\n"
           "  --write-status S    answer block writes with status S (0, 1 or 2; 1 stores)\n"
           "  --help              show this text\n";
}

std::optional<SimCommandLine> ParseSimCommandLine(std::span<const std::string_view> args,
                                                  std::string& error) {
    SimCommandLine line;
    SimFaults& f = line.options.faults;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        auto value = [&](std::string_view& out) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + std::string(arg);
                return false;
            }
            out = args[++i];
            return true;
        };
        auto count = [&](int& out) {
            std::string_view text;
            if (!value(text)) {
                return false;
            }
            if (!ParseNumber(text, out, 0)) {
                error =
                    "not a number of 0 or more for " + std::string(arg) + ": " + std::string(text);
                return false;
            }
            return true;
        };
        std::string_view text;
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--pace") {
            f.pace = true;
        } else if (arg == "--split") {
            f.splitReplies = true;
        } else if (arg == "--link") {
            if (!value(text)) {
                return std::nullopt;
            }
            line.link = std::string(text);
        } else if (arg == "--image") {
            if (!value(text)) {
                return std::nullopt;
            }
            line.options.imageFile = std::string(text);
        } else if (arg == "--save") {
            if (!value(text)) {
                return std::nullopt;
            }
            line.options.saveFile = std::string(text);
        } else if (arg == "--password") {
            if (!value(text)) {
                return std::nullopt;
            }
            if (text.empty() || text.size() > 6) {
                error = "the password must have 1 to 6 characters";
                return std::nullopt;
            }
            line.options.password = std::string(text);
        } else if (arg == "--seed") {
            if (!value(text)) {
                return std::nullopt;
            }
            if (!ParseNumber<std::uint32_t>(text, line.options.seed, 0)) {
                error = "not a seed: " + std::string(text);
                return std::nullopt;
            }
        } else if (arg == "--delay-ms") {
            if (!count(f.replyDelayMs)) {
                return std::nullopt;
            }
        } else if (arg == "--corrupt") {
            if (!count(f.corruptOneIn)) {
                return std::nullopt;
            }
        } else if (arg == "--drop") {
            if (!count(f.dropOneIn)) {
                return std::nullopt;
            }
        } else if (arg == "--noise") {
            if (!count(f.noiseBytes)) {
                return std::nullopt;
            }
        } else if (arg == "--stop-halfway") {
            if (!count(f.stopHalfwayOneIn)) {
                return std::nullopt;
            }
        } else if (arg == "--write-status") {
            if (!count(f.writeStatus)) {
                return std::nullopt;
            }
            if (f.writeStatus > 255) {
                error = "a status is one byte: " + std::to_string(f.writeStatus);
                return std::nullopt;
            }
        } else {
            error = "unknown option: " + std::string(arg);
            return std::nullopt;
        }
    }
    return line;
}

}  // namespace carecfg
