// carecfg: configuration tool for the GSM care and alarm unit. It takes nothing from its command
// line; see app/DemoHooks.h for the environment variables used by tests and the demo.
#include <QApplication>

#include "app/DemoHooks.h"
#include "app/MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("carecfg"));
    carecfg::Tfrm_mainset window;
    carecfg::InstallDemoHooks(window);
    window.show();
    return QApplication::exec();
}
