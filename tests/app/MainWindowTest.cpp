#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/HomeLayout.h"
#include "app/MainWindow.h"
#include "app/OutlookBar.h"
#include "app/PageControl.h"
#include "app/StatusBar.h"
#include "link/LinkFrame.h"
#include "settings/InMemoryControls.h"
#include "settings/SettingsMap.h"
#include "sim/UnitSim.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::ShippedSkin;
using testing::WaitUntil;

namespace fs = std::filesystem;

// The address field of a request frame (big-endian, bytes 2..5).
std::size_t RecordAddressOf(const std::vector<std::uint8_t>& frame) {
    return (std::size_t{frame[2]} << 24) | (std::size_t{frame[3]} << 16) |
           (std::size_t{frame[4]} << 8) | frame[5];
}

// A folder with its own skin.ini (our shipped one, optionally changed) and help documents.
class TempFolder : public testing::TempDir {
public:
    TempFolder() : TempDir("carecfg-app") {}
    void Write(const std::string& name, const std::string& content) const {
        testing::WriteBytes(Path() / name, content);
    }
};

// Replaces the value of one key of the shipped skin.ini.
std::string SkinWith(const std::string& key, const std::string& value) {
    std::string skin = ShippedSkin();
    const auto at = skin.find("\n" + key + "=");
    if (at == std::string::npos) {
        return skin;
    }
    const auto end = skin.find('\n', at + 1);
    return skin.replace(at + 1, end - at - 1, key + "=" + value);
}

// A window over a private skin.ini, recording message keys instead of showing boxes and
// answering the password prompt from a script.
class WindowFixture : public ::testing::Test {
protected:
    void Open(const std::string& skin = ShippedSkin(), QSize screen = QSize(1920, 1080)) {
        m_folder.Write("skin.ini", skin);
        WindowOptions options;
        options.catalogPath = m_folder.Path() / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = screen;
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
        options.askPassword = [this](const QString&, const QString&) -> std::optional<QString> {
            if (m_passwords.empty()) {
                return std::nullopt;
            }
            auto answer = m_passwords.front();
            m_passwords.pop_front();
            return answer;
        };
        options.chooseFile = [this](const QString& dialog) -> std::optional<QString> {
            m_dialogs.push_back(dialog);
            if (m_files.empty()) {
                return std::nullopt;
            }
            auto answer = m_files.front();
            m_files.pop_front();
            return answer;
        };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
    }

