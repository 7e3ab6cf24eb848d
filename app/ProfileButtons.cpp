#include "app/ProfileButtons.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>

#include <filesystem>

#include "app/ComponentRegistry.h"
#include "app/pages/WindowPage.h"
#include "settings/Profiles.h"

namespace carecfg {

namespace {

const QString kSaveDialog = QStringLiteral("SaveDialog1");
const QString kOpenDialog = QStringLiteral("OpenDialog1");

std::filesystem::path ToPath(const QString& file) {
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

}  // namespace

ProfileButtons::ProfileButtons(PageContext& context, FileChooser chooseFile)
    : m_context(context), m_chooseFile(std::move(chooseFile)) {
    QWidget* window = &m_context.window;
    if (auto* b = m_context.registry.Find<QAbstractButton>(QStringLiteral("SpeedButton20"))) {
        QObject::connect(b, &QAbstractButton::clicked, window, [this] { SaveProfileAs(); });
    }
    if (auto* b = m_context.registry.Find<QAbstractButton>(QStringLiteral("SpeedButton21"))) {
        QObject::connect(b, &QAbstractButton::clicked, window, [this] { LoadProfile(); });
    }
}

void ProfileButtons::SaveProfileAs() {
    if (const auto file = Choose(kSaveDialog)) {
        carecfg::SaveProfile(m_context.settings, ToPath(*file), m_context.notices);
    }
}

void ProfileButtons::LoadProfile() {
    if (const auto file = Choose(kOpenDialog)) {
        carecfg::LoadProfile(m_context.settings, ToPath(*file), m_context.notices);
    }
}

std::optional<QString> ProfileButtons::Choose(const QString& dialogName) {
    std::optional<QString> file;
    if (m_chooseFile) {
        file = m_chooseFile(dialogName);
    } else {
        QFileDialog* dialog = Dialog(dialogName);
        if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            file = dialog->selectedFiles().constFirst();
        }
    }
    if (file && file->isEmpty()) {
        return std::nullopt;
    }
    return file;
}

QFileDialog* ProfileButtons::Dialog(const QString& dialogName) {
    const bool save = dialogName == kSaveDialog;
    QPointer<QFileDialog>& slot = save ? m_saveDialog : m_openDialog;
    if (slot == nullptr) {
        slot = new QFileDialog(&m_context.window);
        slot->setObjectName(dialogName);
        // The filter "Bin|*.bin": description Bin, pattern *.bin; names without an extension
        // get .bin.
        slot->setNameFilter(QStringLiteral("Bin (*.bin)"));
        slot->setDefaultSuffix(QStringLiteral("bin"));
        slot->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        slot->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
    return slot;
}

}  // namespace carecfg
