#include "link/LinkSession.h"

#include <utility>

namespace carecfg {

LinkSession::LinkSession(LinkPort& port, LinkTimer& timer, LinkListener& listener,
                         std::function<void()> processPendingEvents)
    : m_timer(timer),
      m_sender(port, timer, m_listeners, m_receiver),
      m_feeder(m_receiver, timer, m_listeners, std::move(processPendingEvents)) {
    m_listeners.Add(listener);
    m_receiver.onFrame = [this](const ReceiveRecord& record) { DispatchReply(record); };
    m_receiver.onBadChecksum = [this] { m_sender.ResendRequest(); };
    m_sender.onGaveUp = [this] { m_listeners.RequestGaveUp(); };
}

void LinkSession::FeedChunk(const std::uint8_t* buffer, std::uint16_t length) {
    m_feeder.FeedChunk(buffer, length);
}

void LinkSession::Timer1Timer() {
    m_sender.Timer1Timer();
}

void LinkSession::DispatchReply(const ReceiveRecord& record) {
    try {
        m_timer.Stop();
        const std::uint8_t command = m_sender.LastCommand();
        if (const CommandInfo* info = FindCommand(command)) {
            Route(*info, record);
        }
        m_listeners.ReplyHandled(command, record);
    } catch (...) {
        // A failing handler must not break the receive path.
    }
}

void LinkSession::Route(const CommandInfo& info, const ReceiveRecord& record) {
    switch (info.reply) {
        case ReplyKind::None:
            return;
        case ReplyKind::Login:
            LoginReply(info, record);
            return;
        case ReplyKind::Identity:
            m_listeners.IdentityReceived(DecodeIdentityReply(record));
            if (info.statusKey != nullptr) {
                m_listeners.ShowStatus(info.statusKey);
            }
            return;
        case ReplyKind::AnyReply:
            if (info.successKey != nullptr) {
                m_listeners.ShowMessage(info.successKey);
            }
            return;
        case ReplyKind::Status:
            StatusReply(info, record);
            return;
        case ReplyKind::WriteBlock:
            if (m_blockHandler != nullptr) {
                m_blockHandler->WriteBlockReply(record);
            }
            return;
        case ReplyKind::ReadBlock:
            if (m_blockHandler != nullptr) {
                m_blockHandler->ReadBlockReply(record);
            }
            return;
        case ReplyKind::RecordBlock:
            if (m_blockHandler != nullptr) {
                m_blockHandler->RecordBlockReply(record);
            }
            return;
    }
}

void LinkSession::StatusReply(const CommandInfo& info, const ReceiveRecord& record) {
    const std::uint8_t status = record[kPayloadOffset];
    const char* key = status == 1   ? info.successKey
                      : status == 0 ? info.refusedKey
                      : status == 2 ? info.busyKey
                                    : nullptr;
    if (key != nullptr) {
        m_listeners.ShowMessage(key);
    }
}

void LinkSession::LoginReply(const CommandInfo& info, const ReceiveRecord& record) {
    const std::uint8_t status = record[kPayloadOffset];
    if (status == 1) {
        m_listeners.LoginAccepted();
        return;
    }
    if (status == 0 && info.refusedKey != nullptr) {
        m_listeners.ShowMessage(info.refusedKey);
    }
    m_listeners.LoginRefused(status);
}

void LinkSession::SendFrame(std::vector<std::uint8_t> frame) {
    const std::uint8_t command = frame.size() >= 2 ? frame[1] : 0;
    m_sender.SetPendingRequest(std::move(frame));
    m_sender.SendRequest();
    const CommandInfo* info = FindCommand(command);
    if (info != nullptr && !info->timedResend) {
        m_timer.Stop();
    }
}

void LinkSession::SendSetClock(const ClockStamp& stamp) {
    SendFrame(BuildSetClock(stamp));
}

bool LinkSession::SendLogin(std::string_view password) {
    auto frame = BuildLogin(password);
    if (!frame) {
        return false;
    }
    SendFrame(std::move(*frame));
    return true;
}

void LinkSession::SendFactoryDefault() {
    SendFrame(BuildFactoryDefault());
}
void LinkSession::SendReadIdentity() {
    SendFrame(BuildReadIdentity());
}

void LinkSession::SendSetUserPassword(std::string_view password) {
    SendFrame(BuildSetUserPassword(password));
}

void LinkSession::SendSetAdminPassword(std::string_view password) {
    SendFrame(BuildSetAdminPassword(password));
}

void LinkSession::SendChangeSimPin(std::string_view upperPin, std::string_view oldPin) {
    SendFrame(BuildChangeSimPin(upperPin, oldPin));
}

void LinkSession::SendWriteBlock(std::uint32_t address, std::span<const std::uint8_t> image) {
    SendFrame(BuildWriteBlock(address, image));
}

void LinkSession::SendReadBlock(std::uint32_t address) {
    SendFrame(BuildReadBlock(address));
}
void LinkSession::SendClearAllRecords() {
    SendFrame(BuildClearAllRecords());
    ForgetPendingRequest();
}

void LinkSession::SendReadRecordBlock(std::uint32_t address) {
    SendFrame(BuildReadRecordBlock(address));
}

void LinkSession::SendClearRegion(std::uint8_t code) {
    SendFrame(BuildClearRegion(code));
    ForgetPendingRequest();
}

// A clear is sent a single time: with nothing pending, neither the resend timer nor a garbled
// answer puts it on the line again. Its reply is still routed by the command sent last.
void LinkSession::ForgetPendingRequest() {
    m_timer.Stop();
    m_sender.SetPendingRequest({});
}

}  // namespace carecfg
