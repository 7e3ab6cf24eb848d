#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "link/ChunkFeeder.h"
#include "link/Commands.h"
#include "link/LinkInterfaces.h"
#include "link/LinkReceiver.h"
#include "link/LinkSender.h"

namespace carecfg {

// What the owner of the link does with replies beyond the messages the session shows itself.
// Every member may be empty.
struct ReplyHandlers {
    std::function<void(const IdentityReply&)> onIdentity;
    std::function<void()> onLoginAccepted;
    std::function<void(const ReceiveRecord&)> onWriteBlock, onReadBlock, onRecordBlock;
    // Any login status other than 1 (status 0 has also shown "M9").
    std::function<void(std::uint8_t status)> onLoginRefused;
};

// The one link of the program: receiver, sender and chunk feeder wired together, the command
// entry points, and the routing of good replies by the command sent last.
class LinkSession {
public:
    LinkSession(LinkPort& port, LinkTimer& timer, UserNotices& notices,
                std::function<void()> processPendingEvents = {});
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    ReplyHandlers handlers;

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
    void SendClearAllRecords();
    void SendReadRecordBlock(std::uint32_t address);
    void SendClearRegion(std::uint8_t code);
    // Any complete frame; the timer rule follows the command table (unknown codes keep it).
    void SendFrame(std::vector<std::uint8_t> frame);

private:
    void ShowStatusReply(const ReceiveRecord& record, const char* successKey);
    void LoginReply(const ReceiveRecord& record);

    LinkTimer& m_timer;
    UserNotices& m_notices;
    LinkReceiver m_receiver;
    LinkSender m_sender;
    ChunkFeeder m_feeder;
};

}  // namespace carecfg
