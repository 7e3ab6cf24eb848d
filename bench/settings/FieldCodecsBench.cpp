// Cost of encoding and decoding a settings region's worth of fields through the binding kinds.
#include <benchmark/benchmark.h>

#include <vector>

#include "settings/FieldCodecs.h"

namespace carecfg {
namespace {

// A mix resembling a settings page: texts, numbers, choices, flags and tenths.
std::vector<Binding> SampleBindings() {
    std::vector<Binding> bindings;
    for (int i = 0; i < 40; ++i) {
        bindings.push_back({BindingKind::TextField, 16, 0xFF, 0, 0});
        bindings.push_back({BindingKind::NumberByte, 1, 0xFF, 0, 0});
        bindings.push_back({BindingKind::NumberWord, 2, 0xFF, 0, 0});
        bindings.push_back({BindingKind::ChoiceByte, 1, 0xFF, 0, 0});
        bindings.push_back({BindingKind::FlagBit, 1, 0xFF, 0, i % 8});
        bindings.push_back({BindingKind::TenthsValue, 2, 0xFF, 0, 0});
    }
    return bindings;
}

ControlValue SampleValue(BindingKind kind) {
    switch (kind) {
        case BindingKind::TextField:
            return {"+441234567890", -1, false};
        case BindingKind::TenthsValue:
            return {"12.3", -1, false};
        case BindingKind::ChoiceByte:
            return {"", 2, false};
        case BindingKind::FlagBit:
            return {"", -1, true};
        default:
            return {"8080", -1, false};
    }
}

void BM_EncodeSettings(benchmark::State& state) {
    const auto bindings = SampleBindings();
    std::vector<ControlValue> values;
    for (const Binding& b : bindings) {
        values.push_back(SampleValue(b.kind));
    }
    DeviceImage image;
    for (auto _ : state) {
        std::size_t offset = 0;
        auto region = image.MutableRegionBytes(RegionId::Settings);
        for (std::size_t i = 0; i < bindings.size(); ++i) {
            Encode(bindings[i], region.subspan(offset), values[i]);
            offset += BindingSize(bindings[i]);
        }
        benchmark::DoNotOptimize(region.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(bindings.size()));
}
BENCHMARK(BM_EncodeSettings);

void BM_DecodeSettings(benchmark::State& state) {
    const auto bindings = SampleBindings();
    DeviceImage image;
    for (auto _ : state) {
        std::size_t offset = 0;
        const auto region = image.RegionBytes(RegionId::Settings);
        for (const Binding& binding : bindings) {
            benchmark::DoNotOptimize(Decode(binding, region.subspan(offset)));
            offset += BindingSize(binding);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(bindings.size()));
}
BENCHMARK(BM_DecodeSettings);

void BM_TextToReal(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(TextToReal(" 123.45 ", '.'));
    }
}
BENCHMARK(BM_TextToReal);

}  // namespace
}  // namespace carecfg
