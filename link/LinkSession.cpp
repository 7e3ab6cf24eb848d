#include "link/LinkSession.h"

#include <utility>

namespace carecfg {

LinkSession::LinkSession(LinkPort& port, LinkTimer& timer, UserNotices& notices,
                         std::function<void()> processPendingEvents)
    : m_timer(timer),
      m_notices(notices),
      m_sender(port, timer, notices, m_receiver),
      m_feeder(m_receiver, timer, notices, std::move(processPendingEvents)) {
    m_receiver.onFrame = [this](const ReceiveRecord& record) { DispatchReply(record); };
    m_receiver.onBadChecksum = [this] { m_sender.ResendRequest(); };
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
        switch (command) {
            case CmdLogin:
                LoginReply(record);
                return;
            case CmdFactoryDefault:
                m_notices.ShowMessage("M36");
                return;
            case CmdReadIdentity:
                if (handlers.onIdentity) {
                    handlers.onIdentity(DecodeIdentityReply(record));
                }
                m_notices.ShowStatus("M23");
                return;
            case CmdWriteBlock:
                if (handlers.onWriteBlock) {
                    handlers.onWriteBlock(record);
                }
                return;
            case CmdReadBlock:
                if (handlers.onReadBlock) {
                    handlers.onReadBlock(record);
                }
                return;
            case CmdReadRecordBlock:
                if (handlers.onRecordBlock) {
                    handlers.onRecordBlock(record);
                }
                return;
            default:
                break;
        }
        // The remaining commands answer with a status byte, or are only acknowledged.
        const CommandInfo* info = FindCommand(command);
        if (info != nullptr && info->successKey != nullptr) {
            ShowStatusReply(record, info->successKey);
        }
    } catch (...) {
        // A failing handler must not break the receive path.
    }
}

void LinkSession::ShowStatusReply(const ReceiveRecord& record, const char* successKey) {
    const std::uint8_t status = record[kPayloadOffset];
    if (status == 1) {
        m_notices.ShowMessage(successKey);
    } else if (status == 0) {
        m_notices.ShowMessage("M11");
    } else if (status == 2) {
        m_notices.ShowMessage("M12");
    }
}

void LinkSession::LoginReply(const ReceiveRecord& record) {
    const std::uint8_t status = record[kPayloadOffset];
    if (status == 1) {
        if (handlers.onLoginAccepted) {
            handlers.onLoginAccepted();
        }
        return;
    }
    if (status == 0) {
        m_notices.ShowMessage("M9");
    }
    if (handlers.onLoginRefused) {
        handlers.onLoginRefused(status);
    }
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
}

void LinkSession::SendReadRecordBlock(std::uint32_t address) {
    SendFrame(BuildReadRecordBlock(address));
}

void LinkSession::SendClearRegion(std::uint8_t code) {
    SendFrame(BuildClearRegion(code));
}

}  // namespace carecfg
