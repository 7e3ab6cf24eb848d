#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

#include "link/CommLinkPort.h"
#include "link/LinkInterfaces.h"
#include "link/LinkListener.h"
#include "serial/SerialComm.h"

namespace carecfg {

// Runs the serial workers' notifications on the thread of a Qt object, through its event queue.
class GuiCommSink : public CommEventSink {
public:
    explicit GuiCommSink(QObject* context) : m_context(context) {}
    void Post(std::function<void()> notification) override;

private:
    QObject* m_context;
};

// What the window does with what the link tells it; every member may be empty.
struct WindowLinkHooks {
    std::function<void(const std::string& key)> showMessage;  // a modal box (or a test recorder)
    std::function<void(const std::string& key)> showStatus;   // status bar panel 0
    std::function<void(int bar, const std::string& panel)> showProgress;
    std::function<void(const IdentityReply&)> identity;
    std::function<void()> loginAccepted;
};

// The window's listener of the link: hands each event to the window's hook for it.
class WindowNotices : public LinkListener {
public:
    explicit WindowNotices(WindowLinkHooks hooks) : m_hooks(std::move(hooks)) {}
    void ShowMessage(std::string_view key) override { Call(m_hooks.showMessage, std::string(key)); }
    void ShowStatus(std::string_view key) override { Call(m_hooks.showStatus, std::string(key)); }
    void ShowProgress(int bar, std::string_view panel) override {
        Call(m_hooks.showProgress, bar, std::string(panel));
    }
    void IdentityReceived(const IdentityReply& identity) override {
        Call(m_hooks.identity, identity);
    }
    void LoginAccepted() override { Call(m_hooks.loginAccepted); }

private:
    template <class Hook, class... Args>
    static void Call(const Hook& hook, const Args&... args) {
        if (hook) {
            hook(args...);
        }
    }
    WindowLinkHooks m_hooks;
};

}  // namespace carecfg
