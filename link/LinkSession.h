#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "link/ChunkFeeder.h"
#include "link/Commands.h"
#include "link/LinkInterfaces.h"
#include "link/LinkListener.h"
#include "link/LinkReceiver.h"
#include "link/LinkSender.h"

namespace carecfg {

// The handler of the block commands' replies (the block transfer sequences).
class BlockReplyHandler {
public:
    virtual ~BlockReplyHandler() = default;
    virtual void WriteBlockReply(const ReceiveRecord& record) = 0;
    virtual void ReadBlockReply(const ReceiveRecord& record) = 0;
    virtual void RecordBlockReply(const ReceiveRecord& record) = 0;
};

// The one link of the program: receiver, sender and chunk feeder wired together, the command
// entry points, and the routing of good replies by the command sent last. What the link has to
// tell (messages, status texts, replies, give-ups) goes to its listeners.
class LinkSession {
public:
    // `listener` is the first listener; more may be added.
    LinkSession(LinkPort& port, LinkTimer& timer, LinkListener& listener,
                std::function<void()> processPendingEvents = {});
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    void AddListener(LinkListener& listener) { m_listeners.Add(listener); }
    void RemoveListener(LinkListener& listener) { m_listeners.Remove(listener); }
    // Everything told here reaches every listener (used by the block transfer sequences).
    LinkListener& Listeners() { return m_listeners; }

    // The block transfer sequences take the replies of 0x82, 0x83 and 0x85 (nullptr: nobody).
    void SetBlockReplyHandler(BlockReplyHandler* handler) { m_blockHandler = handler; }

    LinkSender& Sender() { return m_sender; }
    LinkReceiver& Receiver() { return m_receiver; }

    void FeedChunk(const std::uint8_t* buffer, std::uint16_t length);
    void Timer1Timer();
    // Stops the resend timer and hands the reply to the handler of LastCommand. Never throws.
    void DispatchReply(const ReceiveRecord& record);

    // Each builds its frame into the pending request and sends it; for commands without
    // timed resend the resend timer is stopped right after the send.
    void SendSetClock(const ClockStamp& stamp);
    bool SendLogin(std::string_view password);  // false: not sent (empty or longer than six)
    void SendFactoryDefault();
    void SendReadIdentity();
    void SendSetUserPassword(std::string_view password);
    void SendSetAdminPassword(std::string_view password);
    void SendChangeSimPin(std::string_view upperPin, std::string_view oldPin);
    void SendWriteBlock(std::uint32_t address, std::span<const std::uint8_t> image);
    void SendReadBlock(std::uint32_t address);
    void SendReadRecordBlock(std::uint32_t address);
    // The two clears are sent a single time and never repeated, not even after a garbled
    // answer.
    void SendClearAllRecords();
    void SendClearRegion(std::uint8_t code);
    // Any complete frame; the timer rule follows the command table (unknown codes keep it).
    void SendFrame(std::vector<std::uint8_t> frame);

private:
    void Route(const CommandInfo& info, const ReceiveRecord& record);
    void StatusReply(const CommandInfo& info, const ReceiveRecord& record);
    void LoginReply(const CommandInfo& info, const ReceiveRecord& record);
    void ForgetPendingRequest();

    LinkTimer& m_timer;
    LinkListeners m_listeners;
    BlockReplyHandler* m_blockHandler = nullptr;
    LinkReceiver m_receiver;
    LinkSender m_sender;
    ChunkFeeder m_feeder;
};

}  // namespace carecfg
