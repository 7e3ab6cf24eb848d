// libFuzzer entry: one binary per target, chosen at compile time by FUZZ_TARGET.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    carecfg::fuzz::FUZZ_TARGET(data, size);
    return 0;
}
