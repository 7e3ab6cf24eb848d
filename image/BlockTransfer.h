#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "image/DeviceImage.h"
#include "link/LinkSession.h"

namespace carecfg {

// The progress display of a block sequence: bar position 0..100 and the percentage panel text.
struct ProgressReading {
    int bar = 0;
    std::string panel;
};
// The display for `position` of `total`: p = position * 100 / total + 1, limited to 0..100; the
// bar shows p cut to a whole number, the panel p rounded to the nearest one followed by "%".
ProgressReading ProgressAt(long long position, long long total);

// Moves the unit's memory between the unit and the image in 256-byte blocks, one request at a
// time: one region read with CmdReadBlock, the nine record regions in chain order with
// CmdReadRecordBlock, and the settings region written with CmdWriteBlock. The sequences keep no
// position: the address each reply carries decides where its block goes and what is asked for
// next. Progress, messages, decoded regions and ends go to the session's listeners.
// A sequence whose replies stop bringing new blocks (a unit that keeps answering with an earlier
// address, so that no time-out ever fires) ends after kMaxRepliesWithoutProgress such replies
// in a row with "M16" and TransferEnd::StrayAddress, instead of asking for ever.
class BlockTransfer : public BlockReplyHandler {
public:
    // Replies in a row that bring no block new to the sequence before it is given up. A late
    // duplicate after a resend costs one; only a unit that is stuck reaches the limit.
    static constexpr int kMaxRepliesWithoutProgress = 8;

    // Fills the pages of a region from the image once its last block has arrived; false when
    // the decode failed.
    using Decoder = std::function<bool(const DeviceImage& image)>;
    // Rewrites the image's settings region from the pages before a write; its result is not
    // examined.
    using Encoder = std::function<bool()>;

    BlockTransfer(LinkSession& session, DeviceImage& image);
    ~BlockTransfer() override;
    BlockTransfer(const BlockTransfer&) = delete;
    BlockTransfer& operator=(const BlockTransfer&) = delete;

    void SetDecoder(RegionId region, Decoder decoder);
    void SetSettingsEncoder(Encoder encoder) { m_encoder = std::move(encoder); }

    // One region with CmdReadBlock, with the starting steps of that region's read button
    // ("Read Settings" for the settings region).
    void ReadRegion(RegionId region);
    // "Read Record": erases the whole image and reads the record chain with CmdReadRecordBlock.
    void ReadAllRecords();
    // "Save Settings": encodes the pages, then writes the 16 settings blocks, each after the unit
    // confirmed the one before.
    void WriteSettings();

    int ReplyCounter() const { return m_replyCounter; }

    void ProgressStart();
    void ProgressStep(long long position, long long total);
    void ProgressDone();

    // Replies routed here by the session (by the command sent last).
    void WriteBlockReply(const ReceiveRecord& record) override;
    void ReadBlockReply(const ReceiveRecord& record) override;
    void RecordBlockReply(const ReceiveRecord& record) override;

private:
    void StoreReplyBlock(std::int32_t address, const ReceiveRecord& record);
    void Decode(RegionId region);
    void Stray();
    // Starts counting the blocks of a new sequence.
    void BeginSequence();
    // Notes the reply's block; false (the sequence has ended with "M16") when too many replies
    // in a row brought no block that the sequence had not seen.
    bool NoteProgress(std::int32_t address);

    LinkSession& m_session;
    DeviceImage& m_image;
    std::map<RegionId, Decoder> m_decoders;
    Encoder m_encoder;
    std::int32_t m_replyCounter = 0;
    std::bitset<kImageSize / kBlockSize> m_seenBlocks;  // blocks of the running sequence
    int m_repliesWithoutProgress = 0;
};

// The address a reply carries (frame bytes 2..5, big-endian), as a signed 32-bit number.
std::int32_t ReplyAddress(const ReceiveRecord& record);

}  // namespace carecfg
