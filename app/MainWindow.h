#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ComponentRegistry.h"
#include "app/FileDialogs.h"
#include "app/GuiLinkAdapters.h"
#include "app/QtLinkTimer.h"
#include "app/WidgetControls.h"
#include "app/pages/WindowPage.h"
#include "image/BlockTransfer.h"
#include "image/DeviceImage.h"
#include "link/LinkSession.h"
#include "records/RecordViews.h"
#include "serial/SerialComm.h"
#include "settings/SettingsBinding.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

class QProgressBar;
class QStackedWidget;
class QTimer;
class QToolButton;

namespace carecfg {

class ConnectionController;
class ProfileButtons;
class RecordCommands;
class TOutlookBar;
class TStatusBar;
class UnitSim;
class WindowPage;

// What the window takes from its surroundings; the defaults are those of the real program.
struct WindowOptions {
    std::filesystem::path catalogPath;  // empty: skin.ini beside the executable
    std::filesystem::path documentDir;  // empty: the executable's folder (Help.rtf, Contact.rtf)
    // Shows the text of a message key; empty: a modal message box.
    std::function<void(const std::string& messageKey)> showMessage;
    // Asks for the login password; nullopt when cancelled. Empty: a masked modal input box.
    std::function<std::optional<QString>(const QString& title, const QString& prompt)> askPassword;
    // Answers the file dialogs ("SaveDialog1", "OpenDialog1", "CsvSaveDialog") by name: the
    // chosen file, nullopt when cancelled. Empty: the real file dialogs.
    std::function<std::optional<QString>(const QString& dialogName)> chooseFile;
    std::optional<QSize> screenSize;  // empty: the primary screen's size
};

// The main window: navigation bar, the notebook with the sixteen pages of NotebookPages(), status
// bar and the shell's timers, and the one serial link of the program with its device image,
// catalogue and settings binding, which the pages reach through their PageContext.
class Tfrm_mainset : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 16;

    explicit Tfrm_mainset(WindowOptions options = {}, QWidget* parent = nullptr);
    ~Tfrm_mainset() override;

    ComponentRegistry& Components() { return m_components; }
    const ComponentRegistry& Components() const { return m_components; }
    template <class T>
    T* Find(const QString& name) const {
        return m_components.Find<T>(name);
    }

    const TextCatalog& Catalog() const { return m_catalog; }
    const TextCodec& Codec() const { return m_codec; }
    QString MessageString(std::string_view key) const;  // MESSAGE text of the key for display
    QString FormString(std::string_view key, const QString& def) const;

    LinkSession& Session() { return m_session; }
    BlockTransfer& Transfer() { return m_transfer; }
    SettingsBinding& Settings() { return m_settings; }
    LinkTimer& Timer1() { return m_timer1; }
    TComm& CommR() { return m_commR; }
    DeviceImage& Image() { return m_image; }
    UserNotices& Notices() { return m_notices; }
    TStatusBar* StatusBar() const { return m_staBar; }
    UnitSim* DemoUnit() const { return m_demoUnit.get(); }

    int CurrentPage() const;
    QWidget* Page(int index) const;

    // Work run once by the startup timer, in the order added (captions, then the limit lists).
    void AddStartupStep(std::function<void()> step);

    // Commands of the working cycle, carried out by the connection controller and the pages.
    void ConnectionToggle();
    void Login();
    void LoginWithPassword(const QString& password);
    void LoginAccepted();
    void SetLoginState(bool on);
    void ShowIdentity(const IdentityReply& identity);
    // ProgressBar1 at the bar position, status panel 4 := the percentage text.
    void ShowProgress(int bar, const std::string& panel);
    void Button3Click();
    void Button6Click();
    void SpeedButton15Click();  // "Read Settings"
    void SpeedButton17Click();  // "Save Settings"
    void SpeedButton20Click();  // "Save Profile as"
    void SpeedButton21Click();  // "Load     Profile"
    void Button19Click();
    void Button20Click();
    void Button21Click();

