// Decodes the six history and message areas with every slot occupied by a record with
// realistic texts (accented letters included, so the code-page conversion does real work),
// one area at a time and all six together as "Load Record" does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "image/DeviceImage.h"
#include "records/RecordDecoders.h"
#include "text/TextCodec.h"

namespace carecfg {
namespace {

constexpr RegionId kListRegions[] = {RegionId::AlarmRecord,   RegionId::ArmedRecord,
                                     RegionId::DialOutRecord, RegionId::IncomingRecord,
                                     RegionId::Inbox,         RegionId::Outbox};

// Writes the text into the field, padding the rest of it with 0x00 as the unit does.
void PutText(std::uint8_t* field, std::size_t width, const std::string& text) {
    const std::size_t length = std::min(width, text.size());
    std::copy_n(text.begin(), length, field);
    std::fill(field + length, field + width, 0x00);
}

// Slots hold the newest record first, so that sorting has work to do.
void PutStamp(std::uint8_t* record, int slot) {
    const int minutes = 100000 - slot * 97;
    const std::uint8_t stamp[6] = {24,
                                   static_cast<std::uint8_t>(1 + minutes / 40000),
                                   static_cast<std::uint8_t>(1 + minutes / 1440 % 28),
                                   static_cast<std::uint8_t>(minutes / 60 % 24),
                                   static_cast<std::uint8_t>(minutes % 60),
                                   static_cast<std::uint8_t>(slot % 60)};
    std::copy_n(stamp, 6, record);
}

std::string Number(int slot) {
    return "+4930" + std::to_string(5550000 + slot * 37);
}

DeviceImage FullImage() {
    DeviceImage image;
    std::uint8_t* bytes = image.MutableBytes().data();
    for (int slot = 0; slot < 100; ++slot) {
        const std::uint32_t sector = static_cast<std::uint32_t>(slot / 50) * 4096 +
                                     static_cast<std::uint32_t>(slot % 50) * 80;
        std::uint8_t* alarm = bytes + Region(RegionId::AlarmRecord).start + sector;
        PutStamp(alarm, slot);
        PutText(alarm + 6, 64,
                "Alarm zone " + std::to_string(slot % 8 + 1) +
                    ": Bewegungsmelder K\xFC"
                    "che, Notruf ausgel\xF6st");
        std::uint8_t* armed = bytes + Region(RegionId::ArmedRecord).start + sector;
        PutStamp(armed, slot);
        armed[6] = static_cast<std::uint8_t>(slot % 3);
        PutText(armed + 7, 64, "Fernbedienung " + std::to_string(slot % 4 + 1) + " \xB7 Zentrale");
        for (const RegionId box : {RegionId::Inbox, RegionId::Outbox}) {
            std::uint8_t* message =
                bytes + Region(box).start + static_cast<std::uint32_t>(slot) * 256;
            PutStamp(message, slot);
            PutText(message + 6, 16, Number(slot));
            PutText(message + 22, 160,
                    "Guten Tag, hier ist der Pflegedienst. Wir kommen heute um " +
                        std::to_string(8 + slot % 10) +
                        " Uhr. Bitte die T\xFCr \xF6"
                        "ffnen; bei Fragen zur\xFC"
                        "ckrufen. Danke und bis sp\xE4ter!");
        }
    }
    for (int slot = 0; slot < 104; ++slot) {
        for (const RegionId calls : {RegionId::DialOutRecord, RegionId::IncomingRecord}) {
            std::uint8_t* call =
                bytes + Region(calls).start + static_cast<std::uint32_t>(slot) * 32;
            PutStamp(call, slot);
            call[6] = static_cast<std::uint8_t>(slot * 7);
            call[7] = static_cast<std::uint8_t>(slot / 50);
            PutText(call + 8, 16, Number(slot));
        }
    }
    return image;
}

struct Fixture {
    DeviceImage image = FullImage();
    TextCodec codec{"WINDOWS-1252"};
    RecordTextSource texts{codec, {"Unscharf", "Scharf", "Intern scharf"}};
};

const Fixture& Data() {
    static const Fixture fixture;
    return fixture;
}

void BM_DecodeArea(benchmark::State& state) {
    const Fixture& data = Data();
    const RegionId region = kListRegions[state.range(0)];
    state.SetLabel(Region(region).name);
    for (auto _ : state) {
        RecordDecode decode = DecodeRecordRegion(data.image, region, data.texts);
        benchmark::DoNotOptimize(decode);
        if (!decode.ok || decode.rows.size() < 100) {
            state.SkipWithError("area not decoded whole");
            break;
        }
    }
}
BENCHMARK(BM_DecodeArea)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void BM_DecodeAllSixAreas(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        std::size_t rows = 0;
        for (const RegionId region : kListRegions) {
            RecordDecode decode = DecodeRecordRegion(data.image, region, data.texts);
            rows += decode.rows.size();
            benchmark::DoNotOptimize(decode);
        }
        if (rows != 608) {
            state.SkipWithError("areas not decoded whole");
            break;
        }
    }
}
BENCHMARK(BM_DecodeAllSixAreas)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace carecfg

BENCHMARK_MAIN();
