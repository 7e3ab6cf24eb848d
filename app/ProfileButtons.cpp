#include "app/ProfileButtons.h"

#include <QAbstractButton>

#include "app/ComponentRegistry.h"
#include "app/FileDialogs.h"
#include "app/pages/WindowPage.h"
#include "settings/Profiles.h"

namespace carecfg {

ProfileButtons::ProfileButtons(PageContext& context) : m_context(context) {
    QWidget* window = &m_context.window;
    if (auto* b = m_context.registry.Find<QAbstractButton>(QStringLiteral("SpeedButton20"))) {
        QObject::connect(b, &QAbstractButton::clicked, window, [this] { SaveProfileAs(); });
    }
    if (auto* b = m_context.registry.Find<QAbstractButton>(QStringLiteral("SpeedButton21"))) {
        QObject::connect(b, &QAbstractButton::clicked, window, [this] { LoadProfile(); });
    }
}

void ProfileButtons::SaveProfileAs() {
    if (const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SaveBin)) {
        carecfg::SaveProfile(m_context.settings, *file, m_context.notices);
    }
}

void ProfileButtons::LoadProfile() {
    if (const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::OpenBin)) {
        carecfg::LoadProfile(m_context.settings, *file, m_context.notices);
    }
}

}  // namespace carecfg
