#include "app/RecordCommands.h"

#include <QAbstractButton>

#include <exception>

#include "app/ComponentRegistry.h"
#include "app/FileDialogs.h"
#include "app/pages/WindowPage.h"
#include "image/BlockTransfer.h"
#include "image/ImageFiles.h"
#include "link/LinkSession.h"
#include "records/RecordViews.h"

namespace carecfg {

RecordCommands::RecordCommands(PageContext& context) : m_context(context) {
    const std::pair<const char*, void (RecordCommands::*)()> buttons[] = {
        {"Button24", &RecordCommands::ClearRecords},
        {"Button23", &RecordCommands::ReadRecords},
        {"Button22", &RecordCommands::ExportImage},
        {"Button1", &RecordCommands::LoadImage},
    };
    for (const auto& [name, action] : buttons) {
        if (auto* b = m_context.registry.Find<QAbstractButton>(QString::fromLatin1(name))) {
            QObject::connect(b, &QAbstractButton::clicked, &m_context.window,
                             [this, action = action] {
                                 try {
                                     (this->*action)();
                                 } catch (const std::exception&) {
                                     // The window stays usable whatever the command met.
                                 }
                             });
        }
    }
}

void RecordCommands::ClearRecords() {
    m_context.recordViews.EmptyAll();
    for (const RegionId region : RecordChain()) {
        m_context.image.EraseRegion(region);
    }
    m_context.session.SendClearAllRecords();
    // A clear is sent once and never repeated.
    m_context.resendTimer.Stop();
}

void RecordCommands::ReadRecords() {
    // Erases the whole image, reads the record chain and resets the progress display; each
    // area's views fill as its last block arrives.
    m_context.transfer.ReadAllRecords();
}

void RecordCommands::ExportImage() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::SaveBin);
    if (file && !SaveImageFile(m_context.image, *file)) {
        m_context.notices.ShowMessage("M35");
    }
}

void RecordCommands::LoadImage() {
    const auto file = m_context.fileDialogs.Choose(FileDialogs::Kind::OpenBin);
    if (!file) {
        return;
    }
    if (!LoadImageFile(m_context.image, *file)) {
        m_context.notices.ShowMessage("M34");
        return;
    }
    m_context.recordViews.RefillAll(m_context.image);
}

}  // namespace carecfg
