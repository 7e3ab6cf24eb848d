// Figures of the serial workers: CPU time they use while the line is idle, and the rate at which
// queued buffers reach the other side of a pseudo-terminal. Reports only.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <thread>
#include <vector>

#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "tests/support/PtyPair.h"

namespace carecfg {
namespace {

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU time of the reader and writer (the whole process less the calling thread) per second of
// an open, idle port.
void BM_IdleWorkersCpu(benchmark::State& state) {
    testing::PtyPair pty;
    EventQueue events;
    TComm comm(events);
    comm.ApplyCommRSettings();
    comm.SetCommName(pty.Path());
    comm.OpenPort();
    events.RunFor(std::chrono::milliseconds(50));
    const double idleSeconds = 2.0;
    double workerCpu = 0;
    for (auto _ : state) {
        const double all = CpuSeconds(RUSAGE_SELF), mine = CpuSeconds(RUSAGE_THREAD);
        std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
        workerCpu += (CpuSeconds(RUSAGE_SELF) - all) - (CpuSeconds(RUSAGE_THREAD) - mine);
    }
    state.counters["worker_cpu_ms_per_s"] =
        1000.0 * workerCpu / (idleSeconds * static_cast<double>(state.iterations()));
    comm.ClosePort();
}
BENCHMARK(BM_IdleWorkersCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// 265-byte buffers (one record frame each) written through TComm and read on the master side.
void BM_WriteRecords(benchmark::State& state) {
    testing::PtyPair pty;
    EventQueue events;
    TComm comm(events);
    comm.ApplyCommRSettings();
    comm.SetCommName(pty.Path());
    comm.OpenPort();
    const std::vector<std::uint8_t> record(265, 0x5A);
    const int batch = 64;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            comm.WritePortData(record.data(), static_cast<std::uint16_t>(record.size()));
        benchmark::DoNotOptimize(pty.Receive(record.size() * batch).size());
        events.RunReady();
    }
    state.SetBytesProcessed(state.iterations() * batch * static_cast<long>(record.size()));
    comm.ClosePort();
}
BENCHMARK(BM_WriteRecords)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
