#pragma once

#include "app/pages/WindowPage.h"

class QLineEdit;

namespace carecfg {

// Tab TabSheet21: the unit's identity (filled by the connection controller) and the user
// password, administrator password and SIM PIN changes with their buttons.
class PasswordTab : public WindowPage {
public:
    using WindowPage::WindowPage;
    void Build() override;

    // Button19: sends the user password when both entries agree, else shows "M25".
    void SetUserPassword();
    // Button20: sends the administrator password when both entries agree, else shows "M26".
    void SetAdminPassword();
    // Button21: sends the new and the old PIN; the two are not compared.
    void ChangeSimPin();

private:
    QLineEdit* m_userPassword = nullptr;   // Edit372
    QLineEdit* m_userRepeat = nullptr;     // Edit373
    QLineEdit* m_adminPassword = nullptr;  // Edit1
    QLineEdit* m_adminRepeat = nullptr;    // Edit339
    QLineEdit* m_newPin = nullptr;         // Edit374
    QLineEdit* m_oldPin = nullptr;         // Edit330
};

}  // namespace carecfg
