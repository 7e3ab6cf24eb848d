#include "app/DemoHooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

#include "app/MainWindow.h"
#include "app/OutlookBar.h"
#include "app/StatusBar.h"

namespace carecfg {

namespace {

QString Env(const char* name) {
    return qEnvironmentVariable(name);
}

// Shows page n the way the user would: by clicking the navigation button that names it.
void ShowPageByButton(Tfrm_mainset& window, int page) {
    for (const Component& c : window.Components().Components()) {
        auto* button = qobject_cast<QToolButton*>(c.object.data());
        if (button != nullptr && button->property("pageTag").toInt() == page + 1) {
            if (auto* bar = window.Find<TOutlookBar>(QStringLiteral("TeOutlookBar1"))) {
                bar->SetCurrentIndex(bar->IndexOf(button));
            }
            button->click();
            return;
        }
    }
}

void ClickButton(Tfrm_mainset& window, const char* name) {
    if (auto* button = window.Find<QAbstractButton>(QString::fromLatin1(name))) {
        button->click();
    }
}

// "Read Record" after the login's answer, and after the settings when they are read too: the
// unit answers one request at a time, so the records wait until the settings display reaches
// 100 %.
void ReadRecordsAfterSettings(Tfrm_mainset& window, bool settingsFirst) {
    Tfrm_mainset* w = &window;
    QTimer::singleShot(settingsFirst ? 400 : 300, w, [w, settingsFirst] {
        if (!settingsFirst) {
            ClickButton(*w, "Button23");
            return;
        }
        auto* poll = new QTimer(w);
        QObject::connect(poll, &QTimer::timeout, w, [w, poll] {
            if (w->StatusBar()->PanelText(4) == QLatin1String("100%")) {
                poll->stop();
                ClickButton(*w, "Button23");
            }
        });
        poll->start(50);
    });
}

}  // namespace

void InstallDemoHooks(Tfrm_mainset& window) {
    Tfrm_mainset* w = &window;
    const QStringList size = Env("CARECFG_WINDOW_SIZE").split(QLatin1Char('x'));
    if (size.size() == 2 && size[0].toInt() > 0 && size[1].toInt() > 0) {
        w->resize(size[0].toInt(), size[1].toInt());
    }
    if (Env("CARECFG_DEMO_AUTOCONNECT") == QLatin1String("1")) {
        QTimer::singleShot(0, w, [w] {
            w->Find<QComboBox>(QStringLiteral("cbox_com"))->setCurrentText(QStringLiteral("DEMO"));
            w->Find<QToolButton>(QStringLiteral("SpeedButton10"))->click();
        });
        const bool readRecords = Env("CARECFG_DEMO_READ_RECORDS") == QLatin1String("1");
        const QString password = Env("CARECFG_DEMO_PASSWORD");
        if (readRecords && password.isEmpty()) {
            // "Read Record" once the unit has identified itself.
            auto* poll = new QTimer(w);
            QObject::connect(poll, &QTimer::timeout, w, [w, poll] {
                if (w->StatusBar()->PanelText(0) == w->MessageString("M23")) {
                    poll->stop();
                    ClickButton(*w, "Button23");
                }
            });
            poll->start(100);
        }
        if (!password.isEmpty()) {
            // Logs in once the identity has arrived (status "M23"), checking a few times a second.
            auto* poll = new QTimer(w);
            const bool readSettings = Env("CARECFG_DEMO_READ_SETTINGS") == QLatin1String("1");
            QObject::connect(
                poll, &QTimer::timeout, w, [w, poll, password, readSettings, readRecords] {
                    if (w->StatusBar()->PanelText(0) == w->MessageString("M23")) {
                        poll->stop();
                        w->LoginWithPassword(password);
                        if (readSettings) {
                            // "Read Settings" once the login's answer had time to arrive.
                            QTimer::singleShot(300, w, [w] { w->SpeedButton15Click(); });
                        }
                        if (readRecords) {
                            ReadRecordsAfterSettings(*w, readSettings);
                        }
                    }
                });
            poll->start(100);
        }
    }
    const QString shot = Env("CARECFG_SCREENSHOT");
    if (!shot.isEmpty()) {
        bool ok = false;
        int delay = Env("CARECFG_SCREENSHOT_DELAY_MS").toInt(&ok);
        if (!ok || delay < 0) {
            delay = 2500;
        }
        const QString pageText = Env("CARECFG_SCREENSHOT_PAGE");
        QTimer::singleShot(delay, w, [w, shot, pageText] {
            bool isNumber = false;
            const int page = pageText.toInt(&isNumber);
            if (isNumber) {
                ShowPageByButton(*w, page);
            }
            const QString tab = Env("CARECFG_SCREENSHOT_TAB");
            auto* tabs = w->Find<QTabWidget>(QStringLiteral("PageControl4"));
            if (auto* sheet = w->Find<QWidget>(tab); sheet != nullptr && tabs != nullptr) {
                tabs->setCurrentWidget(sheet);
            }
            // One more pass so that the page is laid out before it is drawn.
            QTimer::singleShot(200, w, [w, shot] {
                const bool saved = w->grab().save(shot);
                std::printf("%s %s\n",
                            saved ? "screenshot saved:" : "screenshot failed:", qPrintable(shot));
                std::fflush(stdout);
                QCoreApplication::exit(saved ? 0 : 1);
            });
        });
    }
    if (Env("CARECFG_EXIT_AFTER_STARTUP") == QLatin1String("1")) {
        // The line on standard output tells a benchmark when the start-up ended, apart from the
        // time the process then takes to end.
        QObject::connect(w, &Tfrm_mainset::StartupFinished, w, [] {
            std::fputs("startup finished\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    }
    if (Env("CARECFG_CLOSE_AFTER_STARTUP") == QLatin1String("1")) {
        // Closed as a user closes it (the bounds are saved on the way), once started.
        QObject::connect(w, &Tfrm_mainset::StartupFinished, w, [w] {
            std::fputs("startup finished\n", stdout);
            std::fflush(stdout);
            w->close();
        });
    }
    if (Env("CARECFG_EXIT_WHEN_IDLE") == QLatin1String("1")) {
        // A zero timer runs once the events queued by showing the window have been handled.
        QTimer::singleShot(0, w, [] { QCoreApplication::quit(); });
    }
}

}  // namespace carecfg
