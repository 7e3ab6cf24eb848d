#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/UserNotices.h"
#include "image/DeviceImage.h"
#include "link/Commands.h"
#include "link/LinkFrame.h"

namespace carecfg {

// How a block sequence ended when it did not simply run out of replies.
enum class TransferEnd {
    Completed,     // its last block arrived (or was confirmed)
    StrayAddress,  // a reply carried an address outside the expected ranges: silent end
    Refused,       // the unit answered a block write with a status other than 1
};

// Everything the link tells the rest of the program, through one interface: what the user is
// told (message and status keys, transfer progress, a region decoded) and the good replies the
// owner acts on. Every member has an empty default, so a listener overrides what it needs.
class LinkListener : public UserNotices {
public:
    void ShowMessage(std::string_view) override {}
    void ShowStatus(std::string_view) override {}
    // Progress bar position (0..100) and the text of the percentage panel.
    virtual void ShowProgress(int /*barPosition*/, std::string_view /*panelText*/) {}
    // A region's last block arrived and its decoder ran; false when the decoder failed.
    virtual void RegionDecoded(RegionId /*region*/, bool /*decoded*/) {}
    virtual void TransferEnded(TransferEnd /*end*/) {}

    virtual void IdentityReceived(const IdentityReply& /*identity*/) {}
    virtual void LoginAccepted() {}
    // Any login status other than 1 (status 0 has also shown its message).
    virtual void LoginRefused(std::uint8_t /*status*/) {}
    // Every good reply, after the link and its handlers have dealt with it.
    virtual void ReplyHandled(std::uint8_t /*lastCommand*/, const ReceiveRecord& /*record*/) {}
    // The third transmission of a request went unanswered: the exchange is given up.
    virtual void RequestGaveUp() {}
};

// Hands every event to each of its listeners in the order they were added.
class LinkListeners : public LinkListener {
public:
    void Add(LinkListener& listener);
    void Remove(LinkListener& listener);

    void ShowMessage(std::string_view key) override;
    void ShowStatus(std::string_view key) override;
    void ShowProgress(int barPosition, std::string_view panelText) override;
    void RegionDecoded(RegionId region, bool decoded) override;
    void TransferEnded(TransferEnd end) override;
    void IdentityReceived(const IdentityReply& identity) override;
    void LoginAccepted() override;
    void LoginRefused(std::uint8_t status) override;
    void ReplyHandled(std::uint8_t lastCommand, const ReceiveRecord& record) override;
    void RequestGaveUp() override;

private:
    template <class Call>
    void Each(Call call);

    std::vector<LinkListener*> m_listeners;
};

}  // namespace carecfg
