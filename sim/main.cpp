// unitsim: a simulated unit on a pseudo-terminal, for trying the tool without hardware.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "sim/SimCommandLine.h"
#include "sim/UnitSim.h"

int main(int argc, char** argv) {
    using namespace carecfg;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    std::string error;
    const auto line = ParseSimCommandLine(args, error);
    if (!line) {
        std::cerr << "unitsim: " << error << "\n" << SimUsage();
        return 2;
    }
    if (line->help) {
        std::cout << SimUsage();
        return 0;
    }

    // Block the stop signals before the unit's thread starts, so that it inherits the mask
    // and only sigwait below ever takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    UnitSim unit(line->options);
    if (!unit.Start(line->link)) {
        std::cerr << "unitsim: " << unit.LastError() << "\n";
        return 1;
    }
    std::cout << "unitsim: unit on " << unit.TerminalPath() << " (" << unit.PtsName() << ")"
              << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    unit.Stop();
    if (!unit.LastError().empty()) {
        std::cerr << "unitsim: " << unit.LastError() << "\n";
        return 1;
    }
    return 0;
}
