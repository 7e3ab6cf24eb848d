#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/UnitSim.h"

namespace carecfg {

// The block sequences a soak runs.
enum class SoakKind { SettingsRead, RegionRead, RecordChain, SettingsWrite };
const char* SoakKindName(SoakKind kind);

// What a soak does: the unit's faults, the link's timing, and how long it goes on.
struct SoakPlan {
    SimFaults faults;
    std::uint32_t unitSeed = 1;  // the unit's fault choices
    std::uint32_t planSeed = 1;  // the order of the sequences, their regions and written bytes
    int minExchanges = 300;      // sequences start until this many block requests went out
    int resendMs = 400;          // the resend interval of the link
    int readIntervalMs = 5;      // the serial reader's grouping pause
    // Sequences run first, in this order; the rest are drawn at random.
    std::vector<SoakKind> firstKinds;
};

// The faults of the standard soak: 5 % of the replies corrupted, 2 % dropped, every reply cut
// at two random places with a pause longer than the reader's grouping between the parts, and
// random bytes (never a frame start) before each reply.
SimFaults StandardSoakFaults();

// What a soak saw. `problems` lists every rule that broke, in words; empty when all held.
struct SoakFigures {
    int exchanges = 0;  // block requests the unit received
    int resends = 0;    // transmissions after the first of a request
    int sequences = 0;
    int completed = 0;
    int gaveUp = 0;
    int completedOf[4] = {};  // by SoakKind
    int gaveUpOf[4] = {};
    long residentStartKiB = 0;  // before the first sequence
    long residentWarmKiB = 0;   // after the first quarter of the exchanges
    long residentEndKiB = 0;    // after the last sequence
    double seconds = 0;
    std::vector<std::string> problems;
};

// Runs the soak through the real stack: the unit on a pseudo-terminal, TComm with its reader and
// writer threads, the link session with its resend timer, and the block transfer. Every sequence
// that completes must leave the image byte-identical to the unit's memory (after a write: the
// unit's memory equal to the image); a sequence that gives up must do so after exactly three
// transmissions of one request, with nothing sent after the give-up notice; each sequence has a
// watchdog, and a sequence that outlives it ends the soak with a problem.
SoakFigures RunSoak(const SoakPlan& plan);

// The resident size of this process from /proc/self/statm, in KiB (0 when unreadable).
long ResidentKiB();

}  // namespace carecfg
