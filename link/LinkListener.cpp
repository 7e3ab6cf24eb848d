#include "link/LinkListener.h"

#include <algorithm>

namespace carecfg {

void LinkListeners::Add(LinkListener& listener) {
    if (std::find(m_listeners.begin(), m_listeners.end(), &listener) == m_listeners.end()) {
        m_listeners.push_back(&listener);
    }
}

void LinkListeners::Remove(LinkListener& listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), &listener),
                      m_listeners.end());
}

template <class Call>
void LinkListeners::Each(Call call) {
    // A copy, so that a listener may remove itself (or add another) while being told.
    const std::vector<LinkListener*> listeners = m_listeners;
    for (LinkListener* listener : listeners) {
        call(*listener);
    }
}

void LinkListeners::ShowMessage(std::string_view key) {
    Each([&](LinkListener& l) { l.ShowMessage(key); });
}
void LinkListeners::ShowStatus(std::string_view key) {
    Each([&](LinkListener& l) { l.ShowStatus(key); });
}
void LinkListeners::ShowProgress(int barPosition, std::string_view panelText) {
    Each([&](LinkListener& l) { l.ShowProgress(barPosition, panelText); });
}
void LinkListeners::RegionDecoded(RegionId region, bool decoded) {
    Each([&](LinkListener& l) { l.RegionDecoded(region, decoded); });
}
void LinkListeners::TransferEnded(TransferEnd end) {
    Each([&](LinkListener& l) { l.TransferEnded(end); });
}
void LinkListeners::IdentityReceived(const IdentityReply& identity) {
    Each([&](LinkListener& l) { l.IdentityReceived(identity); });
}
void LinkListeners::LoginAccepted() {
    Each([&](LinkListener& l) { l.LoginAccepted(); });
}
void LinkListeners::LoginRefused(std::uint8_t status) {
    Each([&](LinkListener& l) { l.LoginRefused(status); });
}
void LinkListeners::ReplyHandled(std::uint8_t lastCommand, const ReceiveRecord& record) {
    Each([&](LinkListener& l) { l.ReplyHandled(lastCommand, record); });
}
void LinkListeners::RequestGaveUp() {
    Each([&](LinkListener& l) { l.RequestGaveUp(); });
}

}  // namespace carecfg
