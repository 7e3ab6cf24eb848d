// Figures of the link stack against the simulated unit: the tool's own share of one block
// exchange, the whole exchange against the line's limit when the unit paces its bytes, and the
// CPU the port's worker threads use while the line is idle. Reports only.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliAdapters.h"
#include "cli/MonotonicTimer.h"
#include "link/LinkSession.h"
#include "serial/EventQueue.h"
#include "serial/SerialComm.h"
#include "sim/UnitSim.h"

namespace carecfg {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double kGroupingMs = 100.0;  // the reader's inter-byte pause before it hands a chunk on
constexpr double kExchangeBytes = 9 + 265;
constexpr double kLineLimitMs = kExchangeBytes * 10.0 / 115200.0 * 1000.0;

// Notes when a block reply was dispatched and when the chunk that completed it was posted.
struct AnswerStamp : BlockReplyHandler {
    std::function<void()> onRead;
    void WriteBlockReply(const ReceiveRecord&) override {}
    void RecordBlockReply(const ReceiveRecord&) override {}
    void ReadBlockReply(const ReceiveRecord&) override { onRead(); }
};

// Forwards to the event queue and remembers when the notification now running was posted.
class StampingSink : public CommEventSink {
public:
    explicit StampingSink(EventQueue& queue) : m_queue(queue) {}
    void Post(std::function<void()> notification) override {
        const auto posted = Clock::now();
        m_queue.Post([this, posted, n = std::move(notification)] {
            m_runningPostedAt = posted;
            n();
        });
    }
    Clock::time_point RunningPostedAt() const { return m_runningPostedAt; }

private:
    EventQueue& m_queue;
    Clock::time_point m_runningPostedAt{};
};

// The command-line tool's stack: port, link session with receiver and sender, event queue.
struct Rig {
    explicit Rig(SimFaults faults) : unit(Options(faults)), sink(queue), comm(sink), port(comm) {
        timer.SetInterval(0);  // no resend: a lost reply would show as a time-out
        comm.OnReceiveData = [this](TComm&, const std::uint8_t* b, std::uint16_t n) {
            link.FeedChunk(b, n);
        };
        link.SetBlockReplyHandler(&stamp);
        stamp.onRead = [this] {
            dispatchedAt = Clock::now();
            lastPostedAt = sink.RunningPostedAt();
            answered = true;
        };
    }
    static SimOptions Options(SimFaults faults) {
        SimOptions o;
        o.faults = faults;
        return o;
    }
    bool Open(std::string& error) { return StartUnit(error) && OpenPort(error); }
    bool StartUnit(std::string& error) {
        if (!unit.Start()) {
            error = unit.LastError();
            return false;
        }
        return true;
    }
    bool OpenPort(std::string& error) {
        comm.ApplyCommRSettings();
        comm.SetCommName(unit.TerminalPath());
        try {
            comm.OpenPort();
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
        return true;
    }
    // One read-block exchange; false when no reply came within two seconds.
    bool Exchange(Clock::time_point& sent) {
        answered = false;
        sent = Clock::now();
        link.SendReadBlock(0);
        const auto giveUp = sent + std::chrono::seconds(2);
        while (!answered && Clock::now() < giveUp) {
            queue.RunFor(std::chrono::milliseconds(50));
        }
        return answered;
    }

    UnitSim unit;
    EventQueue queue;
    StampingSink sink;
    TComm comm;
    CommLinkPort port;
    MonotonicTimer timer;
    LinkListener notices;
    LinkSession link{port, timer, notices};
    AnswerStamp stamp;
    bool answered = false;
    Clock::time_point dispatchedAt{}, lastPostedAt{};
};

double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

void RunExchanges(benchmark::State& state, bool pace) {
    SimFaults faults;
    faults.pace = pace;
    Rig rig(faults);
    std::string error;
    if (!rig.Open(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<double> totals, postToDispatch;
    for (auto _ : state) {
        Clock::time_point sent;
        if (!rig.Exchange(sent)) {
            state.SkipWithError("no reply from the simulated unit");
            return;
        }
        const double total = Ms(rig.dispatchedAt - sent).count();
        totals.push_back(total);
        postToDispatch.push_back(Ms(rig.dispatchedAt - rig.lastPostedAt).count());
        state.SetIterationTime(total / 1000.0);
    }
    const double median = Median(totals);
    state.counters["exchange_ms_median"] = median;
    state.counters["exchange_ms_max"] = *std::max_element(totals.begin(), totals.end());
    state.counters["post_to_dispatch_ms_median"] = Median(postToDispatch);
    if (pace) {
        state.counters["line_limit_ms"] = kLineLimitMs + kGroupingMs;
        state.counters["beyond_line_limit_ms_median"] = median - kLineLimitMs - kGroupingMs;
    } else {
        state.counters["overhead_ms_median"] = median - kGroupingMs;
    }
}

// 9-byte read-block request, 265-byte reply; the unit answers at once.
void BM_ReadBlockExchangeUnpaced(benchmark::State& state) {
    RunExchanges(state, false);
}
BENCHMARK(BM_ReadBlockExchangeUnpaced)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same with the unit's bytes spaced at 115200 baud.
void BM_ReadBlockExchangePaced(benchmark::State& state) {
    RunExchanges(state, true);
}
BENCHMARK(BM_ReadBlockExchangePaced)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

std::set<std::string> TaskIds() {
    std::set<std::string> ids;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') {
                ids.insert(e->d_name);
            }
        }
        ::closedir(d);
    }
    return ids;
}

// CPU time a thread of this process has used, in ms. The kernel's per-thread CPU clock of the
// thread id gives nanoseconds; without it, utime + stime of the thread's stat line (clock ticks).
double TaskCpuMs(const std::string& tid) {
    const clockid_t threadClock = static_cast<clockid_t>((~std::stol(tid)) << 3) | 6;
    timespec ts{};
    if (::clock_gettime(threadClock, &ts) == 0) {
        return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
    }
    std::ifstream in("/proc/self/task/" + tid + "/stat");
    std::string line;
    std::getline(in, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stod(field);
        } else if (i == 15) {
            stime = std::stod(field);
        }
    }
    return (utime + stime) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The port open on a silent line for Arg(0) seconds: CPU of the reader and writer threads.
void BM_IdleWorkersCpu(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Rig rig(SimFaults{});
        std::string error;
        if (!rig.StartUnit(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        // The threads that appear with the open port are its reader and writer.
        const auto before = TaskIds();
        if (!rig.OpenPort(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::vector<std::string> workers;
        for (const auto& id : TaskIds()) {
            if (!before.count(id)) {
                workers.push_back(id);
            }
        }
        std::vector<double> start;
        for (const auto& id : workers) {
            start.push_back(TaskCpuMs(id));
        }
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            rig.queue.RunFor(std::chrono::milliseconds(200));
        }
        double used = 0;
        for (std::size_t i = 0; i < workers.size(); ++i) {
            used += TaskCpuMs(workers[i]) - start[i];
        }
        state.counters["threads"] = static_cast<double>(workers.size());
        state.counters["cpu_ms"] = used;
        state.counters["cpu_percent"] = used / (seconds * 10.0);
    }
}
BENCHMARK(BM_IdleWorkersCpu)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
