#include "sim/SimCommandLine.h"

#include "base/WholeNumber.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace carecfg {
namespace {

// A whole number of the option's type, at least `lowest`.
template <typename Number>
bool ParseNumber(std::string_view text, Number& out, Number lowest) {
    const auto value = ParseWholeNumberAs<Number>(text);
    if (!value || *value < lowest) {
        return false;
    }
    out = *value;
    return true;
}

// "ADDR:STATUS": a block address (decimal, or hexadecimal after 0x) that is a multiple of 256
// inside the memory, and a status byte.
std::optional<SimFaults::WriteStatusAt> ParseWriteStatusAt(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view addressText = text.substr(0, colon);
    std::optional<std::int64_t> address;
    if (addressText.size() > 2 &&
        (addressText.substr(0, 2) == "0x" || addressText.substr(0, 2) == "0X")) {
        std::uint32_t value = 0;
        const char* end = addressText.data() + addressText.size();
        const auto [ptr, ec] = std::from_chars(addressText.data() + 2, end, value, 16);
        if (ec == std::errc{} && ptr == end) {
            address = value;
        }
    } else {
        address = ParseWholeNumberIn(addressText, 0, std::numeric_limits<std::uint32_t>::max());
    }
    const auto status = ParseWholeNumberIn(text.substr(colon + 1), 0, 255);
    if (!address || !status || *address % 256 != 0 || *address > 0x40000 - 256) {
        return std::nullopt;
    }
    return SimFaults::WriteStatusAt{static_cast<std::uint32_t>(*address),
                                    static_cast<int>(*status)};
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
           "  --split             send each reply in parts cut at random places\n"
           "  --split-cuts N      cut a split reply at N places (default 1: two parts)\n"
           "  --split-pause-ms N  pause N ms before each later part (default 150)\n"
           "  --stop-halfway N    send only the first half of one reply in N\n"
           "  --write-status S    answer block writes with status S (0, 1 or 2; 1 stores)\n"
           "  --write-status-at ADDR:STATUS\n"
           "                      answer the block write at ADDR (0x0700 or 1792) with STATUS\n"
           "  --hang-up-after N   answer N block requests, then close the line at the next\n"
           "                      one, unanswered, as an adapter pulled out (once)\n"
           "  --come-back-ms N    after the hang-up, come back on a fresh terminal N ms\n"
           "                      later, the link pointing at it (default: stay away)\n"
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
        } else if (arg == "--split-cuts") {
            if (!count(f.splitCuts)) {
                return std::nullopt;
            }
            if (f.splitCuts < 1) {
                error = "a split reply has at least one cut";
                return std::nullopt;
            }
        } else if (arg == "--split-pause-ms") {
            if (!count(f.splitPauseMs)) {
                return std::nullopt;
            }
        } else if (arg == "--hang-up-after") {
            if (!count(f.hangUpAfterBlocks)) {
                return std::nullopt;
            }
        } else if (arg == "--come-back-ms") {
            if (!count(f.comeBackAfterMs)) {
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
        } else if (arg == "--write-status-at") {
            if (!value(text)) {
                return std::nullopt;
            }
            f.writeStatusAt = ParseWriteStatusAt(text);
            if (!f.writeStatusAt) {
                error =
                    "not ADDR:STATUS (a block address and a status 0..255): " + std::string(text);
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
