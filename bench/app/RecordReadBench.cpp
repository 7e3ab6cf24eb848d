// "Read Record" through the window (offscreen) against a simulated unit that paces its replies at
// the line rate: the time from the click until the last record area is shown, against the line
// limit of the same exchanges (every byte both ways at 10 bits per byte and 115200 baud), at
// readinterval 100 and at the shipped 2 ms; and the longest stall of the window's event loop
// meanwhile, seen by a 1 ms timer. One read per figure: a read takes 9 to 45 seconds.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "link/LinkListener.h"
#include "sim/UnitSim.h"

#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;

constexpr double kLineBitsPerSecond = 115200.0;
constexpr double kBitsPerByte = 10.0;
constexpr std::size_t kRecordReplyBytes = 265;

// The shipped skin.ini with another readinterval.
std::string SkinWithReadInterval(int ms) {
    std::ifstream in(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
    std::string skin(std::istreambuf_iterator<char>(in), {});
    const std::string key = "\nreadinterval=";
    const auto at = skin.find(key);
    if (at != std::string::npos) {
        const auto end = skin.find('\n', at + 1);
        skin.replace(at + 1, end - at - 1, "readinterval=" + std::to_string(ms));
    }
    return skin;
}

// Hears when the last area of the record chain has been decoded.
class ChainEnd : public LinkListener {
public:
    void RegionDecoded(RegionId region, bool) override {
        if (region == RecordChain().back()) {
            done = true;
        }
    }
    bool done = false;
};

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void BM_ReadRecordThroughWindow(benchmark::State& state) {
    const int readInterval = static_cast<int>(state.range(0));
    testing::TempDir folder("carecfg-bench-records");
    testing::WriteBytes(folder / "skin.ini", SkinWithReadInterval(readInterval));
    WindowOptions options;
    options.catalogPath = folder / "skin.ini";
    options.documentDir = folder.Path();
    options.showMessage = [](const std::string&) {};
    Tfrm_mainset window(std::move(options));
    window.show();  // the progress display and the status bar are drawn as the user sees them
    bool started = false;
    QObject::connect(&window, &Tfrm_mainset::StartupFinished, [&] { started = true; });
    if (!WaitFor([&] { return started; }, 10000)) {
        state.SkipWithError("the window did not finish its start-up");
        return;
    }

    SimOptions simOptions;
    simOptions.faults.pace = true;
    UnitSim sim(simOptions);
    if (!sim.Start()) {
        state.SkipWithError(sim.LastError().c_str());
        return;
    }
    window.Find<QComboBox>(QStringLiteral("cbox_com"))
        ->setCurrentText(QString::fromStdString(sim.TerminalPath()));
    window.Find<QToolButton>(QStringLiteral("SpeedButton10"))->click();
    if (!WaitFor([&] { return window.StatusBar()->PanelText(0) == window.MessageString("M23"); },
                 10000)) {
        state.SkipWithError("the unit did not identify itself");
        return;
    }

    ChainEnd end;
    window.Session().AddListener(end);
    double seconds = 0;
    double lineLimit = 0;
    double longestStallMs = 0;
    std::size_t requests = 0;
    for (auto _ : state) {
        end.done = false;
        const std::size_t framesBefore = sim.ReceivedFrames().size();

        // A 1 ms timer ticks on every pass of the event loop that comes in time; a late tick
        // shows how long the loop was kept from running.
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QElapsedTimer sinceTick;
        double stall = 0;
        QEventLoop loop;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
            if (end.done) {
                loop.quit();
            }
        });
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        window.Find<QAbstractButton>(QStringLiteral("Button23"))->click();
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        ticker.stop();
        seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        if (!end.done) {
            state.SkipWithError("the record chain did not end within two minutes");
            break;
        }

        const auto frames = sim.ReceivedFrames();
        std::size_t bytes = 0;
        requests = 0;
        for (std::size_t i = framesBefore; i < frames.size(); ++i) {
            bytes += frames[i].size();
            if (frames[i].size() > 1 && frames[i][1] == 0x85) {
                ++requests;
                bytes += kRecordReplyBytes;
            }
        }
        lineLimit = static_cast<double>(bytes) * kBitsPerByte / kLineBitsPerSecond;
        longestStallMs = stall;
    }
    window.Session().RemoveListener(end);
    state.counters["blocks"] = static_cast<double>(requests);
    state.counters["line_limit_s"] = lineLimit;
    state.counters["total_s"] = seconds;
    state.counters["x_line_limit"] = lineLimit > 0 ? seconds / lineLimit : 0;
    state.counters["longest_stall_ms"] = longestStallMs;
}
BENCHMARK(BM_ReadRecordThroughWindow)
    ->ArgName("readinterval")
    ->Arg(100)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

}  // namespace
}  // namespace carecfg

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
