#pragma once

#include <QPointer>
#include <QString>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace carecfg {

// The window's file dialogs, one of each, shared by every command that saves or loads a file so
// that each opens where it was last left: SaveDialog1 and OpenDialog1 for the raw files
// (profiles, record areas, whole images: "Bin (*.bin)", names without an extension get .bin) and
// CsvSaveDialog for list exports ("CSV (*.csv)"), PngSaveDialog for chart pictures and
// PdfSaveDialog for reports.
class FileDialogs {
public:
    enum class Kind { SaveBin, OpenBin, SaveCsv, SavePng, SavePdf };

    // Answers a dialog by its name: the chosen file, nullopt when cancelled. Tests answer the
    // dialogs with it; empty: the real dialogs are shown.
    using FileChooser = std::function<std::optional<QString>(const QString& dialogName)>;

    FileDialogs(QWidget& window, FileChooser chooseFile);

    // The file chosen in the dialog; nullopt when it was cancelled or gave no name.
    std::optional<std::filesystem::path> Choose(Kind kind);

    static QString DialogName(Kind kind);

private:
    QFileDialog* Dialog(Kind kind);

    QWidget& m_window;
    FileChooser m_chooseFile;
    // Made at first use; children of the window.
    std::array<QPointer<QFileDialog>, 5> m_dialogs;
};

}  // namespace carecfg
