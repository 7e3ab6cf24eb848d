#include "fuzz/FuzzTargets.h"

#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/help/RtfReader.h"
#include "health/HealthDecoders.h"
#include "health/HealthNumbers.h"
#include "health/HealthSummary.h"
#include "health/HealthTime.h"
#include "image/JpegDecoder.h"
#include "link/FrameParser.h"
#include "link/LinkSession.h"
#include "link/ManualTimer.h"
#include "records/RecordDecoders.h"
#include "settings/FieldCodecs.h"
#include "text/IniParse.h"
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
    for (const HealthRegionLayout& layout : HealthRegionLayouts()) {
        const std::span<std::uint8_t> area = image.MutableRegionBytes(layout.region);
        for (std::size_t at = 0; size > 0 && at < area.size(); ++at)
            area[at] = data[at % size];
    }
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

}  // namespace carecfg::fuzz
