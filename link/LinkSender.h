#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "link/LinkInterfaces.h"
#include "link/LinkReceiver.h"

namespace carecfg {

// Puts the one pending request on the line and repeats it after silence or a bad checksum,
// three transmissions at most. Refuses to send while the port is closed ("M3").
class LinkSender {
public:
    static constexpr int MaxSends = 3;

    LinkSender(LinkPort& port, LinkTimer& timer, UserNotices& notices, LinkReceiver& receiver);

    void SetPendingRequest(std::vector<std::uint8_t> frame);
    const std::vector<std::uint8_t>& PendingRequest() const { return m_pending; }

    // First transmission of the pending request. A request shorter than two bytes carries
    // no command and is not sent.
    void SendRequest();
    // Repeated transmission; after the third transmission the exchange is given up silently.
    void ResendRequest();
    // Expiry of the resend timer: stop it, then resend.
    void Timer1Timer();

    std::uint8_t LastCommand() const { return m_lastCommand; }
    int SendCount() const { return m_sendCount; }

    // Called once when the third transmission went unanswered (the command-line tool uses it).
    std::function<void()> onGaveUp;

private:
    bool HasFrame() const { return m_pending.size() >= 2; }
    // Writes the pending request; a failing write is treated as a write that went nowhere.
    void Transmit();

    LinkPort& m_port;
    LinkTimer& m_timer;
    UserNotices& m_notices;
    LinkReceiver& m_receiver;
    std::vector<std::uint8_t> m_pending;
    std::uint8_t m_lastCommand = 0;
    std::int32_t m_sendCount = 0;
};

}  // namespace carecfg
