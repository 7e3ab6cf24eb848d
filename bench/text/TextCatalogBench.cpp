// Compares the cached catalogue with a reader that parses skin.ini afresh for every lookup,
// on a generated file of about 200 KB and the mix of lookups the caption applier makes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "text/IniParse.h"
#include "text/TextCatalog.h"

namespace carecfg {
namespace {

constexpr int kLookups = 5000;
constexpr int kFormKeys = 5000;

struct Fixture {
    std::filesystem::path folder;
    std::filesystem::path ini;
    std::vector<std::string> formKeys;

    Fixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "carecfg-textbench-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        ini = folder / "skin.ini";
        std::string content = "[CONFIG]\nresendtime=3000\n\n[MESSAGE]\n";
        for (int i = 0; i <= 36; ++i) {
            content += "M" + std::to_string(i) + "=Message number " + std::to_string(i) + "\n";
        }
        for (const char* key : {"MSSS1", "MSSX1", "MSZS1", "MSZX1", "MXTS1", "MXTX1"}) {
            content += std::string(key) + "=140.5\n";
        }
        content += "MZZB=0x1F\nMF=7\n\n[FORM]\n";
        for (int i = 0; i < kFormKeys; ++i) {
            const std::string key = "Edit" + std::to_string(i) + (i % 2 ? ".Caption" : ".Hint");
            formKeys.push_back(key);
            content += key + "=Text of component " + std::to_string(i) + " on its page\n";
        }
        std::ofstream(ini, std::ios::binary) << content;
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

// One lookup of the mix: mostly FORM texts, some message texts and numbers.
template <typename Reader>
std::size_t MixedLookup(Reader& reader, int i) {
    const Fixture& f = TheFixture();
    switch (i % 10) {
        case 0:
            return reader.Message("M" + std::to_string(i % 37)).size();
        case 1:
            return static_cast<std::size_t>(reader.Number("MSSS1") + reader.Integer("MZZB"));
        default:
            return reader.Form(f.formKeys[static_cast<std::size_t>(i * 7) % f.formKeys.size()])
                .size();
    }
}

struct CachedReader {
    TextCatalog catalog{TheFixture().ini};
    std::string Message(const std::string& k) { return catalog.MessageText(k); }
    double Number(const std::string& k) { return catalog.MessageNumber(k, '.'); }
    int Integer(const std::string& k) { return catalog.MessageInteger(k); }
    std::string Form(const std::string& k) { return catalog.FormText(k, ""); }
};

struct FreshReader {
    IniEntries Parse() {
        std::ifstream in(TheFixture().ini, std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        return ParseIni(content);
    }
    std::string Message(const std::string& k) {
        const IniEntries e = Parse();
        return std::string(e.Find("MESSAGE", k).value_or(e.Find("MESSAGE", "M0").value_or("")));
    }
    double Number(const std::string& k) {
        return ParseIniReal(Parse().Find("MESSAGE", k).value_or(""), '.').value_or(0);
    }
    int Integer(const std::string& k) {
        return ParseIniInteger(Parse().Find("MESSAGE", k).value_or("")).value_or(0);
    }
    std::string Form(const std::string& k) {
        return std::string(Parse().Find("FORM", k).value_or(""));
    }
};

template <typename Reader>
double SecondsFor(Reader& reader, int lookups) {
    std::size_t sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lookups; ++i)
        sink += MixedLookup(reader, i);
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(sink);
    return std::chrono::duration<double>(end - start).count();
}

void BM_CachedCatalogue5000Lookups(benchmark::State& state) {
    CachedReader reader;
    reader.catalog.SetRecheckInterval(std::chrono::microseconds(state.range(0)));
    for (auto _ : state) {
        std::size_t sink = 0;
        for (int i = 0; i < kLookups; ++i)
            sink += MixedLookup(reader, i);
        benchmark::DoNotOptimize(sink);
    }
    state.counters["lookups/s"] =
        benchmark::Counter(kLookups, benchmark::Counter::kIsIterationInvariantRate);
}
// Argument: recheck interval in microseconds (0: every lookup checks the file).
BENCHMARK(BM_CachedCatalogue5000Lookups)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ParseAfreshPerLookup(benchmark::State& state) {
    // 5000 fresh parses take seconds; a slice of 100 gives the per-lookup rate.
    FreshReader reader;
    for (auto _ : state) {
        std::size_t sink = 0;
        for (int i = 0; i < 100; ++i)
            sink += MixedLookup(reader, i);
        benchmark::DoNotOptimize(sink);
    }
    state.counters["lookups/s"] =
        benchmark::Counter(100, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseAfreshPerLookup)->Unit(benchmark::kMillisecond);

void PrintSummary() {
    CachedReader cached;
    SecondsFor(cached, kLookups);  // first parse and warm caches
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        best = std::min(best, SecondsFor(cached, kLookups));
    }
    cached.catalog.SetRecheckInterval(std::chrono::milliseconds(1));
    double bestWindowed = 1e9;
    for (int round = 0; round < 5; ++round) {
        bestWindowed = std::min(bestWindowed, SecondsFor(cached, kLookups));
    }
    FreshReader fresh;
    constexpr int kFreshSample = 200;
    const double freshFor5000 = SecondsFor(fresh, kFreshSample) * (kLookups / kFreshSample);
    std::printf(
        "\nskin.ini: %ju bytes, %d FORM keys\n"
        "5000 mixed lookups, cached catalogue, changes noticed at every lookup: %.3f ms\n"
        "5000 mixed lookups, cached catalogue, file checked at most every 1 ms: %.3f ms\n"
        "5000 mixed lookups, parse afresh per lookup (from %d): %.1f ms\n"
        "ratio (checked every lookup): %.0fx\n",
        static_cast<std::uintmax_t>(std::filesystem::file_size(TheFixture().ini)), kFormKeys,
        best * 1e3, bestWindowed * 1e3, kFreshSample, freshFor5000 * 1e3, freshFor5000 / best);
}

}  // namespace
}  // namespace carecfg

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    carecfg::PrintSummary();
    return 0;
}
