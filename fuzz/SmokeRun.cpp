// Runs every fuzz target over seeded inputs and random mutations of them, so that the ordinary
// test run (with any compiler) catches a crash on malformed input without libFuzzer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz/FuzzTargets.h"
#include "image/DeviceImage.h"
#include "settings/SettingsMap.h"
#include "sim/DemoUnit.h"

namespace {

using Target = void (*)(const std::uint8_t*, std::size_t);

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// With CARECFG_FUZZ_SEEDS set to a folder, the seeds of each target are written to its
// subfolder NAME/ as the seed corpus of the libFuzzer binary of that name (scripts/fuzz).
void WriteSeeds(const char* name, const std::vector<std::string>& seeds) {
    const char* folder = std::getenv("CARECFG_FUZZ_SEEDS");
    if (folder == nullptr || *folder == '\0')
        return;
    const std::filesystem::path corpus = std::filesystem::path(folder) / name;
    std::filesystem::create_directories(corpus);
    for (std::size_t n = 0; n < seeds.size(); ++n) {
        std::ofstream out(corpus / ("seed-" + std::to_string(n)), std::ios::binary);
        out.write(seeds[n].data(), static_cast<std::streamsize>(seeds[n].size()));
    }
}

void RunMutations(const char* name, Target target, const std::vector<std::string>& seeds,
                  int rounds) {
    WriteSeeds(name, seeds);
    std::mt19937 random(20261210);
    for (const std::string& seed : seeds) {
        const std::vector<std::uint8_t> base = Bytes(seed);
        target(base.data(), base.size());
        for (int round = 0; round < rounds; ++round) {
            std::vector<std::uint8_t> input = base;
            const int edits = 1 + static_cast<int>(random() % 8);
            for (int e = 0; e < edits; ++e) {
                const std::uint8_t value = static_cast<std::uint8_t>(random());
                switch (random() % 4) {
                    case 0:  // overwrite
                        if (!input.empty())
                            input[random() % input.size()] = value;
                        break;
                    case 1:  // insert
                        input.insert(
                            input.begin() + static_cast<long>(random() % (input.size() + 1)),
                            value);
                        break;
                    case 2:  // erase
                        if (!input.empty())
                            input.erase(input.begin() + static_cast<long>(random() % input.size()));
                        break;
                    default:  // truncate
                        input.resize(random() % (input.size() + 1));
                        break;
                }
            }
            target(input.data(), input.size());
        }
    }
    std::vector<std::uint8_t> noise(4096);
    for (int round = 0; round < rounds / 4; ++round) {
        noise.resize(random() % 4096);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        target(noise.data(), noise.size());
    }
}

TEST(FuzzSmoke, IniTextNeverFails) {
    RunMutations("FuzzIniText", carecfg::fuzz::FuzzIniText,
                 {"[MESSAGE]\nM0=Unknown\nM3 = \"closed\"\n[CONFIG]\nresendtime=0x5DC\n",
                  "[FORM]\nfrm_mainset.Caption='carecfg'\r\n;comment\r\nMX1=1,5e3\n", "=\n[\n]\n"},
                 20000);
}

TEST(FuzzSmoke, RtfDocumentNeverFails) {
    RunMutations("FuzzRtfDocument", carecfg::fuzz::FuzzRtfDocument,
                 {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                  "\\f0\\fs24 Hello \\b bold\\b0 \\'e9\\u8364?\\par{\\*\\gen x}\\line end}",
                  "{\\rtf1{{{{{\\i\\ul\\cf1 deep}}}}}\\bin4 abcd\\uc2\\u-3913??}", "plain text"},
                 20000);
}

TEST(FuzzSmoke, LinkBytesNeverFail) {
    std::string identity = std::string("\x07", 1) +
                           std::string("\x07\x23\x07\x00\x00\x00\x00\x00\x22", 9) +
                           std::string(34, 'A') + "\x07";
    std::string block = std::string("\x83", 1) +
                        std::string("\xFF\x23\x83\x00\x00\x00\x00\x01\x00", 9) +
                        std::string(256, '\x23') + "\x83";
    RunMutations("FuzzLinkBytes", carecfg::fuzz::FuzzLinkBytes,
                 {identity, block, std::string("\x04\x23\x04\0\0\0\0\0\x01\x01\x04", 11)}, 3000);
}

TEST(FuzzSmoke, FieldCodecsNeverFail) {
    RunMutations("FuzzFieldCodecs", carecfg::fuzz::FuzzFieldCodecs,
                 {"12.5", "-2147483649", "\xFF\xFF\xFF\xFF", " 1,0005 "}, 2000);
}

TEST(FuzzSmoke, JpegBytesNeverFail) {
    std::ifstream in(CARECFG_KEYS_JPEG, std::ios::binary);
    const std::string keys{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(keys.empty());
    RunMutations("FuzzJpegBytes", carecfg::fuzz::FuzzJpegBytes,
                 {keys, keys.substr(0, 700), std::string("\xFF\xD8\xFF\xC0\x00\x11", 6)}, 1500);
}

TEST(FuzzSmoke, RecordRegionsNeverFail) {
    // Records shaped like an armed record, a call and a short message, and a bare year byte.
    const std::string stamp("\x0C\x03\x1F\x17\x05\x09", 6);
    const std::string armed = stamp + '\x02' + "door contact" + std::string(58, '\0');
    const std::string call = stamp + '\x34' + '\x12' + "0123456789012345" + std::string(8, '\xFF');
    const std::string message = stamp + "5551234" + std::string(9, '\0') + "caf\xE9";
    RunMutations(
        "FuzzRecordRegions", carecfg::fuzz::FuzzRecordRegions,
        {armed + std::string(80, '\xFF'), call, message + std::string(230, '\x01'), "\x0C"}, 150);
}

TEST(FuzzSmoke, HealthRegionsNeverFail) {
    // A reading slot (repeated, it fills every slot and the header), the same with month 13,
    // and a region with a header in the alternative unit and readings in both banks.
    const std::string slot("\x0C\x03\x07\x09\x05\x00\x78\x50\x4B\x00\x00\x00\x00\x00\x00\x00", 16);
    std::string badMonth = slot;
    badMonth[1] = '\x0D';
    std::string region(4096, '\xFF');
    region.replace(0, 6, std::string("\x01\x00\xBB\x78\x64\x32", 6));
    region.replace(0x20, 16, slot);
    region.replace(0x830, 16, slot);
    RunMutations("FuzzHealthRegions", carecfg::fuzz::FuzzHealthRegions, {slot, badMonth, region},
                 200);
}

TEST(FuzzSmoke, ChartFramingNeverFails) {
    // Twelve plausible readings, thresholds, and the same with raw reals (infinities, NaN).
    std::string plausible(400, '\x00');
    for (std::size_t at = 0; at < plausible.size(); ++at)
        plausible[at] = static_cast<char>(at % 3 == 0 ? 0 : at * 37);
    plausible[160] = 12;
    RunMutations("FuzzChartFraming", carecfg::fuzz::FuzzChartFraming,
                 {plausible, std::string(400, '\xFF'), std::string(400, '\x7F')}, 400);
}

TEST(FuzzSmoke, SettingsImageNeverFails) {
    // The demonstration unit's settings, an erased and a zeroed record.
    const std::vector<std::uint8_t> memory = carecfg::BuildDemoMemory();
    const std::string demo(memory.begin(), memory.begin() + carecfg::kSettingsRecordSize);
    RunMutations("FuzzSettingsImage", carecfg::fuzz::FuzzSettingsImage,
                 {demo, "\xFF", std::string(1, '\0')}, 40);
}

TEST(FuzzSmoke, SettingsJsonNeverFails) {
    RunMutations("FuzzSettingsJson", carecfg::fuzz::FuzzSettingsJson,
                 {R"({"Edit2": "300421785", "ComboBox47": 2, "CheckBox2": true})",
                  R"({"Edit5": "+49", "ComboBox41": -1, "Edit41": "caf\u00e9"})",
                  R"([1, {"a": null}, 1e999, "\ud800"])"},
                 60);
}

TEST(FuzzSmoke, FileLoadersNeverFail) {
    // A file as it is, and repeated to the profile's, a region's and the image's size, exact,
    // one byte short and one beyond.
    const std::vector<std::uint8_t> memory = carecfg::BuildDemoMemory();
    const std::string demo(memory.begin(), memory.begin() + 2048);
    RunMutations("FuzzFileLoaders", carecfg::fuzz::FuzzFileLoaders,
                 {std::string(1, '\x01') + demo, std::string(1, '\x12') + demo,
                  std::string(1, '\x04') + demo, std::string(1, '\x22') + demo, ""},
                 12);
}

}  // namespace
