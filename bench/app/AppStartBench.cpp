// Whole-process start of carecfg on the offscreen platform: from spawning the program until it
// quits at its first idle moment after showing the window (CARECFG_EXIT_WHEN_IDLE=1).
// Reports the time per start; the median of the repetitions is the figure to read.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs carecfg once with the exit rule given; returns false when it could not be started or did
// not exit cleanly. `reported`, when given, receives the moment the program's first line arrived
// on its standard output.
bool RunOnce(const char* exitRule = "CARECFG_EXIT_WHEN_IDLE=1",
             std::chrono::steady_clock::time_point* reported = nullptr) {
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", exitRule};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("CARECFG_", 0) != 0) {
            env.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::string exe = CARECFG_EXE;
    char* argv[] = {exe.data(), nullptr};
    // The program's diagnostics would interleave with the report.
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return false;
    }
    // Reads the output to its end; the first byte marks the report.
    char buffer[256];
    bool first = true;
    while (true) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n > 0 && first && reported != nullptr) {
            *reported = std::chrono::steady_clock::now();
            first = false;
        }
        if (n <= 0) {
            break;
        }
    }
    close(out[0]);
    if (reported != nullptr && first) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_WindowStartUntilIdle(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = RunOnce();
        const auto end = std::chrono::steady_clock::now();
        if (!ok) {
            state.SkipWithError("carecfg did not start and exit cleanly");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_WindowStartUntilIdle)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// From spawning the program until the start-up work is done: every caption applied, default.bin
// decoded and the six threshold lists built (CARECFG_EXIT_AFTER_STARTUP=1 reports it on standard
// output); the time the process then takes to end is not counted.
void BM_WindowStartUntilCaptionsAndProfile(benchmark::State& state) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::chrono::steady_clock::time_point end;
        const bool ok = RunOnce("CARECFG_EXIT_AFTER_STARTUP=1", &end);
        if (!ok) {
            state.SkipWithError("carecfg did not finish its start-up and exit cleanly");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_WindowStartUntilCaptionsAndProfile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
