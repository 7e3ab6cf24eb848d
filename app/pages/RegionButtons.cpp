#include "app/pages/RegionButtons.h"

#include <cstdint>

#include "app/FileDialogs.h"
#include "app/pages/WindowPage.h"
#include "base/UserNotices.h"
#include "image/ImageFiles.h"
#include "link/LinkInterfaces.h"
#include "link/LinkSession.h"

namespace carecfg {

void RegionButtons::Clear() {
    m_context.image.EraseRegion(m_region);
    m_context.session.SendClearRegion(static_cast<std::uint8_t>(Region(m_region).eraseCommand));
    // A clear is sent once and never repeated.
    m_context.resendTimer.Stop();
}

void RegionButtons::SaveToChosenFile() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SaveBin);
    if (file && !SaveRegionFile(m_context.image, m_region, *file)) {
        m_context.notices.ShowMessage("M35");
    }
}

void RegionButtons::LoadFromChosenFile(const Refill& refill) {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::OpenBin);
    if (!file) {
        return;
    }
    // A short or unreadable file changes neither the region nor the page.
    if (!LoadRegionFile(m_context.image, m_region, *file) || !refill(m_context.image)) {
        m_context.notices.ShowMessage("M34");
    }
}

}  // namespace carecfg
