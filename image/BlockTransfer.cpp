#include "image/BlockTransfer.h"

#include <cmath>
#include <utility>

namespace carecfg {

namespace {

constexpr std::int32_t kSettingsLastBlock = 0x0F00;
constexpr std::int32_t kSettingsSize = 4096;
// The all-records chain counts its replies against 370 steps although it has 338 blocks, so
// the display stands at 92 % when the last block arrives.
constexpr long long kRecordChainSteps = 370;
// "The data received from the unit could not be handled": a sequence that makes no progress.
constexpr const char* kNoProgressKey = "M16";

// When a region's read button resets the progress display.
enum class ProgressReset { Before, AfterFirstRequest, Never };

// The starting steps of each region's read button; every one erases its region first.
struct ReadStarter {
    RegionId region;
    bool resetCounter;
    ProgressReset progress;
};

constexpr ReadStarter kReadStarters[] = {
    {RegionId::Settings, true, ProgressReset::Before},
    {RegionId::AlarmRecord, true, ProgressReset::Before},
    {RegionId::ArmedRecord, false, ProgressReset::Never},
    {RegionId::DialOutRecord, false, ProgressReset::Never},
    {RegionId::IncomingRecord, false, ProgressReset::Never},
    {RegionId::Inbox, false, ProgressReset::AfterFirstRequest},
    {RegionId::Outbox, false, ProgressReset::AfterFirstRequest},
    {RegionId::BloodPressure, false, ProgressReset::AfterFirstRequest},
    {RegionId::Glucose, false, ProgressReset::AfterFirstRequest},
    {RegionId::Weight, false, ProgressReset::AfterFirstRequest},
};

const ReadStarter& StarterOf(RegionId region) {
    for (const ReadStarter& starter : kReadStarters) {
        if (starter.region == region) {
            return starter;
        }
    }
    return kReadStarters[0];
}

// The record region whose blocks include the address (its last block included), or nullptr.
const ImageRegion* RecordRegionAt(std::int32_t address) {
    for (const RegionId id : RecordChain()) {
        const ImageRegion& r = Region(id);
        if (address >= static_cast<std::int32_t>(r.start) &&
            address <= static_cast<std::int32_t>(r.lastBlock)) {
            return &r;
        }
    }
    return nullptr;
}

// The region after `id` in the record chain, or nullptr at its end.
const ImageRegion* NextInChain(RegionId id) {
    const auto chain = RecordChain();
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
        if (chain[i] == id) {
            return &Region(chain[i + 1]);
        }
    }
    return nullptr;
}

}  // namespace

ProgressReading ProgressAt(long long position, long long total) {
    double p = total != 0 ? static_cast<double>(position) * 100.0 / static_cast<double>(total) + 1
                          : std::nan("");
    if (p > 100) {
        p = 100;
    }
    if (!(p >= 0)) {
        p = 0;
    }
    return {static_cast<int>(p), std::to_string(std::lround(p)) + "%"};
}

std::int32_t ReplyAddress(const ReceiveRecord& record) {
    return static_cast<std::int32_t>(RecordAddress(record));
}

BlockTransfer::BlockTransfer(LinkSession& session, DeviceImage& image)
    : m_session(session), m_image(image) {
    m_session.SetBlockReplyHandler(this);
}

BlockTransfer::~BlockTransfer() {
    m_session.SetBlockReplyHandler(nullptr);
}

void BlockTransfer::SetDecoder(RegionId region, Decoder decoder) {
    m_decoders[region] = std::move(decoder);
}

void BlockTransfer::ProgressStart() {
    m_session.Listeners().ShowProgress(0, "0%");
}

void BlockTransfer::ProgressStep(long long position, long long total) {
    const ProgressReading reading = ProgressAt(position, total);
    m_session.Listeners().ShowProgress(reading.bar, reading.panel);
}

void BlockTransfer::ProgressDone() {
    m_session.Listeners().ShowProgress(0, "100%");
}

void BlockTransfer::ReadRegion(RegionId region) {
    const ReadStarter& starter = StarterOf(region);
    BeginSequence();
    m_image.EraseRegion(region);
    if (starter.resetCounter) {
        m_replyCounter = 0;
    }
    if (starter.progress == ProgressReset::Before) {
        ProgressStart();
    }
    m_session.SendReadBlock(Region(region).start);
    if (starter.progress == ProgressReset::AfterFirstRequest) {
        ProgressStart();
    }
}

void BlockTransfer::ReadAllRecords() {
    BeginSequence();
    m_image.EraseAll();
    m_replyCounter = 0;
    m_session.SendReadRecordBlock(Region(RecordChain().front()).start);
    ProgressStart();
}

void BlockTransfer::WriteSettings() {
    BeginSequence();
    m_replyCounter = 0;
    ProgressStart();
    if (m_encoder) {
        (void)m_encoder();
    }
    m_session.SendWriteBlock(0, m_image.Bytes());
}

void BlockTransfer::StoreReplyBlock(std::int32_t address, const ReceiveRecord& record) {
    m_image.StoreBlock(static_cast<std::uint32_t>(address),
                       RecordPayload(record).first(kBlockSize));
}

