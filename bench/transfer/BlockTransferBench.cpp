// Figures of the block sequences against the simulated unit with its bytes paced at the line
// rate: "Read Settings" (16 blocks) and the whole "Read Record" chain (338 blocks), each with
// the reader's grouping pause the unit's line is defined with (100 ms) and with the one skin.ini
// ships, against the line limit of the same exchanges. Reports only; nothing here fails.
#include <benchmark/benchmark.h>

#include <chrono>
#include <optional>
#include <string>

#include "cli/MonotonicTimer.h"
#include "image/BlockTransfer.h"
#include "link/CommLinkPort.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "sim/UnitSim.h"
#include "text/ConfigValues.h"
#include "text/ExecutableDir.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBitsPerByte = 10.0;
constexpr double kBaud = 115200.0;
constexpr double kReadExchangeBytes = 9 + 265;  // request and reply of one block read

// Waits for the end of a sequence.
struct EndListener : LinkListener {
    std::optional<TransferEnd> end;
    void TransferEnded(TransferEnd e) override {
        // The record chain reports the end of each region read by CmdReadBlock only; the chain
        // itself ends once, after the outbox.
        end = e;
    }
    void RequestGaveUp() override { end = TransferEnd::StrayAddress; }
};

// The tool's stack over the serial port against a paced simulated unit.
struct Rig {
    explicit Rig(int readIntervalMs) : unit(Options()), comm(queue), port(comm) {
        comm.OnReceiveData = [this](TComm&, const std::uint8_t* b, std::uint16_t n) {
            link.FeedChunk(b, n);
        };
        comm.ApplyCommRSettings();
        comm.SetReadIntervalTimeout(static_cast<std::uint32_t>(readIntervalMs));
        timer.SetInterval(0);  // no resend: a lost reply shows as a time-out
    }
    static SimOptions Options() {
        SimOptions o;
        o.faults.pace = true;
        return o;
    }
    bool Open(std::string& error) {
        if (!unit.Start()) {
            error = unit.LastError();
            return false;
        }
        comm.SetCommName(unit.TerminalPath());
        try {
            comm.OpenPort();
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
        return true;
    }
    // Runs the started sequence to its end; false on a time-out.
    bool Run(Clock::duration limit) {
        const auto giveUp = Clock::now() + limit;
        while (!ended.end && Clock::now() < giveUp) {
            queue.RunFor(std::chrono::milliseconds(20));
        }
        return ended.end == TransferEnd::Completed;
    }

    UnitSim unit;
    EventQueue queue;
    TComm comm;
    CommLinkPort port;
    MonotonicTimer timer;
    EndListener ended;
    LinkSession link{port, timer, ended};
    DeviceImage image;
    BlockTransfer transfer{link, image};
};

int ShippedReadInterval() {
    return ReadIntervalFromCatalog(TextCatalog(ExecutableDir() / "skin.ini"));
}

void RunSequence(benchmark::State& state, bool wholeChain, int intervalMs) {
    Rig rig(intervalMs);
    std::string error;
    if (!rig.Open(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const double blocks = wholeChain ? 338 : 16;
    const double wireMs = blocks * kReadExchangeBytes * kBitsPerByte / kBaud * 1000.0;
    const double limitMs = wireMs + blocks * intervalMs;
    for (auto _ : state) {
        rig.ended.end.reset();
        const auto start = Clock::now();
        if (wholeChain) {
            rig.transfer.ReadAllRecords();
        } else {
            rig.transfer.ReadRegion(RegionId::Settings);
        }
        // The record chain ends after the outbox; its regions report no end of their own.
        if (!rig.Run(std::chrono::seconds(120))) {
            state.SkipWithError("the sequence did not complete");
            return;
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.SetIterationTime(ms / 1000.0);
        state.counters["total_ms"] = ms;
        state.counters["line_limit_ms"] = limitMs;
        state.counters["wire_ms"] = wireMs;
        state.counters["x_line_limit"] = ms / limitMs;
        state.counters["x_wire"] = ms / wireMs;
        state.counters["read_interval_ms"] = intervalMs;
    }
    const auto memory = rig.unit.MemorySnapshot();
    const auto regionsExact = [&] {
        for (const RegionId id : RecordChain()) {
            const ImageRegion& r = Region(id);
            for (std::uint32_t a = r.start; a < r.start + r.size; ++a) {
                if (rig.image.Bytes()[a] != memory[a]) {
                    return false;
                }
            }
        }
        return true;
    };
    state.counters["image_exact"] =
        wholeChain ? regionsExact()
                   : std::equal(memory.begin(), memory.begin() + 4096, rig.image.Bytes().begin());
}

void BM_ReadSettings_Interval100(benchmark::State& state) {
    RunSequence(state, false, kDefaultReadIntervalMs);
}
void BM_ReadSettings_Shipped(benchmark::State& state) {
    RunSequence(state, false, ShippedReadInterval());
}
void BM_ReadRecordChain_Interval100(benchmark::State& state) {
    RunSequence(state, true, kDefaultReadIntervalMs);
}
void BM_ReadRecordChain_Shipped(benchmark::State& state) {
    RunSequence(state, true, ShippedReadInterval());
}

BENCHMARK(BM_ReadSettings_Interval100)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSettings_Shipped)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRecordChain_Interval100)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRecordChain_Shipped)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
