// The long soak: thousands of block exchanges through the real stack against a unit with the
// standard line faults. Reports the exchanges, the sequences that completed or gave up, the
// rules that broke (none expected) and the resident size at the start, once warm and at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/soak/SoakRun.h"

namespace carecfg {
namespace {

// CARECFG_SOAK_EXCHANGES overrides the length of the run (default 2000).
int Exchanges() {
    if (const char* text = std::getenv("CARECFG_SOAK_EXCHANGES")) {
        const long n = std::strtol(text, nullptr, 10);
        if (n > 0 && n < 10'000'000) {
            return static_cast<int>(n);
        }
    }
    return 2000;
}

void BM_SoakUnderLineFaults(benchmark::State& state) {
    SoakPlan plan;
    plan.faults = StandardSoakFaults();
    plan.unitSeed = static_cast<std::uint32_t>(state.range(0));
    plan.planSeed = static_cast<std::uint32_t>(state.range(0)) * 31u + 1u;
    plan.minExchanges = Exchanges();
    plan.firstKinds = {SoakKind::SettingsRead, SoakKind::SettingsWrite, SoakKind::RegionRead,
                       SoakKind::RecordChain};
    SoakFigures f;
    for (auto _ : state) {
        f = RunSoak(plan);
        state.SetIterationTime(f.seconds);
    }
    state.counters["exchanges"] = f.exchanges;
    state.counters["resends"] = f.resends;
    state.counters["sequences"] = f.sequences;
    state.counters["completed"] = f.completed;
    state.counters["gave_up"] = f.gaveUp;
    state.counters["problems"] = static_cast<double>(f.problems.size());
    state.counters["rss_start_kib"] = static_cast<double>(f.residentStartKiB);
    state.counters["rss_warm_kib"] = static_cast<double>(f.residentWarmKiB);
    state.counters["rss_end_kib"] = static_cast<double>(f.residentEndKiB);

    std::fprintf(stderr,
                 "soak seed %ld: %d exchanges (%d resends) in %.1f s; %d sequences, %d "
                 "completed, %d gave up\n",
                 static_cast<long>(state.range(0)), f.exchanges, f.resends, f.seconds, f.sequences,
                 f.completed, f.gaveUp);
    for (int k = 0; k < 4; ++k) {
        std::fprintf(stderr, "  %-15s completed %4d, gave up %d\n",
                     SoakKindName(static_cast<SoakKind>(k)), f.completedOf[k], f.gaveUpOf[k]);
    }
    std::fprintf(stderr,
                 "  resident size: %ld KiB at the start, %ld KiB warm, %ld KiB at the end\n",
                 f.residentStartKiB, f.residentWarmKiB, f.residentEndKiB);
    for (const std::string& problem : f.problems) {
        std::fprintf(stderr, "  PROBLEM: %s\n", problem.c_str());
    }
    if (!f.problems.empty()) {
        state.SkipWithError("a rule of the soak broke (see above)");
    }
}
BENCHMARK(BM_SoakUnderLineFaults)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
