// EncodeSettings and DecodeSettings over the settings pages' widgets (every control of the
// settings map as a bare widget, offscreen), with a realistic record. The median of the
// repetitions is the figure to read.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/WidgetControls.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "tests/app/SettingsWidgets.h"
#include "tests/settings/SettingsTestSupport.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

// The widget pages holding a realistic unit, decoded once.
struct RealisticWidgetPages {
    RealisticWidgetPages() {
        testing::AddEmailDayLists(texts);
        InMemoryControls memory;
        DeviceImage memoryImage;
        SettingsBinding source(memory, memoryImage, texts, '.');
        testing::FillRealisticPages(memory);
        source.EncodeSettings();
        binding.Record() = source.Record();
        binding.DecodeSettings();
    }
    testing::FakeSettingsTexts texts;
    TextCodec codec{"WINDOWS-1252"};
    testing::SettingsWidgetPages pages;
    WidgetSettingsControls controls{pages.Registry(), codec};
    DeviceImage image;
    SettingsBinding binding{controls, image, texts, '.'};
};

void BM_WidgetEncodeSettings(benchmark::State& state) {
    RealisticWidgetPages settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.binding.EncodeSettings());
    }
}
BENCHMARK(BM_WidgetEncodeSettings)->Unit(benchmark::kMillisecond)->Repetitions(7);

void BM_WidgetDecodeSettings(benchmark::State& state) {
    RealisticWidgetPages settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.binding.DecodeSettings());
    }
}
BENCHMARK(BM_WidgetDecodeSettings)->Unit(benchmark::kMillisecond)->Repetitions(7);

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
