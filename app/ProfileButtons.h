#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QFileDialog;
class QWidget;

namespace carecfg {

struct PageContext;

// The profile buttons of the function bar: "Save Profile as" (SpeedButton20) writes the pages
// to a profile file chosen in SaveDialog1, "Load     Profile" (SpeedButton21) reads one chosen
// in OpenDialog1 into the pages. Cancelling a dialog changes nothing and shows nothing.
class ProfileButtons {
public:
    // Answers a dialog named "SaveDialog1" or "OpenDialog1": the chosen file, nullopt when
    // cancelled. Empty: the real file dialogs.
    using FileChooser = std::function<std::optional<QString>(const QString& dialogName)>;

    // Connects SpeedButton20 and SpeedButton21 of the registry; build the function bar first.
    ProfileButtons(PageContext& context, FileChooser chooseFile);

    void SaveProfileAs();  // SpeedButton20
    void LoadProfile();    // SpeedButton21

private:
    std::optional<QString> Choose(const QString& dialogName);
    QFileDialog* Dialog(const QString& dialogName);

    PageContext& m_context;
    FileChooser m_chooseFile;
    // Made at first use, kept so that each opens where it was left; children of the window.
    QPointer<QFileDialog> m_saveDialog;
    QPointer<QFileDialog> m_openDialog;
};

}  // namespace carecfg
