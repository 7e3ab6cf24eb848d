#include <benchmark/benchmark.h>

#include "settings/InMemoryControls.h"
#include "settings/SettingsBinding.h"
#include "tests/settings/SettingsTestSupport.h"

namespace carecfg {
namespace {

// Pages filled as an installer would, encoded once to give a realistic record.
struct RealisticSettings {
    RealisticSettings() {
        testing::AddEmailDayLists(texts);
        testing::FillRealisticPages(controls);
        binding.EncodeSettings();
    }
    InMemoryControls controls;
    DeviceImage image;
    testing::FakeSettingsTexts texts;
    SettingsBinding binding{controls, image, texts, '.'};
};

void BM_BindingEncodeSettings(benchmark::State& state) {
    RealisticSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.binding.EncodeSettings());
    }
}
BENCHMARK(BM_BindingEncodeSettings)->Unit(benchmark::kMillisecond);

void BM_BindingDecodeSettings(benchmark::State& state) {
    RealisticSettings settings;
    for (auto _ : state) {
        benchmark::DoNotOptimize(settings.binding.DecodeSettings());
    }
}
BENCHMARK(BM_BindingDecodeSettings)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace carecfg
