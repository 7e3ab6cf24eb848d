#include "app/pages/PasswordTab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

#include "app/ComponentRegistry.h"
#include "base/UserNotices.h"
#include "link/LinkSession.h"

namespace carecfg {

void PasswordTab::Build() {
    ComponentRegistry& reg = m_context.registry;
    QWidget* sheet = &m_sheet;
    auto* outer = new QGridLayout(sheet);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setHorizontalSpacing(16);
    outer->setVerticalSpacing(16);

    auto group = [&](const char* name, const QString& caption) {
        auto* box = reg.Add(new QGroupBox(caption, sheet), QString::fromLatin1(name));
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(12, 16, 12, 12);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(8);
        grid->setColumnStretch(1, 1);
        return std::pair{box, grid};
    };
    auto label = [&](QGridLayout* grid, int row, const char* name, const QString& text) {
        auto* l = reg.Add(new QLabel(text), QString::fromLatin1(name));
        grid->addWidget(l, row, 0);
        return l;
    };
    auto edit = [&](QGridLayout* grid, int row, const char* name, int maxLength, bool secret) {
        auto* e = reg.Add(new QLineEdit, QString::fromLatin1(name));
        if (maxLength > 0) {
            e->setMaxLength(maxLength);
        }
        if (secret) {
            e->setEchoMode(QLineEdit::Password);
        }
        grid->addWidget(e, row, 1);
        return e;
    };
    auto button = [&](QGridLayout* grid, int row, const char* name, const QString& text) {
        auto* b = reg.Add(new QPushButton(text), QString::fromLatin1(name));
        b->setMinimumWidth(150);
        grid->addWidget(b, row, 1, Qt::AlignRight);
        return b;
    };

    auto [identity, idGrid] = group("GroupBoxIdentity", QStringLiteral("Device"));
    label(idGrid, 0, "LabelDeviceId", QStringLiteral("Device ID:"));
    label(idGrid, 1, "LabelFirmware", QStringLiteral("Firmware Version:"));
    label(idGrid, 2, "LabelImei", QStringLiteral("IMEI:"));
    for (auto [row, name] : {std::pair{0, "Edit2"}, {1, "Edit336"}, {2, "Edit335"}}) {
        QLineEdit* e = edit(idGrid, row, name, 0, false);
        e->setReadOnly(true);
        e->setEnabled(false);
    }
    idGrid->setRowStretch(3, 1);

    auto [user, userGrid] = group("GroupBoxUserPassword", QStringLiteral("User Password"));
    label(userGrid, 0, "LabelUserPassword", QStringLiteral("New Password:"));
    label(userGrid, 1, "LabelUserRepeat", QStringLiteral("Confirm Password:"));
    m_userPassword = edit(userGrid, 0, "Edit372", 4, true);
    m_userRepeat = edit(userGrid, 1, "Edit373", 4, true);
    QObject::connect(button(userGrid, 2, "Button19", QStringLiteral("Set User Password")),
                     &QPushButton::clicked, sheet, [this] { SetUserPassword(); });

    auto [admin, adminGrid] =
        group("GroupBoxAdminPassword", QStringLiteral("Administrator Password"));
    label(adminGrid, 0, "LabelAdminPassword", QStringLiteral("New Password:"));
    label(adminGrid, 1, "LabelAdminRepeat", QStringLiteral("Confirm Password:"));
    m_adminPassword = edit(adminGrid, 0, "Edit1", 6, true);
    m_adminRepeat = edit(adminGrid, 1, "Edit339", 6, true);
    QObject::connect(button(adminGrid, 2, "Button20", QStringLiteral("Set Admin Password")),
                     &QPushButton::clicked, sheet, [this] { SetAdminPassword(); });

    auto [pin, pinGrid] = group("GroupBoxSimPin", QStringLiteral("SIM Card PIN"));
    label(pinGrid, 0, "LabelNewPin", QStringLiteral("New Simcard PIN Code:"));
    label(pinGrid, 1, "LabelOldPin", QString::fromUtf8("Old Simcard PIN Code\xEF\xBC\x9A"));
    m_newPin = edit(pinGrid, 0, "Edit374", 6, true);
    m_oldPin = edit(pinGrid, 1, "Edit330", 6, true);
    QObject::connect(button(pinGrid, 2, "Button21", QStringLiteral("Change PIN")),
                     &QPushButton::clicked, sheet, [this] { ChangeSimPin(); });

    outer->addWidget(identity, 0, 0);
    outer->addWidget(pin, 0, 1);
    outer->addWidget(user, 1, 0);
    outer->addWidget(admin, 1, 1);
    outer->setRowStretch(2, 1);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(1, 1);
}

void PasswordTab::SetUserPassword() {
    if (m_userPassword->text() != m_userRepeat->text()) {
        m_context.notices.ShowMessage("M25");
        return;
    }
    m_context.session.SendSetUserPassword(m_context.ToCodePage(m_userPassword->text()));
}

void PasswordTab::SetAdminPassword() {
    if (m_adminPassword->text() != m_adminRepeat->text()) {
        m_context.notices.ShowMessage("M26");
        return;
    }
    m_context.session.SendSetAdminPassword(m_context.ToCodePage(m_adminPassword->text()));
}

void PasswordTab::ChangeSimPin() {
    m_context.session.SendChangeSimPin(m_context.ToCodePage(m_newPin->text()),
                                       m_context.ToCodePage(m_oldPin->text()));
}

}  // namespace carecfg