    // Navigation: shows the page a page button names; anything else is ignored.
    void PageButtonClick(QObject* sender);

    // Lays out every page for the window's size (the home page and the settings tab widths).
    void LayoutHomePage();
    void CommRReceiveData(const std::uint8_t* buffer, std::uint16_t length);

    // Names of the controls switched by SetLoginState.
    static const std::vector<const char*>& LoginVisibleControls();
    static const std::vector<const char*>& LoginEnabledControls();

signals:
    // The start-up work is done: captions applied, default profile decoded, threshold lists built.
    void StartupFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildComponents();
    void BuildNavigationBar();
    void BuildNotebook();
    void BuildStatusBar();
    void BuildTimers();
    void FormCreate();
    void RestoreSize();
    void LoadSkin();
    void FillParents();
    void LoadHelpDocuments();
    void ApplyShellTexts();
    void ClockTimerTimer();
    void StartupTimerTimer();
    void RelayoutTimerTimer();
    void ShowMessageBox(const std::string& key);
    void NotifyLoginState(bool on);
    void NotifyRegionDecoded(RegionId region);
    QSize ScreenSize() const;
    std::filesystem::path DocumentDir() const;
    template <class Part>
    Part* FindPart() const;

    WindowOptions m_options;
    ComponentRegistry m_components;
    TextCatalog m_catalog;
    TextCodec m_codec;
    DeviceImage m_image;

    // Widgets of the shell (owned by their Qt parents).
    TOutlookBar* m_outlookBar = nullptr;
    QStackedWidget* m_notebook = nullptr;
    std::vector<QWidget*> m_pages;
    std::vector<QToolButton*> m_pageButtons;
    TStatusBar* m_staBar = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QTimer* m_qtTimer1 = nullptr;
    QTimer* m_clockTimer = nullptr;
    QTimer* m_startupTimer = nullptr;
    QTimer* m_relayoutTimer = nullptr;

    std::vector<std::function<void()>> m_startupSteps;
    bool m_centred = false;

    // The link; declared in the order it must be torn down in reverse: the port closes (and its
    // threads end) before the demo unit behind it stops. The demo unit's slot is shared with the
    // connection controller, which alone makes the unit (so this file needs no complete type, and
    // a build without the simulated unit leaves the slot empty).
    GuiCommSink m_sink;
    std::shared_ptr<UnitSim> m_demoUnit;
    TComm m_commR;
    CommLinkPort m_port;
    QtLinkTimer m_timer1;
    WindowNotices m_notices;
    LinkSession m_session;
    BlockTransfer m_transfer{m_session, m_image};
    // Tells the pages of the regions the link decoded.
    class RegionEvents : public LinkListener {
    public:
        explicit RegionEvents(Tfrm_mainset& window) : m_window(window) {}
        void RegionDecoded(RegionId region, bool decoded) override {
            if (decoded) {
                m_window.NotifyRegionDecoded(region);
            }
        }

    private:
        Tfrm_mainset& m_window;
    } m_regionEvents{*this};

    // The settings binding over the widgets of the settings pages (found by name when used).
    WidgetSettingsControls m_settingsControls{m_components, m_codec};
    CatalogSettingsTexts m_settingsTexts{m_catalog, TextCatalog::UserDecimalSeparator()};
    SettingsBinding m_settings{m_settingsControls, m_image, m_settingsTexts,
                               TextCatalog::UserDecimalSeparator()};

    // Every view filled from a record region, and the file dialogs every file command shares.
    RecordViews m_recordViews;
    FileDialogs m_fileDialogs{*this, m_options.chooseFile};

    // What the pages are built from, the pages in notebook order, and the window's commands.
    std::unique_ptr<PageContext> m_pageContext;
    std::vector<std::unique_ptr<WindowPage>> m_pageObjects;
    std::unique_ptr<ConnectionController> m_connection;
    std::unique_ptr<ProfileButtons> m_profiles;
    std::unique_ptr<RecordCommands> m_recordCommands;
};

}  // namespace carecfg
