// Decodes the blood-pressure, glucose and weight regions with all 100 slots of both banks
// holding a reading (newest first, so sorting has work to do) into rows, points and framed
// charts, one region at a time and all three together as "Load Record" does.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "health/HealthDecoders.h"
#include "health/HealthLayout.h"
#include "health/HealthNumbers.h"
#include "image/DeviceImage.h"

namespace carecfg {
namespace {

constexpr RegionId kHealthRegions[] = {RegionId::BloodPressure, RegionId::Glucose,
                                       RegionId::Weight};

DeviceImage FullImage() {
    DeviceImage image;
    for (const RegionId region : kHealthRegions) {
        std::uint8_t* area = image.MutableBytes().data() + Region(region).start;
        const std::uint8_t header[6] = {0, 0, 140, 90, 100, 60};
        std::copy_n(header, 6, area);
        for (std::uint32_t bank = 0; bank < HealthScheme::kBankCount; ++bank) {
            for (std::uint32_t slot = 0; slot < HealthScheme::kSlotsPerBank; ++slot) {
                std::uint8_t* reading =
                    area + HealthScheme::kBankOffsets[bank] + HealthScheme::kSlotSize * slot;
                const std::uint32_t age = 200 - slot - bank;  // days before the newest
                const std::uint8_t bytes[9] = {static_cast<std::uint8_t>(24 - age / 336),
                                               static_cast<std::uint8_t>(1 + age / 28 % 12),
                                               static_cast<std::uint8_t>(1 + age % 28),
                                               static_cast<std::uint8_t>(7 + slot % 12),
                                               static_cast<std::uint8_t>(slot * 7 % 60),
                                               static_cast<std::uint8_t>(slot % 60),
                                               static_cast<std::uint8_t>(110 + slot % 50),
                                               static_cast<std::uint8_t>(slot % 3),
                                               static_cast<std::uint8_t>(60 + slot % 30)};
                std::copy_n(bytes, 9, reading);
            }
        }
    }
    return image;
}

struct Fixture {
    DeviceImage image = FullImage();
    HealthNumberTable numbers;
    Fixture() { numbers.integers = {{"MZZB", 1}, {"MF", 10}}; }
    HealthSources Sources() const { return {{"unit", "alternative unit"}, numbers, ','}; }
};

const Fixture& Data() {
    static const Fixture fixture;
    return fixture;
}

std::size_t Readings(const HealthPage& page) {
    return page.ok() ? page.banks[0].size() + page.banks[1].size() : 0;
}

void BM_DecodeHealthRegion(benchmark::State& state) {
    const Fixture& data = Data();
    const RegionId region = kHealthRegions[state.range(0)];
    state.SetLabel(Region(region).name);
    const HealthSources sources = data.Sources();
    HealthPage page = NewHealthPage(region);
    for (auto _ : state) {
        DecodeHealthRegion(data.image, sources, page);
        benchmark::DoNotOptimize(page);
        if (Readings(page) != 200) {
            state.SkipWithError("region not decoded whole");
            break;
        }
    }
}
BENCHMARK(BM_DecodeHealthRegion)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void BM_DecodeAllThreeRegions(benchmark::State& state) {
    const Fixture& data = Data();
    const HealthSources sources = data.Sources();
    for (auto _ : state) {
        std::size_t readings = 0;
        for (const RegionId region : kHealthRegions) {
            const HealthPage page = DecodeHealthRegion(data.image, region, sources);
            readings += Readings(page);
            benchmark::DoNotOptimize(page);
        }
        if (readings != 600) {
            state.SkipWithError("regions not decoded whole");
            break;
        }
    }
}
BENCHMARK(BM_DecodeAllThreeRegions)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
