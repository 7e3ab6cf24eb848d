#include "fuzz/FuzzTargets.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/help/RtfReader.h"
#include "base/UserNotices.h"
#include "cli/HealthCommand.h"
#include "cli/SettingsCommands.h"
#include "cli/SettingsDocument.h"
#include "health/HealthDecoders.h"
#include "health/HealthNumbers.h"
#include "health/HealthSummary.h"
#include "health/HealthTime.h"
#include "image/ImageFiles.h"
#include "image/JpegDecoder.h"
#include "link/FrameParser.h"
#include "link/LinkSession.h"
#include "link/ManualTimer.h"
#include "records/RecordDecoders.h"
#include "settings/FieldCodecs.h"
#include "settings/InMemoryControls.h"
#include "settings/Profiles.h"
#include "settings/SettingsBinding.h"
#include "text/IniParse.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

namespace carecfg::fuzz {
namespace {

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A port that is always open and only counts what it is asked to write.
class CountingPort : public LinkPort {
public:
    bool IsOpen() const override { return true; }
    void Write(std::span<const std::uint8_t> bytes) override { m_written += bytes.size(); }
    std::size_t m_written = 0;
};

// Sends the next block request as a block sequence would, so re-entrant sends are exercised.
class ChainingBlocks : public BlockReplyHandler {
public:
    explicit ChainingBlocks(LinkSession& session) : m_session(session) {}
    void WriteBlockReply(const ReceiveRecord&) override {}
    void RecordBlockReply(const ReceiveRecord&) override {}
    void ReadBlockReply(const ReceiveRecord& record) override {
        const std::uint32_t next = RecordAddress(record) + 0x100;
        if (next < 0x40000)
            m_session.SendReadBlock(next & ~0xFFu);
    }

private:
    LinkSession& m_session;
};

// Reads the input as a stream of values, giving zeros once it runs out.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    double Real() {
        std::uint8_t bytes[sizeof(double)];
        for (std::uint8_t& b : bytes)
            b = Byte();
        double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    int Integer() { return static_cast<int>(static_cast<std::int8_t>(Byte())) * (1 + Byte()); }
    // A date-time number of the unit's years or a value of its range half of the time, any bit
    // pattern the other half: plain reals reach the branches that raw bits almost never hit.
    double Time() { return Byte() % 2 ? Real() : 40000.0 + Integer() / 8.0; }
    double Value() { return Byte() % 2 ? Real() : Integer() / 4.0; }
    bool AtEnd() const { return m_at >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// The chart keys with numbers taken from the input, any bit pattern included (NaN, infinity).
HealthNumberTable ArbitraryHealthNumbers(InputReader& input) {
    HealthNumberTable numbers;
    numbers.integers = {{"MZZB", input.Byte() % 2}, {"MF", input.Integer()}};
    for (const HealthRegionLayout& layout : HealthRegionLayouts()) {
        for (const HealthQuantityLayout& quantity : layout.quantities) {
            for (const ValueRangeKeys& keys : {quantity.baseKeys, quantity.alternativeKeys}) {
                numbers.numbers[std::string(keys.maximum)] = input.Real();
                numbers.numbers[std::string(keys.minimum)] = input.Real();
            }
        }
    }
    return numbers;
}

// The shipped catalogue, read once: its day lists and threshold keys shape the settings pages.
const TextCatalog& ShippedCatalog() {
    static const TextCatalog catalog = [] {
        TextCatalog shipped(CARECFG_SHIPPED_SKIN);
        shipped.SetRecheckInterval(std::chrono::hours(1));
        return shipped;
    }();
    return catalog;
}

// Notices that are only counted.
class CountingNotices : public UserNotices {
public:
    void ShowMessage(std::string_view) override { ++m_shown; }
    void ShowStatus(std::string_view) override { ++m_shown; }
    int m_shown = 0;
};

// The input laid over `area` from its first byte on, repeated to fill it.
void Repeat(std::span<std::uint8_t> area, const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; size > 0 && at < area.size(); ++at)
        area[at] = data[at % size];
}

}  // namespace

void FuzzIniText(const std::uint8_t* data, std::size_t size) {
    const IniEntries entries = ParseIni(AsText(data, size));
    (void)entries.Find("MESSAGE", "M0");
    (void)entries.Find("config", "resendtime");
    const std::string_view text = AsText(data, size < 64 ? size : 64);
    (void)ParseIniInteger(text);
    (void)ParseIniReal(text, '.');
    (void)ParseIniReal(text, ',');
}

void FuzzRtfDocument(const std::uint8_t* data, std::size_t size) {
    static const TextCodec codec;
    (void)RtfToHtml(AsText(data, size), codec);
    (void)PlainTextToHtml(AsText(data, size), codec);
}

void FuzzLinkBytes(const std::uint8_t* data, std::size_t size) {
    CountingPort port;
    ManualTimer timer;
    LinkListener notices;
    LinkSession session(port, timer, notices);
    timer.onExpiry = [&session] { session.Timer1Timer(); };
    // Every reply handler reads its record at fixed positions.
    ChainingBlocks blocks(session);
    session.SetBlockReplyHandler(&blocks);
    // The first byte picks the command the replies are routed to.
    const std::uint8_t command = size > 0 ? data[0] : 0x07;
    session.SendFrame(BuildFrame(command, 0));
    std::size_t at = size > 0 ? 1 : 0;
    while (at < size) {
        const std::size_t chunk = 1 + data[at] % 256;
        const std::size_t take = chunk < size - at ? chunk : size - at;
        session.FeedChunk(data + at, static_cast<std::uint16_t>(take));
        timer.Advance(1000);
        at += take;
    }
    FrameParser parser;
    (void)parser.Feed(std::span<const std::uint8_t>(data, size));
}

void FuzzFieldCodecs(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> view(bytes);
    for (std::size_t width = 0; width <= 8; ++width)
        (void)ReadTextField(view, width);
    for (int width = 1; width <= 4; ++width)
        (void)ReadUIntLE(view, width);
    const std::string text(AsText(data, size < 40 ? size : 40));
    (void)TextToIntOrZero(text);
    (void)TextToReal(text, '.');
    (void)TextToReal(text, ',');
}

void FuzzJpegBytes(const std::uint8_t* data, std::size_t size) {
    (void)DecodeJpeg(std::span<const std::uint8_t>(data, size));
}

void FuzzRecordRegions(const std::uint8_t* data, std::size_t size) {
    static const TextCodec codec;
    // The input repeated over every region of the image, so that every slot of every area holds
    // some of it; the input's length picks how many arming state names there are.
    DeviceImage image;
    if (size > 0) {
        const std::span<std::uint8_t> bytes = image.MutableBytes();
        for (std::size_t at = 0; at < bytes.size(); ++at)
            bytes[at] = data[at % size];
    }
    static const std::vector<std::string> kNames = {"Disarmed", "Armed", "Home"};
    const RecordTextSource texts{
        codec, std::vector<std::string>(kNames.begin(), kNames.begin() + size % 4)};
    for (const ImageRegion& region : ImageRegions())
        (void)DecodeRecordRegion(image, region.id, texts);
    (void)RecordStampText(std::span<const std::uint8_t>(data, size < 6 ? size : 6));
}

void FuzzHealthRegions(const std::uint8_t* data, std::size_t size) {
    // The input laid over each health region from its first byte on (repeated to fill it), so
    // a seed is a region file; the numbers, positions and reals come from the input's start.
    DeviceImage image;
    for (const HealthRegionLayout& layout : HealthRegionLayouts())
        Repeat(image.MutableRegionBytes(layout.region), data, size);
    InputReader input(data, size);
    const HealthNumberTable numbers = ArbitraryHealthNumbers(input);
    const HealthSources sources{{"base", "alternative"}, numbers, input.Byte() % 2 ? ',' : '.'};
    for (const HealthRegionLayout& layout : HealthRegionLayouts()) {
        HealthPage page = NewHealthPage(layout.region);
        for (int decode = 0; decode < 2; ++decode) {
            (void)DecodeHealthRegion(image, sources, page);
            for (HealthChartData& chart : page.charts) {
                (void)ScrollHealthChart(chart.model, input.Integer());
                for (const std::vector<HealthPoint>& points : chart.model.series)
                    (void)SortedByTime(points);
            }
            (void)SummarizeHealthPage(page);
        }
        EmptyHealthPage(page);
    }
    // The framing and conversions over arbitrary reals.
    HealthChartModel chart;
    const double earliest = input.Real();
    const double latest = input.Real();
    FrameTimeAxis(chart, earliest, latest, ThresholdPair{input.Real(), input.Real()},
                  input.Byte() % 2 ? TimeAxisForm::Glucose : TimeAxisForm::BloodPressure);
    (void)FrameValueAxis(chart, input.Real(), input.Real(), {"MSSS1", "MSSX1"}, numbers);
    (void)ScrollHealthChart(chart, input.Integer());
    (void)RangeSteps({input.Real(), input.Real()}, {input.Real(), input.Real()});
    const double real = input.Real();
    (void)FormatHealthNumber(real, input.Byte() % 8, ',');
    (void)DateTimeOfChartTime(ChartTimeOf(real));
    (void)HealthDayLabel(real);
    (void)ParseHealthTimeText(AsText(data, size < 24 ? size : 24));
    (void)HealthTimeText(std::span<const std::uint8_t>(data, size < 6 ? size : 6));
}

void FuzzChartFraming(const std::uint8_t* data, std::size_t size) {
    // Arbitrary readings on the two bank series, framed as a page frames its charts: the times of
    // the earliest and latest reading, the thresholds, the value range over points and thresholds.
    InputReader input(data, size);
    const HealthNumberTable numbers = ArbitraryHealthNumbers(input);
    HealthChartModel chart;
    const int readings = input.Byte();
    double earliest = 0.0, latest = 0.0, lowest = 0.0, highest = 0.0;
    for (int n = 0; n < readings && !input.AtEnd(); ++n) {
        const HealthPoint point{input.Time(), input.Value()};
        chart.series[n % 2 ? kBank2Series : kBank1Series].push_back(point);
        earliest = n == 0 ? point.time : std::min(earliest, point.time);
        latest = n == 0 ? point.time : std::max(latest, point.time);
        lowest = n == 0 ? point.value : std::min(lowest, point.value);
        highest = n == 0 ? point.value : std::max(highest, point.value);
    }
    std::optional<ThresholdPair> thresholds;
    if (input.Byte() % 2)
        thresholds = ThresholdPair{input.Value(), input.Value()};
    const TimeAxisForm form =
        input.Byte() % 2 ? TimeAxisForm::Glucose : TimeAxisForm::BloodPressure;
    for (int frame = 0; frame < 2; ++frame) {
        FrameTimeAxis(chart, earliest, latest, thresholds, form);
        for (const HealthRegionLayout& layout : HealthRegionLayouts())
            for (const HealthQuantityLayout& quantity : layout.quantities)
                (void)FrameValueAxis(
                    chart, highest, lowest,
                    input.Byte() % 2 ? quantity.alternativeKeys : quantity.baseKeys, numbers);
        for (int scroll = 0; scroll < 3; ++scroll)
            (void)ScrollHealthChart(chart, input.Integer());
        for (const std::vector<HealthPoint>& points : chart.series)
            (void)SortedByTime(points);
        (void)HealthScrollMaximum(earliest, latest);
        (void)HealthTimeWindow(earliest, input.Integer());
        (void)SetAxisRange(chart.valueAxis, {input.Value(), input.Value()});
        ResetHealthChart(chart);
    }
}

void FuzzSettingsImage(const std::uint8_t* data, std::size_t size) {
    // The input over the settings region, decoded into the pages held in memory and encoded
    // back; and the same bytes as a profile the command line prints and encodes.
    const TextCatalog& catalog = ShippedCatalog();
    static const CatalogSettingsTexts texts(catalog, '.');
    DeviceImage image;
    Repeat(image.MutableRegionBytes(RegionId::Settings), data, size);
    InMemoryControls controls;
    SettingsBinding binding(controls, image, texts, '.');
    binding.TakeSettingsFromImage();
    // What the pages encode, decoded and encoded again, settles within a few rounds: a value
    // the pages cannot show (a day beyond its list) is written as "no selection", which may read
    // back in another mode once, but a record never flips between two forms.
    bool settled = false;
    SettingsRecord last{};
    for (int round = 0; round < 4 && !settled && binding.EncodeSettings(); ++round) {
        settled = round > 0 && binding.Record() == last;
        last = binding.Record();
        binding.TakeSettingsFromImage();
    }
    if (!settled)
        __builtin_trap();
    Repeat(image.MutableRegionBytes(RegionId::Settings), data, size);
    SettingsDocument document(catalog);
    if (document.Decode(image.RegionBytes(RegionId::Settings).first(kSettingsRecordSize))) {
        (void)document.ToText();
        (void)document.ToJson().dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        (void)document.Encode();
    }
}

void FuzzSettingsJson(const std::uint8_t* data, std::size_t size) {
    // The input as the JSON of settings-encode, applied over the blank record.
    static const std::vector<std::uint8_t> blank(kSettingsRecordSize, 0x00);
    (void)EncodeSettingsJson(AsText(data, size), blank, "fuzz", ShippedCatalog());
}

void FuzzFileLoaders(const std::uint8_t* data, std::size_t size) {
    // The input written as a file of a size the first byte picks (as it is, or the input repeated
    // to a region's or the image's size, one byte short of it or one beyond), loaded by every
    // load of the window and the command line.
    // One file per process, removed when the process ends.
    struct ScratchFile {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("carecfg-fuzz-" + std::to_string(getpid()));
        ~ScratchFile() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    };
    static const ScratchFile scratch;
    const std::filesystem::path& path = scratch.path;
    const std::uint8_t pick = size > 0 ? data[0] : 0;
    const std::size_t sizes[] = {size, kSettingsRecordSize, 4096, 16384, kImageSize};
    std::size_t length = sizes[(pick & 0x0F) % std::size(sizes)];
    if (pick & 0x10)
        length -= length > 0 ? 1 : 0;
    else if (pick & 0x20)
        ++length;
    std::vector<std::uint8_t> content(length);
    Repeat(content, data, size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
    }
    const TextCatalog& catalog = ShippedCatalog();
    static const CatalogSettingsTexts texts(catalog, '.');
    DeviceImage image;
    InMemoryControls controls;
    SettingsBinding binding(controls, image, texts, '.');
    CountingNotices notices;
    (void)LoadProfile(binding, path, notices);
    for (const ImageRegion& region : ImageRegions())
        (void)LoadRegionFile(image, region.id, path);
    (void)LoadImageFile(image, path);
    std::ostream discard(nullptr);
    (void)ShowSettingsFile(path, pick & 0x40, catalog, discard, discard);
    for (const HealthRegionLayout& layout : HealthRegionLayouts())
        (void)ShowHealthFile(path, layout.region, pick & 0x80, catalog, discard, discard);
}

}  // namespace carecfg::fuzz
