#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

#include "link/CommLinkPort.h"
#include "link/LinkInterfaces.h"
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

// User notices of the window: messages through a presenter (a modal box in production, a
// recorder in tests), status texts into status bar panel 0.
class WindowNotices : public UserNotices {
public:
    WindowNotices(std::function<void(const std::string&)> showMessage,
                  std::function<void(const std::string&)> showStatus)
        : m_showMessage(std::move(showMessage)), m_showStatus(std::move(showStatus)) {}
    void ShowMessage(std::string_view messageKey) override {
        m_showMessage(std::string(messageKey));
    }
    void ShowStatus(std::string_view messageKey) override { m_showStatus(std::string(messageKey)); }

private:
    std::function<void(const std::string&)> m_showMessage;
    std::function<void(const std::string&)> m_showStatus;
};

}  // namespace carecfg
