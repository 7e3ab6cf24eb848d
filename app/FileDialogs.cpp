#include "app/FileDialogs.h"

#include <QFile>
#include <QFileDialog>

namespace carecfg {

namespace {

struct DialogRow {
    const char* name;
    const char* filter;
    const char* suffix;
    bool save;
};

// In the order of FileDialogs::Kind. The filter "Bin|*.bin" is one file type named Bin with the
// pattern *.bin.
constexpr DialogRow kDialogs[] = {
    {"SaveDialog1", "Bin (*.bin)", "bin", true},    // raw files saved
    {"OpenDialog1", "Bin (*.bin)", "bin", false},   // raw files loaded
    {"CsvSaveDialog", "CSV (*.csv)", "csv", true},  // list exports
    {"PngSaveDialog", "PNG (*.png)", "png", true},  // chart pictures
    {"PdfSaveDialog", "PDF (*.pdf)", "pdf", true},  // reports
};

const DialogRow& RowOf(FileDialogs::Kind kind) {
    return kDialogs[static_cast<int>(kind)];
}

}  // namespace

FileDialogs::FileDialogs(QWidget& window, FileChooser chooseFile)
    : m_window(window), m_chooseFile(std::move(chooseFile)) {}

QString FileDialogs::DialogName(Kind kind) {
    return QString::fromLatin1(RowOf(kind).name);
}

std::optional<std::filesystem::path> FileDialogs::Choose(Kind kind) {
    std::optional<QString> file;
    if (m_chooseFile) {
        file = m_chooseFile(DialogName(kind));
    } else {
        QFileDialog* dialog = Dialog(kind);
        if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            file = dialog->selectedFiles().constFirst();
        }
    }
    if (!file || file->isEmpty()) {
        return std::nullopt;
    }
    return std::filesystem::path(QFile::encodeName(*file).toStdString());
}

QFileDialog* FileDialogs::Dialog(Kind kind) {
    const DialogRow& row = RowOf(kind);
    QPointer<QFileDialog>& slot = m_dialogs[static_cast<std::size_t>(kind)];
    if (slot == nullptr) {
        slot = new QFileDialog(&m_window);
        slot->setObjectName(QString::fromLatin1(row.name));
        slot->setNameFilter(QString::fromLatin1(row.filter));
        slot->setDefaultSuffix(QString::fromLatin1(row.suffix));
        slot->setAcceptMode(row.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        slot->setFileMode(row.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
    return slot;
}

}  // namespace carecfg