void BlockTransfer::Decode(RegionId region) {
    bool decoded = true;
    if (const auto found = m_decoders.find(region); found != m_decoders.end() && found->second) {
        try {
            decoded = found->second(m_image);
        } catch (...) {
            decoded = false;  // a failing decoder is reported, the sequence goes on
        }
    }
    m_session.Listeners().RegionDecoded(region, decoded);
}

void BlockTransfer::Stray() {
    m_session.Listeners().TransferEnded(TransferEnd::StrayAddress);
}

void BlockTransfer::BeginSequence() {
    m_seenBlocks.reset();
    m_repliesWithoutProgress = 0;
}

bool BlockTransfer::NoteProgress(std::int32_t address) {
    const auto block = static_cast<std::size_t>(address) / kBlockSize;
    if (address >= 0 && block < m_seenBlocks.size() && !m_seenBlocks.test(block)) {
        m_seenBlocks.set(block);
        m_repliesWithoutProgress = 0;
        return true;
    }
    if (++m_repliesWithoutProgress < kMaxRepliesWithoutProgress) {
        return true;
    }
    m_session.Listeners().ShowMessage(kNoProgressKey);
    Stray();
    return false;
}

void BlockTransfer::ReadBlockReply(const ReceiveRecord& record) {
    const std::int32_t a = ReplyAddress(record);
    if (a >= 0 && a <= kSettingsLastBlock && !NoteProgress(a)) {
        return;
    }
    if (a >= 0 && a < kSettingsLastBlock) {
        ProgressStep(a, kSettingsSize);
        StoreReplyBlock(a, record);
        m_session.SendReadBlock(static_cast<std::uint32_t>(a) + kBlockSize);
        return;
    }
    if (a == kSettingsLastBlock) {
        StoreReplyBlock(a, record);
        ProgressDone();
        Decode(RegionId::Settings);
        m_session.Listeners().TransferEnded(TransferEnd::Completed);
        return;
    }
    const ImageRegion* r = RecordRegionAt(a);
    if (r == nullptr) {
        Stray();
        return;
    }
    if (!NoteProgress(a)) {
        return;
    }
    StoreReplyBlock(a, record);
    if (a < static_cast<std::int32_t>(r->lastBlock)) {
        ProgressStep(a - static_cast<std::int32_t>(r->start), r->size);
        m_session.SendReadBlock(static_cast<std::uint32_t>(a) + kBlockSize);
        return;
    }
    ProgressDone();
    Decode(r->id);
    m_session.Listeners().TransferEnded(TransferEnd::Completed);
}

void BlockTransfer::RecordBlockReply(const ReceiveRecord& record) {
    const std::int32_t a = ReplyAddress(record);
    ++m_replyCounter;
    ProgressStep(m_replyCounter, kRecordChainSteps);
    const ImageRegion* r = RecordRegionAt(a);
    if (r == nullptr) {
        Stray();
        return;
    }
    if (!NoteProgress(a)) {
        return;
    }
    StoreReplyBlock(a, record);
    if (a < static_cast<std::int32_t>(r->lastBlock)) {
        m_session.SendReadRecordBlock(static_cast<std::uint32_t>(a) + kBlockSize);
        return;
    }
    Decode(r->id);
    if (const ImageRegion* next = NextInChain(r->id)) {
        m_session.SendReadRecordBlock(next->start);
        return;
    }
    ProgressDone();
    m_session.Listeners().TransferEnded(TransferEnd::Completed);
}

void BlockTransfer::WriteBlockReply(const ReceiveRecord& record) {
    const std::uint8_t status = record[kPayloadOffset];
    const CommandInfo* info = FindCommand(CmdWriteBlock);
    if (status == 1) {
        const std::int32_t a = ReplyAddress(record);
        if (a >= 0 && a < kSettingsLastBlock && !NoteProgress(a)) {
            return;
        }
        // Only the confirmation of the last settings block ends the write. One for an address
        // beyond the settings region is no confirmation of this sequence (a late answer to an
        // earlier request, say a block read whose first byte is 1): reporting it as "written"
        // would tell the user the settings are on the unit when most of them are not.
        if (a > kSettingsLastBlock) {
            Stray();
            return;
        }
        if (a == kSettingsLastBlock) {
            ProgressDone();
            m_session.Listeners().ShowMessage(info->successKey);
            m_session.Listeners().TransferEnded(TransferEnd::Completed);
            return;
        }
        // A confirmation for an address whose next block lies outside the image cannot be
        // followed: the sequence ends as for any stray address.
        const std::int64_t next = static_cast<std::int64_t>(a) + kBlockSize;
        if (next < 0 || next + kBlockSize > static_cast<std::int64_t>(kImageSize)) {
            Stray();
            return;
        }
        m_session.SendWriteBlock(static_cast<std::uint32_t>(next), m_image.Bytes());
        ProgressStep(a, kSettingsSize);
        return;
    }
    if (status == 0) {
        m_session.Listeners().ShowMessage(info->refusedKey);
    } else if (status == 2) {
        m_session.Listeners().ShowMessage(info->busyKey);
    }
    m_session.Listeners().TransferEnded(TransferEnd::Refused);
}

}  // namespace carecfg