    template <class T>
    T* W(const char* name) const {
        T* widget = m_window->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Status() const { return m_window->StatusBar()->PanelText(0); }
    QString Msg(const char* key) const { return m_window->MessageString(key); }

    // Opens the port on a simulated unit and waits for its identity.
    void ConnectToSim(SimOptions simOptions = {}) {
        m_sim = std::make_unique<UnitSim>(std::move(simOptions));
        ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
        W<QComboBox>("cbox_com")->setCurrentText(QString::fromStdString(m_sim->TerminalPath()));
        W<QToolButton>("SpeedButton10")->click();
        ASSERT_TRUE(WaitUntil([&] { return Status() == Msg("M23"); })) << Status().toStdString();
    }
    void LogIn(const QString& password) {
        m_passwords.push_back(password);
        W<QPushButton>("Button4")->click();
    }
    std::vector<std::vector<std::uint8_t>> FramesWithCommand(std::uint8_t command) const {
        std::vector<std::vector<std::uint8_t>> out;
        for (auto& f : m_sim->ReceivedFrames()) {
            if (f.size() > 1 && f[1] == command) {
                out.push_back(f);
            }
        }
        return out;
    }
    bool LoginStateOn() const {
        return !W<QWidget>("Button6")->isHidden() && W<QWidget>("TabSheet21")->isEnabled();
    }

    TempFolder m_folder;
    std::vector<std::string> m_messages;
    std::deque<QString> m_passwords;
    std::deque<QString> m_files;     // answers of the profile dialogs; none left: cancelled
    std::vector<QString> m_dialogs;  // names of the profile dialogs asked, in order
    std::unique_ptr<UnitSim> m_sim;
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(WindowFixture, StartsClosedOnTheHomePageWithTheShellBuilt) {
    Open();
    EXPECT_EQ(m_window->objectName(), QStringLiteral("frm_mainset"));
    EXPECT_EQ(m_window->CurrentPage(), 0);
    EXPECT_EQ(W<QStackedWidget>("TeNotebook")->count(), 16);
    EXPECT_EQ(W<TOutlookBar>("TeOutlookBar1")->CurrentIndex(), 0);
    EXPECT_FALSE(W<TOutlookBar>("TeOutlookBar1")->Panel(0)->isHidden());
    EXPECT_TRUE(W<TOutlookBar>("TeOutlookBar1")->Panel(1)->isHidden());
    EXPECT_EQ(Status(), Msg("M3"));
    EXPECT_EQ(W<QToolButton>("SpeedButton10")->text(), Msg("M14"));
    EXPECT_EQ(W<QLabel>("Label327")->text(), Msg("M20"));
    EXPECT_EQ(m_window->Timer1().Interval(), 1500);
    EXPECT_FALSE(LoginStateOn());
    EXPECT_TRUE(m_window->Image().Bytes()[0x1234] == 0xFF);

    const TStatusBar* bar = m_window->StatusBar();
    ASSERT_EQ(bar->PanelCount(), 6);
    const int widths[] = {80, 80, 200, 80, 60, 50};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(bar->PanelWidth(i), widths[i]) << i;
    }
    const auto* progress = W<QWidget>("ProgressBar1");
    EXPECT_EQ(progress->x(), 500);
    EXPECT_EQ(progress->y(), 2);
    EXPECT_EQ(progress->height(), bar->height());
    EXPECT_EQ(bar->height(), 19);

    const QRegularExpression clock(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$"));
    EXPECT_TRUE(clock.match(W<QLabel>("Label326")->text()).hasMatch())
        << W<QLabel>("Label326")->text().toStdString();

    auto* cbox = W<QComboBox>("cbox_com");
    EXPECT_EQ(cbox->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(cbox->itemText(4), QStringLiteral("COM5"));
    EXPECT_EQ(cbox->itemText(5), QStringLiteral("DEMO"));

    auto* tabs = W<QTabWidget>("PageControl4");
    ASSERT_EQ(tabs->count(), 5);
    const char* sheets[] = {"TabSheet21", "TabSheet4", "TabSheet5", "TabSheet1", "TabSheet6"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(sheets[i]));
    }
}

TEST_F(WindowFixture, RegistryHoldsEveryComponentWithItsKindInCreationOrder) {
    Open();
    const ComponentRegistry& reg = m_window->Components();
    const std::pair<const char*, ComponentKind> kinds[] = {
        {"tefxSpeedButton20", ComponentKind::Theme},
        {"SpeedButton21", ComponentKind::SpeedButton},
        {"Button6", ComponentKind::PushButton},
        {"TeGroupBox1", ComponentKind::Theme},
        {"Label324", ComponentKind::Label},
        {"cbox_com", ComponentKind::DropDownList},
        {"SpeedButton10", ComponentKind::SpeedButton},
        {"TabSheet21", ComponentKind::TabSheet},
        {"Edit372", ComponentKind::Edit},
        {"ReadMeRTE", ComponentKind::RichText},
        {"sta_bar", ComponentKind::StatusBar},
        {"GroupBoxSimPin", ComponentKind::GroupBox},
    };
    for (const auto& [name, kind] : kinds) {
        EXPECT_EQ(reg.KindOf(QString::fromLatin1(name)), kind) << name;
        EXPECT_EQ(reg.Find(QString::fromLatin1(name).toUpper())->objectName(),
                  QString::fromLatin1(name));
    }
    auto position = [&](const char* name) {
        const auto& all = reg.Components();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].name == QLatin1String(name)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };
    EXPECT_LT(position("TeOutlookBar1"), position("TeNotebook"));
    EXPECT_LT(position("TeNotebook"), position("HomePage"));
    EXPECT_LT(position("HomePage"), position("sta_bar"));
    EXPECT_LT(position("sta_bar"), position("Timer1"));
}

TEST_F(WindowFixture, PageButtonsShowTheirPagesAndAnythingElseIsIgnored) {
    Open();
    const std::pair<const char*, int> buttons[] = {
        {"tefxSpeedButton19", 1},  {"tefxSpeedButton18", 2},  {"tefxSpeedButton17", 3},
        {"tefxSpeedButton8", 4},   {"tefxSpeedButton7", 5},   {"tefxSpeedButton6", 6},
        {"tefxSpeedButton5", 7},   {"tefxSpeedButton4", 8},   {"tefxSpeedButton13", 9},
        {"tefxSpeedButton14", 10}, {"tefxSpeedButton15", 11}, {"tefxSpeedButton16", 12},
        {"tefxSpeedButton12", 13}, {"tefxSpeedButton11", 14}, {"tefxSpeedButton10", 15},
        {"tefxSpeedButton20", 0},
    };
    for (const auto& [name, page] : buttons) {
        W<QToolButton>(name)->click();
        EXPECT_EQ(m_window->CurrentPage(), page) << name;
        EXPECT_EQ(W<QToolButton>(name)->property("pageTag").toInt(), page + 1) << name;
    }

    W<QToolButton>("tefxSpeedButton11")->click();
    ASSERT_EQ(m_window->CurrentPage(), 14);
    auto* guide = W<QToolButton>("tefxSpeedButton12");
    for (int badTag : {0, 17, -1}) {
        guide->setProperty("pageTag", badTag);
        guide->click();
        EXPECT_EQ(m_window->CurrentPage(), 14) << badTag;
    }
    m_window->PageButtonClick(W<QPushButton>("Button3"));  // no page button
    m_window->PageButtonClick(nullptr);
    EXPECT_EQ(m_window->CurrentPage(), 14);
}

TEST_F(WindowFixture, FirstStartOnA1920x1080ScreenIsHalfSizeCentredAndClosingStoresTheSize) {
    Open();
    EXPECT_EQ(m_window->size(), QSize(960, 540));
    m_window->show();
    EXPECT_EQ(m_window->pos(), QPoint(480, 270));
    m_window->resize(1000, 700);
    m_window->close();
    m_window.reset();

    WindowOptions options;
    options.catalogPath = m_folder.Path() / "skin.ini";
    options.documentDir = m_folder.Path();
    options.screenSize = QSize(1920, 1080);
    Tfrm_mainset restarted(options);
    EXPECT_EQ(restarted.size(), QSize(1000, 700));
    EXPECT_GE(restarted.minimumWidth(), 200);
    EXPECT_GE(restarted.minimumHeight(), 200);
}

// Stored bounds are kept on the screen and never below the minimum size.
TEST_F(WindowFixture, StoredBoundsAreLimitedToTheScreenAndTheMinimumSize) {
    struct Case {
        const char* config;
        QSize expected;
    };
    const Case cases[] = {
        {"Left=-8\nTop=-8\nWidth=1936\nHeight=1056\n", QSize(1920, 1056)},
        {"Left=1000\nTop=100\nWidth=1200\nHeight=500\n", QSize(920, 500)},
        {"Left=10\nTop=10\nWidth=50\nHeight=60\n", QSize(200, 200)},
        {"Width=800\n", QSize(800, 540)},  // the missing entries keep their defaults
    };
    for (const Case& c : cases) {
        std::string skin = ShippedSkin();
        const auto at = skin.find("[CONFIG]\n");
        ASSERT_NE(at, std::string::npos);
        skin.insert(at + 9, c.config);
        Open(skin);
        EXPECT_EQ(m_window->size(), c.expected) << c.config;
    }
}

// Closing writes the bounds; when they cannot be written the window still closes quietly.
TEST_F(WindowFixture, ClosingGoesOnWhenTheBoundsCannotBeWritten) {
    WindowOptions options;
    options.catalogPath = m_folder.Path() / "no-such-folder" / "skin.ini";
    options.documentDir = m_folder.Path();
    options.screenSize = QSize(1920, 1080);
    std::vector<std::string> messages;
    options.showMessage = [&](const std::string& key) { messages.push_back(key); };
    Tfrm_mainset window(options);
    window.show();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(fs::exists(options.catalogPath));
    EXPECT_TRUE(messages.empty());
}

// The shell's timers: resend stopped, clock every second, startup and relayout once each.
TEST_F(WindowFixture, ShellTimersStartAsBuiltAndTheOneShotsRunOnce) {
    Open();
    EXPECT_FALSE(W<QTimer>("Timer1")->isActive());
    EXPECT_FALSE(m_window->Timer1().IsRunning());
    auto* clock = W<QTimer>("Timer3");
    EXPECT_TRUE(clock->isActive());
    EXPECT_EQ(clock->interval(), 1000);
    EXPECT_EQ(clock->timerType(), Qt::PreciseTimer);
    auto* startup = W<QTimer>("Timer4");
    EXPECT_TRUE(startup->isActive());  // started at the end of creation
    EXPECT_EQ(startup->interval(), 20);
    auto* relayout = W<QTimer>("Timer5");
    EXPECT_TRUE(relayout->isActive());
    EXPECT_EQ(relayout->interval(), 1500);

    std::vector<int> order;
    m_window->AddStartupStep([&] { order.push_back(1); });
    m_window->AddStartupStep([&] { order.push_back(2); });
    ASSERT_TRUE(WaitUntil([&] { return order.size() == 2 && !relayout->isActive(); }));
    EXPECT_FALSE(startup->isActive());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(clock->isActive());
}

TEST_F(WindowFixture, HomePageTitleFontFollowsTheGroupWidth) {
    Open();
    m_window->show();
    const auto* notebook = W<QWidget>("TeNotebook");
    const auto* group = W<QWidget>("TeGroupBox1");
    const auto* title = W<QLabel>("Label324");
    // The catalogue's title arrives with the startup step; the font counts its characters.
    const QString catalogueTitle = m_window->FormString("Label324.Caption", QString());
    ASSERT_TRUE(WaitUntil([&] { return title->text() == catalogueTitle; }));
    m_window->resize(1100, 700);
    // Laid out for the final width: the window has it, the group fills the notebook's page
    // at it, and the title spans the group (the layout sets it to the group's width).
    ASSERT_TRUE(WaitUntil([&] {
        return m_window->width() == 1100 && group->parentWidget()->size() == notebook->size() &&
               group->width() == notebook->width() && title->width() == group->width();
    })) << group->width()
        << " " << notebook->width() << " " << title->width();
    const int expected = TitleFontSize(group->width(), static_cast<int>(title->text().size()), 0);
    EXPECT_EQ(title->font().pointSize(), expected);
    EXPECT_EQ(W<QLabel>("Label326")->font().pointSize(), ClockFontSize(expected));
    EXPECT_EQ(title->y(), group->height() / 3);
    const auto* port = W<QWidget>("SpeedButton10");
    EXPECT_EQ(W<QWidget>("Button3")->y(), port->y());
    EXPECT_EQ(W<QWidget>("Button4")->x(), W<QWidget>("Button3")->x() + port->width() + 20);

    W<QToolButton>("tefxSpeedButton19")->click();
    const auto* settingsGroup = W<QWidget>("TeGroupBox2");
    const auto* tabs = W<TPageControl>("PageControl4");
    // Laid out once shown: the group fills the page at the notebook's width and the tab width
    // was set for it.
    ASSERT_TRUE(WaitUntil([&] {
        return settingsGroup->isVisible() && settingsGroup->width() == notebook->width() &&
               tabs->TabWidth() == SettingsTabWidth(settingsGroup->width());
    })) << settingsGroup->width()
        << " " << tabs->TabWidth();
    EXPECT_EQ(tabs->tabBar()->tabRect(0).width(), SettingsTabWidth(settingsGroup->width()));
}

TEST_F(WindowFixture, ResendTimeThatIsNoWholeNumberMeansNoResendAndCreationGoesOn) {
    Open(SkinWith("resendtime", "1.5 s"));
    EXPECT_EQ(m_window->Timer1().Interval(), 0);
    EXPECT_EQ(W<QLabel>("Label327")->text(), Msg("M20"));
    EXPECT_FALSE(LoginStateOn());
    EXPECT_EQ(m_window->CurrentPage(), 0);
    bool ran = false;
    m_window->AddStartupStep([&] { ran = true; });
    EXPECT_TRUE(WaitUntil([&] { return ran; }));
    EXPECT_FALSE(W<QTimer>("Timer4")->isActive());
}

TEST_F(WindowFixture, MissingSkinGivesDefaultTextsAndNoResend) {
    Open();
    fs::remove(m_folder.Path() / "skin.ini");
    WindowOptions options;
    options.catalogPath = m_folder.Path() / "skin.ini";
    options.documentDir = m_folder.Path();
    options.screenSize = QSize(1920, 1080);
    Tfrm_mainset bare(options);
    EXPECT_EQ(bare.StatusBar()->PanelText(0), QStringLiteral("Unknown Error"));
    EXPECT_EQ(bare.Timer1().Interval(), 0);
    EXPECT_EQ(bare.size(), QSize(960, 540));
}

TEST_F(WindowFixture, OpenIdentifyCloseAndFailedOpenSetStatusAndCaptions) {
    Open();
    ConnectToSim();
    EXPECT_EQ(W<QToolButton>("SpeedButton10")->text(), Msg("M15"));
    EXPECT_EQ(W<QLabel>("Label327")->text(), Msg("M19"));
    EXPECT_FALSE(W<QLineEdit>("Edit2")->text().isEmpty());
    EXPECT_FALSE(W<QLineEdit>("Edit335")->text().isEmpty());
    EXPECT_FALSE(W<QLineEdit>("Edit2")->isEnabled());
    EXPECT_TRUE(W<QLineEdit>("Edit2")->isReadOnly());
    const auto identity = FramesWithCommand(0x07);
    ASSERT_EQ(identity.size(), 1u);
    EXPECT_EQ(identity[0], (std::vector<std::uint8_t>{0x23, 0x07, 0, 0, 0, 0, 0, 0, 0x07}));

    W<QToolButton>("SpeedButton10")->click();
    EXPECT_EQ(Status(), Msg("M3"));
    EXPECT_EQ(W<QToolButton>("SpeedButton10")->text(), Msg("M14"));
    EXPECT_EQ(W<QLabel>("Label327")->text(), Msg("M20"));
    EXPECT_FALSE(m_window->CommR().IsOpen());

    W<QComboBox>("cbox_com")->setCurrentText(QStringLiteral("/nonexistent/ttyXYZ"));
    W<QToolButton>("SpeedButton10")->click();
    EXPECT_EQ(Status(), Msg("M2"));
    EXPECT_EQ(W<QToolButton>("SpeedButton10")->text(), Msg("M14"));
    EXPECT_EQ(W<QLabel>("Label327")->text(), Msg("M20"));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(WindowFixture, SameTextForOpenAndCloseCaptionsAlwaysReopens) {
    Open(SkinWith("M15", "Connect"));
    ConnectToSim();
    W<QToolButton>("SpeedButton10")->click();
    EXPECT_EQ(Status(), Msg("M1"));
    EXPECT_TRUE(m_window->CommR().IsOpen());
    EXPECT_TRUE(WaitUntil([&] { return FramesWithCommand(0x07).size() == 2; }));
}

TEST_F(WindowFixture, LoginAcceptedRefusedTooLongAndCancelled) {
    Open();
    ConnectToSim();

    LogIn(QStringLiteral("654321"));
    ASSERT_TRUE(WaitUntil([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages, (std::vector<std::string>{"M9"}));
    EXPECT_FALSE(LoginStateOn());

    LogIn(QStringLiteral("1234567"));
    W<QPushButton>("Button4")->click();  // cancelled: nothing at all
    EXPECT_EQ(m_messages, (std::vector<std::string>{"M9", "M7"}));
    EXPECT_EQ(FramesWithCommand(0x04).size(), 1u);

    LogIn(QStringLiteral("123456"));
    ASSERT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
    EXPECT_EQ(W<QTabWidget>("PageControl4")->currentWidget(), W<QWidget>("TabSheet4"));
    for (const char* name : Tfrm_mainset::LoginEnabledControls()) {
        EXPECT_TRUE(W<QWidget>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(W<QWidget>("SpeedButton17")->isHidden());
    EXPECT_FALSE(W<QWidget>("Button24")->isHidden());
    const auto login = FramesWithCommand(0x04).back();
    EXPECT_EQ(login.size(), 15u);

    // Every press of the port button logs out, here by closing the port.
    W<QToolButton>("SpeedButton10")->click();
    EXPECT_FALSE(LoginStateOn());
    EXPECT_TRUE(W<QWidget>("Button19")->isHidden());
}

TEST_F(WindowFixture, PasswordEditsLimitAndMaskTheirInput) {
    Open();
    const std::pair<const char*, int> edits[] = {{"Edit372", 4}, {"Edit373", 4}, {"Edit1", 6},
                                                 {"Edit339", 6}, {"Edit374", 6}, {"Edit330", 6}};
    for (const auto& [name, limit] : edits) {
        EXPECT_EQ(W<QLineEdit>(name)->maxLength(), limit) << name;
        EXPECT_EQ(W<QLineEdit>(name)->echoMode(), QLineEdit::Password) << name;
    }
}

TEST_F(WindowFixture, DifferingPasswordEntriesShowTheirMessageAndSendNothing) {
    Open();
    ConnectToSim();
    LogIn(QStringLiteral("123456"));
    ASSERT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
    struct Case {
        const char *first, *second, *button, *key;
    };
    const Case cases[] = {{"Edit372", "Edit373", "Button19", "M25"},
                          {"Edit1", "Edit339", "Button20", "M26"}};
    for (const Case& c : cases) {
        m_messages.clear();
        W<QLineEdit>(c.first)->setText(QStringLiteral("1111"));
        W<QLineEdit>(c.second)->setText(QStringLiteral("2222"));
        W<QPushButton>(c.button)->click();
        EXPECT_EQ(m_messages, (std::vector<std::string>{c.key})) << c.button;
    }

    W<QLineEdit>("Edit373")->setText(QStringLiteral("1111"));
    W<QPushButton>("Button19")->click();
    // The unit has answered this request, so anything sent before it has arrived too.
    ASSERT_TRUE(WaitUntil([&] { return m_messages.size() == 2; }));
    EXPECT_EQ(m_messages.back(), "M24");
    ASSERT_EQ(FramesWithCommand(0x09).size(), 1u);
    EXPECT_EQ(FramesWithCommand(0x09)[0],
              BuildFrame(0x09, 0, std::vector<std::uint8_t>{'1', '1', '1', '1', 0xFF, 0xFF}));
    EXPECT_TRUE(FramesWithCommand(0x08).empty());
}

TEST_F(WindowFixture, PinChangeWithTwoEmptyFieldsSendsTwoBlankFields) {
    Open();
    ConnectToSim();
    LogIn(QStringLiteral("123456"));
    ASSERT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
    W<QPushButton>("Button21")->click();
    ASSERT_TRUE(WaitUntil([&] { return FramesWithCommand(0x0A).size() == 1; }));
    std::vector<std::uint8_t> expected = {0x23, 0x0A, 0, 0, 0, 0, 0x00, 0x0C};
    expected.insert(expected.end(), 12, 0xFF);
    expected.push_back(FrameChecksum(expected));
    EXPECT_EQ(FramesWithCommand(0x0A)[0], expected);
    // The simulated unit refuses an empty PIN with status 0.
    ASSERT_TRUE(WaitUntil([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages.back(), "M11");
}

TEST_F(WindowFixture, FactoryDefaultShowsM36WhateverTheReplyHolds) {
    Open();
    ConnectToSim();
    LogIn(QStringLiteral("123456"));
    ASSERT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
    W<QPushButton>("Button6")->click();
    ASSERT_TRUE(WaitUntil([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages, (std::vector<std::string>{"M36"}));
    EXPECT_FALSE(m_window->Timer1().IsRunning());

    for (std::uint8_t status : {0, 2, 7}) {
        ReceiveRecord reply{};
        reply[0] = kFrameStart;
        reply[1] = 0x06;
        reply[7] = 1;
        reply[8] = status;
        m_window->Session().DispatchReply(reply);
        EXPECT_EQ(m_messages.back(), "M36") << int(status);
    }
    EXPECT_EQ(m_messages.size(), 4u);
}

TEST_F(WindowFixture, ClockButtonSendsTheLocalTimeWithoutTimedResend) {
    Open();
    ConnectToSim();
    W<QPushButton>("Button3")->click();
    EXPECT_FALSE(m_window->Timer1().IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return FramesWithCommand(0x03).size() == 1; }));
    EXPECT_EQ(FramesWithCommand(0x03)[0].size(), 15u);
    QTest::qWait(50);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(WindowFixture, DemoPortRunsTheBuiltInUnit) {
    Open();
    W<QComboBox>("cbox_com")->setCurrentText(QStringLiteral("demo"));
    W<QToolButton>("SpeedButton10")->click();
    ASSERT_NE(m_window->DemoUnit(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Status() == Msg("M23"); }));
    EXPECT_FALSE(W<QLineEdit>("Edit2")->text().isEmpty());
    m_passwords.push_back(QStringLiteral("123456"));
    W<QPushButton>("Button4")->click();
    EXPECT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
}

TEST_F(WindowFixture, HelpPagesShowBuiltInTextsOrTheirDocuments) {
    Open();
    EXPECT_TRUE(W<QTextEdit>("ReadMeRTE")->toPlainText().contains(QStringLiteral("User Guide")));
    EXPECT_TRUE(W<QTextEdit>("ReadMeRTE")->isReadOnly());
    EXPECT_FALSE(W<QTextEdit>("GPRSLogRTE")->isReadOnly());
    EXPECT_TRUE(W<QTextEdit>("GPRSLogRTE")
                    ->toPlainText()
                    .contains(QStringLiteral("GPRS Debug, for engineer use only.")));
    EXPECT_TRUE(W<QTextEdit>("ContactRTE")->toPlainText().contains(QStringLiteral("Contact Us")));
    m_window.reset();

    m_folder.Write("Help.rtf", "Plain guide text\n");
    m_folder.Write("Contact.rtf", "{\\rtf1\\ansi Call {\\b us} today\\par}");
    Open();
    EXPECT_EQ(W<QTextEdit>("ReadMeRTE")->toPlainText().trimmed(),
              QStringLiteral("Plain guide text"));
    EXPECT_TRUE(
        W<QTextEdit>("ContactRTE")->toPlainText().contains(QStringLiteral("Call us today")));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(WindowFixture, UnreadableGuideIsReportedAndTheContactPageStillLoads) {
    fs::create_directory(m_folder.Path() / "Help.rtf");  // exists, but cannot be read as a file
    m_folder.Write("Contact.rtf", "Reach us by mail\n");
    Open();
    EXPECT_EQ(m_messages, (std::vector<std::string>{"M34"}));
    EXPECT_TRUE(W<QTextEdit>("ReadMeRTE")->toPlainText().contains(QStringLiteral("User Guide")));
    EXPECT_TRUE(W<QTextEdit>("ContactRTE")->toPlainText().contains(QStringLiteral("Reach us")));
    EXPECT_EQ(m_window->CurrentPage(), 0);
}

// Once the start-up work is done, no control a user sees still shows a placeholder: every
// visible caption is a text of its own, not empty and not the component's name.
TEST_F(WindowFixture, NoVisibleControlKeepsAPlaceholderCaption) {
    Open();
    m_window->resize(957, 609);
    m_window->show();
    ASSERT_TRUE(WaitUntil([&] { return W<QComboBox>("ComboBox652")->count() > 0; }));
    std::vector<std::string> placeholders;
    std::size_t checked = 0;
    auto* notebook = W<QStackedWidget>("TeNotebook");
    auto* tabs = W<QTabWidget>("PageControl4");
    std::vector<std::pair<int, int>> views;  // page, tab of PageControl4 (-1: none)
    for (int page = 0; page < Tfrm_mainset::kPageCount; ++page) {
        views.emplace_back(page, -1);
    }
    for (int tab = 0; tab < tabs->count(); ++tab) {
        views.emplace_back(1, tab);
    }
    for (const auto& [page, tab] : views) {
        notebook->setCurrentIndex(page);
        if (tab >= 0) {
            tabs->setCurrentIndex(tab);
        }
        QCoreApplication::processEvents();
        for (const Component& c : m_window->Components().Components()) {
            auto* widget = qobject_cast<QWidget*>(c.object.data());
            if (widget == nullptr || !widget->isVisibleTo(m_window.get()) ||
                !m_window->Page(page)->isAncestorOf(widget)) {
                continue;
            }
            QString text;
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (!label->pixmap().isNull()) {
                    continue;  // a picture, not a caption
                }
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                // A grid box has no caption of its own: its row and column name it.
                text = button->text().isEmpty() ? button->accessibleName() : button->text();
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                if (c.kind == ComponentKind::Theme) {
                    continue;  // theme group boxes carry no caption
                }
                text = group->title();
            } else {
                continue;
            }
            ++checked;
            const QString trimmed = text.trimmed();
            if (trimmed.isEmpty() || trimmed.compare(c.name, Qt::CaseInsensitive) == 0) {
                placeholders.push_back(c.name.toStdString() + " \"" + text.toStdString() + "\"");
            }
        }
    }
    EXPECT_GT(checked, 300u);  // the captions of all pages and tabs were looked at
    EXPECT_EQ(placeholders, std::vector<std::string>{});
}

// "Read Settings" fetches the 16 settings blocks into the settings record with the progress
// display; "Save Settings" writes them back, each block after the unit confirmed the one before.
TEST_F(WindowFixture, ReadAndSaveSettingsRunOverTheLinkWithTheirProgress) {
    Open();
    ConnectToSim();
    const QString panel4Before = m_window->StatusBar()->PanelText(4);
    EXPECT_EQ(panel4Before, QStringLiteral("0%"));
    W<QToolButton>("SpeedButton15")->click();
    ASSERT_TRUE(WaitUntil([&] {
        return FramesWithCommand(0x83).size() == 16 &&
               m_window->StatusBar()->PanelText(4) == "100%";
    }));
    EXPECT_EQ(W<QProgressBar>("ProgressBar1")->value(), 0);
    const auto memory = m_sim->MemorySnapshot();
    const auto& record = m_window->Settings().Record();
    EXPECT_TRUE(std::equal(record.begin(), record.end(), memory.begin()));
    EXPECT_TRUE(m_messages.empty());

    LogIn(QStringLiteral("123456"));
    ASSERT_TRUE(WaitUntil([&] { return LoginStateOn(); }));
    W<QToolButton>("SpeedButton17")->click();
    ASSERT_TRUE(WaitUntil([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages, std::vector<std::string>{"M13"});
    const auto writes = FramesWithCommand(0x82);
    ASSERT_EQ(writes.size(), 16u);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(RecordAddressOf(writes[i]), i * 256) << i;
    }
    EXPECT_EQ(m_window->StatusBar()->PanelText(4), QStringLiteral("100%"));
    const auto written = m_sim->MemorySnapshot();
    EXPECT_TRUE(std::all_of(written.begin() + 0xE35, written.begin() + 0x1000,
                            [](std::uint8_t b) { return b == 0xFF; }));
}

// The profile buttons: what is saved loads back to the same record, and a profile that is written
// out again gives the same bytes, including those no control shows.
class ProfileFixture : public WindowFixture {
protected:
    QString File(const char* name) const {
        return QString::fromStdString((m_folder.Path() / name).string());
    }
    std::string RecordBytes() const {
        const auto& r = m_window->Settings().Record();
        return std::string(r.begin(), r.end());
    }
    void Save(const char* name) {
        m_files.push_back(File(name));
        W<QToolButton>("SpeedButton20")->click();
    }
    void Load(const char* name) {
        m_files.push_back(File(name));
        W<QToolButton>("SpeedButton21")->click();
    }
    // The demonstration unit's settings: a configuration with every kind of field filled.
    static std::string DemoSettings() {
        const auto memory = UnitSim().MemorySnapshot();
        return std::string(memory.begin(), memory.begin() + kSettingsRecordSize);
    }
};

TEST_F(ProfileFixture, SavedProfileLoadsBackToTheSameRecordAndSavesToTheSameBytes) {
    Open();
    m_folder.Write("demo.bin", DemoSettings());
    Load("demo.bin");
    ASSERT_EQ(RecordBytes(), DemoSettings());
    Save("first.bin");
    const std::string saved = testing::ReadBytes(m_folder.Path() / "first.bin");
    ASSERT_EQ(saved.size(), kSettingsRecordSize);

    m_folder.Write("erased.bin", std::string(kSettingsRecordSize, '\xFF'));
    Load("erased.bin");
    ASSERT_NE(RecordBytes(), saved);
    Load("first.bin");
    EXPECT_EQ(RecordBytes(), saved);
    Save("second.bin");
    EXPECT_EQ(testing::ReadBytes(m_folder.Path() / "second.bin"), saved);

    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_dialogs, (std::vector<QString>{"OpenDialog1", "SaveDialog1", "OpenDialog1",
                                               "OpenDialog1", "SaveDialog1"}));
}

// The offset of the first byte in which the records differ, or -1.
long FirstDifference(const SettingsRecord& a, const SettingsRecord& b) {
    const auto at = std::mismatch(a.begin(), a.end(), b.begin());
    return at.first == a.end() ? -1 : static_cast<long>(at.first - a.begin());
}

// The window's controls and the in-memory controls of the command line, over the same catalogue,
// turn the same profile into the same bytes: both stand for the same pages.
TEST_F(ProfileFixture, WindowAndInMemoryControlsEncodeAProfileToTheSameBytes) {
    Open();
    bool started = false;
    QObject::connect(m_window.get(), &Tfrm_mainset::StartupFinished, [&] { started = true; });
    ASSERT_TRUE(WaitUntil([&] { return started; }));

    SettingsRecord blank;
    {
        InMemoryControls controls;
        DeviceImage image;
        CatalogSettingsTexts texts(m_window->Catalog(), '.');
        SettingsBinding binding(controls, image, texts, '.');
        binding.ResetSettingsRecord();
        blank = binding.Record();
    }
    const std::string demo = DemoSettings();
    SettingsRecord demoRecord;
    std::copy(demo.begin(), demo.end(), demoRecord.begin());
    const std::pair<const char*, SettingsRecord> profiles[] = {{"blank values", blank},
                                                               {"demonstration unit", demoRecord}};
    for (const auto& [name, record] : profiles) {
        SCOPED_TRACE(name);
        SettingsBinding& window = m_window->Settings();
        window.Record() = record;
        ASSERT_TRUE(window.DecodeSettings());
        ASSERT_TRUE(window.EncodeSettings());

        InMemoryControls controls(ItemIndexRule::AsStored);
        DeviceImage image;
        CatalogSettingsTexts texts(m_window->Catalog(), '.');
        SettingsBinding memory(controls, image, texts, '.');
        memory.Record() = record;
        ASSERT_TRUE(memory.DecodeSettings());
        ASSERT_TRUE(memory.EncodeSettings());

        EXPECT_EQ(FirstDifference(window.Record(), memory.Record()), -1);
    }
    // The demonstration unit's profile comes out as it went in.
    EXPECT_EQ(FirstDifference(m_window->Settings().Record(), demoRecord), -1);
}

// A profile that cannot be loaded shows "M34" and leaves the record as it was; one that cannot
// be written shows "M35" and leaves no file.
TEST_F(ProfileFixture, FailedLoadOrSaveShowsItsMessageAndChangesNothing) {
    Open();
    m_folder.Write("demo.bin", DemoSettings());
    Load("demo.bin");
    ASSERT_EQ(RecordBytes(), DemoSettings());
    m_folder.Write("short.bin", std::string(kSettingsRecordSize - 1, '\x11'));
    fs::create_directory(m_folder.Path() / "folder.bin");
    struct Case {
        const char* file;
        const char* why;
    };
    const Case loads[] = {{"short.bin", "one byte short"},
                          {"missing.bin", "no such file"},
                          {"folder.bin", "a folder"}};
    for (const Case& c : loads) {
        m_messages.clear();
        Load(c.file);
        EXPECT_EQ(m_messages, std::vector<std::string>{"M34"}) << c.why;
        EXPECT_EQ(RecordBytes(), DemoSettings()) << c.why;
    }

    m_messages.clear();
    Save("no-such-folder/out.bin");
    EXPECT_EQ(m_messages, std::vector<std::string>{"M35"});
    EXPECT_FALSE(fs::exists(m_folder.Path() / "no-such-folder"));
}

TEST_F(ProfileFixture, CancellingEitherDialogChangesNothingAndShowsNothing) {
    Open();
    m_folder.Write("demo.bin", DemoSettings());
    Load("demo.bin");
    const std::string before = RecordBytes();
    const auto filesBefore = std::distance(fs::directory_iterator(m_folder.Path()), {});
    W<QToolButton>("SpeedButton20")->click();
    W<QToolButton>("SpeedButton21")->click();
    EXPECT_EQ(m_dialogs, (std::vector<QString>{"OpenDialog1", "SaveDialog1", "OpenDialog1"}));
    EXPECT_EQ(RecordBytes(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder.Path()), {}), filesBefore);
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace carecfg

namespace carecfg {
namespace {

// The real password prompt (no test double): it masks what is typed, and cancelling it sends
// nothing.
TEST(PasswordPromptTest, MasksTheTypedPassword) {
    TempFolder folder;
    folder.Write("skin.ini", ShippedSkin());
    WindowOptions options;
    options.catalogPath = folder.Path() / "skin.ini";
    options.documentDir = folder.Path();
    std::vector<std::string> messages;
    options.showMessage = [&](const std::string& key) { messages.push_back(key); };
    Tfrm_mainset window(options);
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QString title;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QInputDialog*>(w); dialog && dialog->isVisible()) {
                seen = true;
                echo = dialog->textEchoMode();
                title = dialog->windowTitle();
                dialog->reject();
            }
        }
    });
    window.Login();
    EXPECT_TRUE(seen);
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(title, window.MessageString("M5"));
    EXPECT_TRUE(messages.empty());
}

// The real profile dialogs (no test double): the filter "Bin|*.bin" with the default suffix bin,
// a save dialog that may name a new file and an open dialog for existing files; cancelling them
// writes and shows nothing.
TEST(ProfileDialogTest, DialogsFilterBinFilesAndCancellingDoesNothing) {
    TempFolder folder;
    folder.Write("skin.ini", ShippedSkin());
    WindowOptions options;
    options.catalogPath = folder.Path() / "skin.ini";
    options.documentDir = folder.Path();
    std::vector<std::string> messages;
    options.showMessage = [&](const std::string& key) { messages.push_back(key); };
    Tfrm_mainset window(options);
    const std::string before(window.Settings().Record().begin(), window.Settings().Record().end());

    struct Seen {
        QString name;
        QStringList filters;
        QString suffix;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
    };
    // Answers the dialog once it shows: checks a few times a second until it is there.
    const auto answer = [&window](Seen& seen) {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, &seen] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) {
                    seen = {dialog->objectName(), dialog->nameFilters(), dialog->defaultSuffix(),
                            dialog->acceptMode(), dialog->fileMode()};
                    poll->deleteLater();
                    poll->stop();
                    dialog->reject();
                    return;
                }
            }
        });
        poll->start(10);
    };
    Seen save;
    answer(save);
    window.SpeedButton20Click();
    Seen open;
    answer(open);
    window.SpeedButton21Click();

    EXPECT_EQ(save.name, QStringLiteral("SaveDialog1"));
    EXPECT_EQ(save.filters, QStringList{QStringLiteral("Bin (*.bin)")});
    EXPECT_EQ(save.suffix, QStringLiteral("bin"));
    EXPECT_EQ(save.accept, QFileDialog::AcceptSave);
    EXPECT_EQ(open.name, QStringLiteral("OpenDialog1"));
    EXPECT_EQ(open.filters, QStringList{QStringLiteral("Bin (*.bin)")});
    EXPECT_EQ(open.suffix, QStringLiteral("bin"));
    EXPECT_EQ(open.accept, QFileDialog::AcceptOpen);
    EXPECT_EQ(open.mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(std::string(window.Settings().Record().begin(), window.Settings().Record().end()),
              before);
}

}  // namespace
}  // namespace carecfg
