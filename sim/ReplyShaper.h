#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sim/UnitSim.h"

namespace carecfg {

// How one reply goes onto the line: the byte runs to write, each after its own pause.
struct ReplyPlan {
    struct Part {
        int pauseBeforeMs = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Part> parts;  // empty: the reply is dropped
    bool corrupted = false;
    bool stoppedHalfway = false;
};

// Turns reply frames into what a faulty unit puts on the line. Every random choice comes from
// one generator seeded once, so the same seed and the same requests give the same faults.
class ReplyShaper {
public:
    ReplyShaper(const SimFaults& faults, std::uint32_t seed);
    ReplyPlan Shape(std::vector<std::uint8_t> frame);

private:
    bool OneIn(int n);

    SimFaults m_faults;
    std::mt19937 m_random;
};

}  // namespace carecfg
