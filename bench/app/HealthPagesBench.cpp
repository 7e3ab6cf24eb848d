// Decoding and charting the three health regions into the window's real pages (offscreen): each
// region holds 200 readings, 100 in each bank, spread over a month. One iteration loads the
// region's bytes through the page's load button, which decodes them into the lists and charts,
// then runs the event loop until the page has been drawn. Aim: a median of at most 30 ms for all
// three regions together.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStackedWidget>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/pages/HealthRecordPage.h"
#include "health/HealthLayout.h"
#include "image/DeviceImage.h"

#include "tests/support/TempDir.h"

namespace carecfg {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kReadingsPerRegion = HealthScheme::kBankCount * HealthScheme::kSlotsPerBank;

void PutLittleEndian(std::string& area, std::size_t at, std::uint32_t value, std::uint32_t width) {
    for (std::uint32_t i = 0; i < width; ++i) {
        area[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The raw value of a quantity for reading `k`: a plausible figure that wanders a little.
std::uint32_t RawValue(ReadingQuantity quantity, std::uint32_t k) {
    const std::uint32_t wobble = (k * 7) % 13;
    switch (quantity) {
        case ReadingQuantity::Systolic:
            return 115 + wobble * 2;  // mmHg
        case ReadingQuantity::Diastolic:
            return 72 + wobble;  // mmHg
        case ReadingQuantity::HeartRate:
            return 62 + wobble;  // beats a minute
        case ReadingQuantity::Glucose:
            return 48 + wobble * 4;  // tenths of a mmol/L
        case ReadingQuantity::Weight:
            return 780 + wobble * 3;  // tenths of a kilogram
    }
    return 0;
}

// A region of 0xFF bytes with thresholds in its header and 200 readings, one every 3.6 hours of
// March 2024, bank 1 holding the first hundred and bank 2 the rest.
std::string HealthArea(RegionId region) {
    const HealthRegionLayout& layout = *HealthLayoutOf(region);
    std::string area(Region(region).size, '\xFF');
    area[HealthScheme::kUnitFlagOffset] = 0;
    for (const HealthQuantityLayout& q : layout.quantities) {
        const HealthThresholdField& t = q.thresholds;
        const std::uint32_t high = RawValue(q.quantity, 12) + 20;
        const std::uint32_t low = RawValue(q.quantity, 0) - 10;
        PutLittleEndian(area, t.highOffset, high, t.width);
        PutLittleEndian(area, t.lowOffset, low, t.width);
    }
    constexpr std::uint32_t kMinutesApart = 30 * 24 * 60 / kReadingsPerRegion;
    for (std::uint32_t k = 0; k < kReadingsPerRegion; ++k) {
        const std::uint32_t bank = k / HealthScheme::kSlotsPerBank;
        const std::uint32_t slot = k % HealthScheme::kSlotsPerBank;
        const std::size_t at = HealthScheme::kBankOffsets[bank] + HealthScheme::kSlotSize * slot;
        const std::uint32_t minutes = k * kMinutesApart + 7 * 60;
        const std::array<std::uint8_t, HealthScheme::kStampSize> stamp = {
            24,
            3,
            static_cast<std::uint8_t>(1 + minutes / (24 * 60)),
            static_cast<std::uint8_t>(minutes / 60 % 24),
            static_cast<std::uint8_t>(minutes % 60),
            0};
        std::copy(stamp.begin(), stamp.end(), area.begin() + static_cast<long>(at));
        for (const HealthQuantityLayout& q : layout.quantities) {
            PutLittleEndian(area, at + q.valueOffset, RawValue(q.quantity, k), q.valueWidth);
        }
    }
    return area;
}

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

}  // namespace

// The shown window over the shipped skin.ini, with the three region files written and the open
// dialog answered from a queue of file names.
class HealthWindow {
public:
    HealthWindow() {
        std::ifstream in(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
        testing::WriteBytes(m_folder / "skin.ini",
                            std::string(std::istreambuf_iterator<char>(in), {}));
        for (const HealthPageRow& row : HealthPageRows()) {
            testing::WriteBytes(m_folder / Region(row.region).name, HealthArea(row.region));
        }
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
        options.chooseFile = [this](const QString&) -> std::optional<QString> { return m_next; };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
        m_window->show();
        QObject::connect(m_window.get(), &Tfrm_mainset::StartupFinished,
                         [this] { m_started = true; });
        m_ready = WaitFor([this] { return m_started; }, 10000);
    }

    bool Ready() const { return m_ready; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    QTreeWidget* List(const char* name) const {
        return m_window->Find<QTreeWidget>(QString::fromLatin1(name));
    }

    // Brings the page to the front so that its lists and charts are drawn.
    void ShowPage(const HealthPageRow& row) {
        QWidget* sheet = m_window->Find<QWidget>(QString::fromLatin1(row.sheet));
        for (QWidget* w = sheet; w != nullptr; w = w->parentWidget()) {
            if (auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget())) {
                stack->setCurrentWidget(w);
                break;
            }
        }
        QCoreApplication::processEvents();
    }

    // Loads the region's file through the page's button, then lets the page be drawn.
    void Load(const HealthPageRow& row) {
        m_next = QString::fromStdString((m_folder / Region(row.region).name).string());
        m_window->Find<QAbstractButton>(QString::fromLatin1(row.loadButton))->click();
        QCoreApplication::processEvents();
    }

private:
    testing::TempDir m_folder{"carecfg-bench-health"};
    std::vector<std::string> m_messages;
    QString m_next;
    bool m_started = false;
    bool m_ready = false;
    std::unique_ptr<Tfrm_mainset> m_window;
};

// The rows the page's lists show, bank 1 and bank 2 together.
int ListedRows(HealthWindow& window, const HealthPageRow& row) {
    int rows = 0;
    for (const char* list : row.lists) {
        if (const auto* view = window.List(list)) {
            rows += view->topLevelItemCount();
        }
    }
    return rows;
}

void Measure(benchmark::State& state, HealthWindow& window,
             const std::vector<const HealthPageRow*>& rows) {
    if (!window.Ready()) {
        state.SkipWithError("the window did not finish its start-up");
        return;
    }
    for (auto _ : state) {
        double seconds = 0;
        for (const HealthPageRow* row : rows) {
            window.ShowPage(*row);  // not timed: the user looks at the page being filled
            QElapsedTimer clock;
            clock.start();
            window.Load(*row);
            seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        }
        state.SetIterationTime(seconds);
    }
    if (!window.Messages().empty()) {
        state.SkipWithError(("the page reported " + window.Messages().back()).c_str());
        return;
    }
    for (const HealthPageRow* row : rows) {
        if (ListedRows(window, *row) != static_cast<int>(kReadingsPerRegion)) {
            state.SkipWithError("a page does not list all its readings");
            return;
        }
    }
    state.counters["readings"] = static_cast<double>(rows.size() * kReadingsPerRegion);
}

// Each page on its own, then all three one after the other.
void RegisterBenchmarks(HealthWindow& window) {
    for (const HealthPageRow& row : HealthPageRows()) {
        const std::string name = std::string("BM_FillHealthPage/") + Region(row.region).name;
        benchmark::RegisterBenchmark(
            name.c_str(),
            [&window, &row](benchmark::State& state) { Measure(state, window, {&row}); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::RegisterBenchmark("BM_FillAllHealthPages",
                                 [&window](benchmark::State& state) {
                                     std::vector<const HealthPageRow*> rows;
                                     for (const HealthPageRow& row : HealthPageRows()) {
                                         rows.push_back(&row);
                                     }
                                     Measure(state, window, rows);
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}

}  // namespace carecfg

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The window lives in main so that it is gone before the application object.
    carecfg::HealthWindow window;
    carecfg::RegisterBenchmarks(window);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
