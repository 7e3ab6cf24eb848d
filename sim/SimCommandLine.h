#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/UnitSim.h"

namespace carecfg {

// What the unitsim program was asked to do.
struct SimCommandLine {
    SimOptions options;
    std::string link = "/tmp/ttyCARE0";
    bool help = false;
};

// Parses the arguments after the program name; nullopt with `error` set for a bad one.
std::optional<SimCommandLine> ParseSimCommandLine(std::span<const std::string_view> args,
                                                  std::string& error);
std::string SimUsage();

}  // namespace carecfg
