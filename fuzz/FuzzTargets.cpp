#include "fuzz/FuzzTargets.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/help/RtfReader.h"
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

}  // namespace carecfg::fuzz
