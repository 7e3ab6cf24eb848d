#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Commands.h"

class QComboBox;
class QLabel;
class QTabWidget;
class QToolButton;

namespace carecfg {

class TComm;
class UnitSim;
struct PageContext;

// The working cycle of the home page and the function bar: opens and closes the serial port
// (or the built-in demo unit), shows the unit's identity, logs in, switches the login state,
// and sends the clock and factory-default commands.
class ConnectionController {
public:
    // Asks for the login password; nullopt when cancelled.
    using PasswordPrompt =
        std::function<std::optional<QString>(const QString& title, const QString& prompt)>;

    // Finds its widgets in the registry and connects the buttons SpeedButton10, Button3, Button4
    // and Button6; build the pages first. `demoUnit` is the window's slot for the demo unit, so
    // that the window closes the port before the unit behind it stops. `loginStateChanged` hears
    // every switch of the login state.
    ConnectionController(PageContext& context, TComm& comm, std::shared_ptr<UnitSim>& demoUnit,
                         PasswordPrompt askPassword,
                         std::function<void(bool on)> loginStateChanged);

    // SpeedButton10: logs out, then opens the port named by cbox_com (and asks the unit who it
    // is) while the caption says "M14", or closes it.
    void ConnectionToggle();
    // Button4: asks for the password and logs in with it; cancelling does nothing.
    void Login();
    // Sends the login unless the password is empty; more than six bytes show "M7".
    void LoginWithPassword(const QString& password);
    // The unit accepted the login: TabSheet4 is shown and the login state switched on.
    void LoginAccepted();
    // Shows (on) or hides the privileged buttons and enables or disables the settings tabs.
    void SetLoginState(bool on);
    // Edit2, Edit336, Edit335 := device ID, firmware version, IMEI.
    void ShowIdentity(const IdentityReply& identity);
    // Button3: sends the local time; never resent.
    void SetClock();
    // Button6: asks the unit to restore its factory settings; never resent.
    void FactoryDefault();
    // The captions of a closed port: status panel 0 := `statusKey`, SpeedButton10 := "M14",
    // Label327 := "M20".
    void ShowClosed(const char* statusKey);

    // Names of the controls switched by SetLoginState.
    static const std::vector<const char*>& LoginVisibleControls();
    static const std::vector<const char*>& LoginEnabledControls();

private:
    QString Message(const char* key) const;

    PageContext& m_context;
    TComm& m_comm;
    std::shared_ptr<UnitSim>& m_demoUnit;
    PasswordPrompt m_askPassword;
    std::function<void(bool)> m_loginStateChanged;
    QComboBox* m_cboxCom = nullptr;
    QToolButton* m_portButton = nullptr;
    QLabel* m_portState = nullptr;
    QTabWidget* m_settingsTabs = nullptr;
};

}  // namespace carecfg
