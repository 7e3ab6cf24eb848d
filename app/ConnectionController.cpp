#include "app/ConnectionController.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include <ctime>
#include <stdexcept>

#include "app/ComponentRegistry.h"
#include "app/pages/WindowPage.h"
#include "link/LinkInterfaces.h"
#include "link/LinkSession.h"
#include "serial/PortNames.h"
#include "serial/SerialComm.h"
#ifdef CARECFG_HAVE_DEMO_UNIT
#include "sim/UnitSim.h"
#endif
#include "text/ConfigValues.h"
#include "text/TextCodec.h"

namespace carecfg {

const std::vector<const char*>& ConnectionController::LoginVisibleControls() {
    static const std::vector<const char*> names = {
        "Button6",  "SpeedButton17", "Button19", "Button20", "Button21",
        "Button25", "Button27",      "Button29", "Button31", "Button33",
        "Button35", "Button38",      "Button41", "Button44", "Button24"};
    return names;
}

const std::vector<const char*>& ConnectionController::LoginEnabledControls() {
    static const std::vector<const char*> names = {"TabSheet21", "TabSheet4", "TabSheet5",
                                                   "TabSheet1", "TabSheet6"};
    return names;
}

ConnectionController::ConnectionController(PageContext& context, TComm& comm,
                                           std::shared_ptr<UnitSim>& demoUnit,
                                           PasswordPrompt askPassword,
                                           std::function<void(bool on)> loginStateChanged)
    : m_context(context),
      m_comm(comm),
      m_demoUnit(demoUnit),
      m_askPassword(std::move(askPassword)),
      m_loginStateChanged(std::move(loginStateChanged)) {
    const ComponentRegistry& reg = m_context.registry;
    m_cboxCom = reg.Find<QComboBox>(QStringLiteral("cbox_com"));
    m_portButton = reg.Find<QToolButton>(QStringLiteral("SpeedButton10"));
    m_portState = reg.Find<QLabel>(QStringLiteral("Label327"));
    m_settingsTabs = reg.Find<QTabWidget>(QStringLiteral("PageControl4"));
    if (m_cboxCom == nullptr || m_portButton == nullptr || m_portState == nullptr) {
        throw std::logic_error("the home page has no port controls");
    }
    QWidget* window = &m_context.window;
    QObject::connect(m_portButton, &QToolButton::clicked, window, [this] { ConnectionToggle(); });
    const std::pair<const char*, void (ConnectionController::*)()> buttons[] = {
        {"Button3", &ConnectionController::SetClock},
        {"Button4", &ConnectionController::Login},
        {"Button6", &ConnectionController::FactoryDefault}};
    for (const auto& [name, action] : buttons) {
        if (auto* b = reg.Find<QAbstractButton>(QString::fromLatin1(name))) {
            QObject::connect(b, &QAbstractButton::clicked, window,
                             [this, action = action] { (this->*action)(); });
        }
    }
}

QString ConnectionController::Message(const char* key) const {
    return m_context.MessageString(key);
}

void ConnectionController::ShowClosed(const char* statusKey) {
    m_context.notices.ShowStatus(statusKey);
    m_portButton->setText(Message("M14"));
    m_portState->setText(Message("M20"));
}

void ConnectionController::ConnectionToggle() {
    SetLoginState(false);
    try {
        if (m_portButton->text() == Message("M14")) {
            m_comm.ClosePort();
            std::string name = m_cboxCom->currentText().trimmed().toStdString();
            if (IsDemoPortName(name)) {
#ifdef CARECFG_HAVE_DEMO_UNIT
                if (!m_demoUnit) {
                    m_demoUnit = std::make_shared<UnitSim>();
                }
                if (!m_demoUnit->IsRunning() && !m_demoUnit->Start()) {
                    throw std::runtime_error(m_demoUnit->LastError());
                }
                name = m_demoUnit->TerminalPath();
#else
                // The simulated unit answers on a pseudo-terminal, which this system has not.
                throw std::runtime_error("no simulated unit in this build");
#endif
            }
            m_comm.SetCommName(name);
            m_comm.SetReadIntervalTimeout(
                static_cast<std::uint32_t>(ReadIntervalFromCatalog(m_context.catalog)));
            m_comm.OpenPort();
            m_context.notices.ShowStatus("M1");
            m_portButton->setText(Message("M15"));
            m_portState->setText(Message("M19"));
            m_context.session.SendReadIdentity();
        } else {
            m_comm.ClosePort();
            ShowClosed("M3");
        }
    } catch (const std::exception&) {
        // The failure's own text is not shown; the state is Closed.
        ShowClosed("M2");
    }
}

void ConnectionController::Login() {
    const auto password =
        m_askPassword ? m_askPassword(Message("M5"), Message("M6")) : std::nullopt;
    if (!password) {
        return;
    }
    LoginWithPassword(*password);
}

void ConnectionController::LoginWithPassword(const QString& password) {
    if (password.isEmpty()) {
        return;
    }
    const std::string bytes = m_context.ToCodePage(password);
    if (bytes.size() > 6) {
        m_context.notices.ShowMessage("M7");
        return;
    }
    m_context.session.SendLogin(bytes);
}

void ConnectionController::LoginAccepted() {
    if (auto* sheet = m_context.registry.Find<QWidget>(QStringLiteral("TabSheet4"));
        sheet != nullptr && m_settingsTabs != nullptr) {
        m_settingsTabs->setCurrentWidget(sheet);
    }
    SetLoginState(true);
}

void ConnectionController::SetLoginState(bool on) {
    const ComponentRegistry& reg = m_context.registry;
    for (const char* name : LoginVisibleControls()) {
        if (auto* w = reg.Find<QWidget>(QString::fromLatin1(name))) {
            w->setVisible(on);
        }
    }
    for (const char* name : LoginEnabledControls()) {
        if (auto* w = reg.Find<QWidget>(QString::fromLatin1(name))) {
            w->setEnabled(on);
        }
    }
    if (m_loginStateChanged) {
        m_loginStateChanged(on);
    }
}

void ConnectionController::ShowIdentity(const IdentityReply& identity) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Edit2", &identity.deviceId},
        {"Edit336", &identity.firmwareVersion},
        {"Edit335", &identity.imei}};
    for (const auto& [name, text] : fields) {
        if (auto* e = m_context.registry.Find<QLineEdit>(QString::fromLatin1(name))) {
            e->setText(QString::fromStdString(m_context.codec.ToUtf8(*text)));
        }
    }
}

void ConnectionController::SetClock() {
    m_context.session.SendSetClock(ClockStampFromLocalTime(std::time(nullptr)));
    m_context.resendTimer.Stop();
}

void ConnectionController::FactoryDefault() {
    m_context.session.SendFactoryDefault();
    m_context.resendTimer.Stop();
}

}  // namespace carecfg
