#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <stdexcept>

#include "app/CaptionApplier.h"
#include "app/ConnectionController.h"
#include "app/OutlookBar.h"
#include "app/ProfileButtons.h"
#include "app/RecordCommands.h"
#include "app/StatusBar.h"
#include "app/WindowGeometry.h"
#include "app/help/HelpDocuments.h"
#include "app/pages/BasicSettingsPage.h"
#include "app/pages/HomePage.h"
#include "app/pages/PageTable.h"
#include "app/pages/PasswordTab.h"
#include "settings/Profiles.h"
#include "text/ConfigValues.h"
#include "text/ExecutableDir.h"

namespace carecfg {

namespace {

constexpr int kOutlookBarWidth = 137;
constexpr int kSplitterWidth = 3;
constexpr int kStatusBarHeight = 19;
constexpr int kStatusPanelWidths[] = {80, 80, 200, 80, 60, 50};
constexpr int kProgressAfterPanel = 4;
constexpr int kClockInterval = 1000;
constexpr int kStartupInterval = 20;
constexpr int kRelayoutInterval = 1500;

// One button of the navigation bar. pageTag is the page number plus one; 0 for buttons with
// actions of their own.
struct NavButton {
    const char* name;
    const char* caption;
    ComponentKind kind;
    int pageTag;
};

struct NavHeading {
    const char* panel;
    const char* caption;
    std::vector<NavButton> buttons;
};

const std::vector<NavHeading>& NavigationTable() {
    using K = ComponentKind;
    static const std::vector<NavHeading> table = {
        {"FuncTp",
         "Function Settings",
         {{"tefxSpeedButton20", " Home  Page", K::Theme, 1},
          {"tefxSpeedButton19", "Basic   Settings", K::Theme, 2},
          {"tefxSpeedButton18", "Security Settings", K::Theme, 3},
          {"tefxSpeedButton17", "Health    Care", K::Theme, 4},
          {"SpeedButton21", "Load     Profile", K::SpeedButton, 0},
          {"SpeedButton20", "Save Profile as", K::SpeedButton, 0},
          {"SpeedButton15", "Read Settings", K::SpeedButton, 0},
          {"SpeedButton17", "Save Settings", K::SpeedButton, 0},
          {"Button6", "Factory Default", K::PushButton, 0}}},
        {"RecTp",
         "Historical Record",
         {{"tefxSpeedButton8", "Alarm Record", K::Theme, 5},
          {"tefxSpeedButton7", "Armed Record", K::Theme, 6},
          {"tefxSpeedButton6", "Incoming Record", K::Theme, 7},
          {"tefxSpeedButton5", "Dial Out Record", K::Theme, 8},
          {"tefxSpeedButton4", "Inbox", K::Theme, 9},
          {"tefxSpeedButton13", "OutBox", K::Theme, 10},
          {"tefxSpeedButton14", "Blood Record", K::Theme, 11},
          {"tefxSpeedButton15", "Glucose Record", K::Theme, 12},
          {"tefxSpeedButton16", "Weight Record", K::Theme, 13},
          {"Button1", "Load Record", K::PushButton, 0},
          {"Button22", "Export Record", K::PushButton, 0},
          {"Button23", "Read Record", K::PushButton, 0},
          {"Button24", "Clear Record", K::PushButton, 0}}},
        {"HelpTp",
         "Help",
         {{"tefxSpeedButton12", "Quickly Guide", K::Theme, 14},
          {"tefxSpeedButton11", "GPRS Test", K::Theme, 15},
          {"tefxSpeedButton10", "About Us", K::Theme, 16}}},
    };
    return table;
}

constexpr const char* kPageTag = "pageTag";

}  // namespace

const std::vector<const char*>& Tfrm_mainset::LoginVisibleControls() {
    return ConnectionController::LoginVisibleControls();
}

const std::vector<const char*>& Tfrm_mainset::LoginEnabledControls() {
    return ConnectionController::LoginEnabledControls();
}

Tfrm_mainset::Tfrm_mainset(WindowOptions options, QWidget* parent)
    : QWidget(parent),
      m_options(std::move(options)),
      m_catalog(m_options.catalogPath.empty() ? ExecutableDir() / "skin.ini"
                                              : m_options.catalogPath),
      m_codec(TextCodec::FromCatalog(m_catalog)),
      m_qtTimer1(new QTimer(this)),
      m_sink(this),
      m_commR(m_sink),
      m_port(m_commR),
      m_timer1(*m_qtTimer1),
      m_notices(
          WindowLinkHooks{[this](const std::string& key) { ShowMessageBox(key); },
                          [this](const std::string& key) {
                              if (m_staBar != nullptr) {
                                  m_staBar->SetPanelText(0, MessageString(key));
                              }
                          },
                          [this](int bar, const std::string& panel) { ShowProgress(bar, panel); },
                          [this](const IdentityReply& identity) { ShowIdentity(identity); },
                          [this] { LoginAccepted(); }}),
      m_session(m_port, m_timer1, m_notices, [] { QCoreApplication::processEvents(); }) {
    setObjectName(QStringLiteral("frm_mainset"));
    m_commR.ApplyCommRSettings();
    m_commR.SetCommName("COM1");
    m_transfer.SetDecoder(RegionId::Settings, [this](const DeviceImage&) {
        m_settings.TakeSettingsFromImage();
        return true;
    });
    m_transfer.SetSettingsEncoder([this] { return m_settings.EncodeSettings(); });
    m_commR.OnReceiveData = [this](TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        CommRReceiveData(buffer, length);
    };
    m_session.AddListener(m_regionEvents);
    m_pageContext.reset(new PageContext{m_components, m_catalog, m_codec, m_image, m_session,
                                        m_timer1, m_transfer, m_settings, m_notices, *this,
                                        DocumentDir(), m_recordViews, m_fileDialogs});

    BuildComponents();
    // Only what the user does to a settings control reaches the binding's behaviours.
    new SettingsUserActions(m_components, m_settings, m_codec, this);
    ConnectionController::PasswordPrompt askPassword = m_options.askPassword;
    if (!askPassword) {
        // The password is masked while it is typed.
        askPassword = [this](const QString& title,
                             const QString& prompt) -> std::optional<QString> {
            bool ok = false;
            const QString text =
                QInputDialog::getText(this, title, prompt, QLineEdit::Password, QString(), &ok);
            return ok ? std::optional<QString>(text) : std::nullopt;
        };
    }
    m_connection = std::make_unique<ConnectionController>(
        *m_pageContext, m_commR, m_demoUnit, std::move(askPassword),
        [this](bool on) { NotifyLoginState(on); });
    m_profiles = std::make_unique<ProfileButtons>(*m_pageContext);
    m_recordCommands = std::make_unique<RecordCommands>(*m_pageContext);
    FormCreate();
}

Tfrm_mainset::~Tfrm_mainset() {
    m_commR.OnReceiveData = nullptr;
    m_commR.ClosePort();
    m_session.RemoveListener(m_regionEvents);
}

QString Tfrm_mainset::MessageString(std::string_view key) const {
    return QString::fromStdString(m_codec.ToUtf8(m_catalog.MessageText(key)));
}

QString Tfrm_mainset::FormString(std::string_view key, const QString& def) const {
    const auto value = m_catalog.Lookup("FORM", key);
    if (!value) {
        return def;
    }
    return QString::fromStdString(m_codec.ToUtf8(*value));
}

std::filesystem::path Tfrm_mainset::DocumentDir() const {
    return m_options.documentDir.empty() ? ExecutableDir() : m_options.documentDir;
}

template <class Part>
Part* Tfrm_mainset::FindPart() const {
    for (const auto& page : m_pageObjects) {
        if (auto* p = dynamic_cast<Part*>(page.get())) {
            return p;
        }
    }
    return nullptr;
}

int Tfrm_mainset::CurrentPage() const {
    return m_notebook->currentIndex();
}

QWidget* Tfrm_mainset::Page(int index) const {
    if (index < 0 || index >= static_cast<int>(m_pages.size())) {
        return nullptr;
    }
    return m_pages[index];
}

void Tfrm_mainset::AddStartupStep(std::function<void()> step) {
    m_startupSteps.push_back(std::move(step));
}

// ---------------------------------------------------------------------------------------------
// The window definition: every component, in creation order.

void Tfrm_mainset::BuildComponents() {
    setMinimumSize(kMinimumWindowWidth, kMinimumWindowHeight);
    resize(957, 609);
    // The skin comes first: styling each widget as it is made is far cheaper than restyling
    // some 3000 made widgets at once.
    LoadSkin();

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* splitter =
        m_components.AddTheme(new QSplitter(Qt::Horizontal, this), QStringLiteral("TeSplitter1"));
    splitter->setHandleWidth(kSplitterWidth);
    splitter->setChildrenCollapsible(false);
    root->addWidget(splitter, 1);

    BuildNavigationBar();
    splitter->addWidget(m_outlookBar);
    // The notebook joins the window before its pages are built: every widget then takes the
    // window's style sheet as it is made, instead of the whole tree being restyled when it is
    // moved into the window, which costs several times as much.
    m_notebook = m_components.AddTheme(new QStackedWidget, QStringLiteral("TeNotebook"));
    splitter->addWidget(m_notebook);
    BuildNotebook();
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kOutlookBarWidth, 957 - kOutlookBarWidth - kSplitterWidth});

    BuildStatusBar();
    root->addWidget(m_staBar);
    BuildTimers();
}

void Tfrm_mainset::BuildNavigationBar() {
    m_outlookBar = m_components.AddTheme(new TOutlookBar, QStringLiteral("TeOutlookBar1"));
    m_outlookBar->setMinimumWidth(kOutlookBarWidth);
    m_outlookBar->resize(kOutlookBarWidth, m_outlookBar->height());
    for (const NavHeading& heading : NavigationTable()) {
        auto* panel = m_components.AddTheme(new QWidget, QString::fromLatin1(heading.panel));
        auto* column = new QVBoxLayout(panel);
        column->setContentsMargins(4, 4, 4, 4);
        column->setSpacing(2);
        for (const NavButton& b : heading.buttons) {
            const QString name = QString::fromLatin1(b.name);
            const QString caption = QString::fromLatin1(b.caption);
            QAbstractButton* button = nullptr;
            if (b.kind == ComponentKind::PushButton) {
                button = m_components.Add(new QPushButton(caption, panel), name);
            } else {
                auto* tool = b.kind == ComponentKind::Theme
                                 ? m_components.AddTheme(new QToolButton(panel), name)
                                 : m_components.Add(new QToolButton(panel), name);
                tool->setText(caption);
                tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
                tool->setAutoRaise(true);
                button = tool;
                if (b.pageTag > 0) {
                    tool->setProperty(kPageTag, b.pageTag);
                    m_pageButtons.push_back(tool);
                    connect(tool, &QToolButton::clicked, this,
                            [this, tool] { PageButtonClick(tool); });
                }
            }
            button->setProperty("navButton", true);
            button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            button->setMinimumHeight(28);
            button->setFocusPolicy(Qt::TabFocus);
            column->addWidget(button);
        }
        column->addStretch(1);
        m_outlookBar->AddHeading(panel, QString::fromLatin1(heading.caption));
    }
    if (auto* b = m_components.Find<QAbstractButton>(QStringLiteral("SpeedButton15"))) {
        connect(b, &QAbstractButton::clicked, this, [this] { SpeedButton15Click(); });
    }
    if (auto* b = m_components.Find<QAbstractButton>(QStringLiteral("SpeedButton17"))) {
        connect(b, &QAbstractButton::clicked, this, [this] { SpeedButton17Click(); });
    }
}

void Tfrm_mainset::BuildNotebook() {
    const std::vector<PageRow>& rows = NotebookPages();
    if (rows.size() != static_cast<std::size_t>(kPageCount)) {
        throw std::logic_error("the notebook needs one row per page");
    }
    for (const PageRow& row : rows) {
        auto* sheet = m_components.Add(new QWidget, QString::fromLatin1(row.name));
        m_pages.push_back(sheet);
        m_notebook->addWidget(sheet);
        auto page = row.make(*m_pageContext, *sheet);
        page->Build();
        m_pageObjects.push_back(std::move(page));
    }
    // The notebook is built showing the settings page; creation switches to the home page.
    m_notebook->setCurrentIndex(1);
}

void Tfrm_mainset::BuildStatusBar() {
    m_staBar = m_components.Add(new TStatusBar(this), QStringLiteral("sta_bar"));
    m_staBar->setFixedHeight(kStatusBarHeight);
    for (int width : kStatusPanelWidths) {
        m_staBar->AddPanel(width);
    }
    m_staBar->SetPanelText(1, QStringLiteral("115200 8N1"));
    m_staBar->SetPanelText(2, QStringLiteral("GSM care and alarm unit"));
    m_staBar->SetPanelText(3, QStringLiteral("carecfg"));
    m_staBar->SetPanelText(4, QStringLiteral("0%"));
    m_progressBar = m_components.Add(new QProgressBar(m_staBar), QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
}

void Tfrm_mainset::BuildTimers() {
    m_components.Add(m_qtTimer1, QStringLiteral("Timer1"));
    connect(m_qtTimer1, &QTimer::timeout, this, [this] { m_session.Timer1Timer(); });

    m_clockTimer = m_components.Add(new QTimer(this), QStringLiteral("Timer3"));
    m_clockTimer->setInterval(kClockInterval);
    // A coarse timer may tick up to 5% late, which would show a new second more than one
    // second after it began.
    m_clockTimer->setTimerType(Qt::PreciseTimer);
    connect(m_clockTimer, &QTimer::timeout, this, [this] { ClockTimerTimer(); });
    m_clockTimer->start();

    m_startupTimer = m_components.Add(new QTimer(this), QStringLiteral("Timer4"));
    m_startupTimer->setInterval(kStartupInterval);
    connect(m_startupTimer, &QTimer::timeout, this, [this] { StartupTimerTimer(); });

    m_relayoutTimer = m_components.Add(new QTimer(this), QStringLiteral("Timer5"));
    m_relayoutTimer->setInterval(kRelayoutInterval);
    connect(m_relayoutTimer, &QTimer::timeout, this, [this] { RelayoutTimerTimer(); });
    m_relayoutTimer->start();
}

// ---------------------------------------------------------------------------------------------
// Creation.

void Tfrm_mainset::FormCreate() {
    RestoreSize();
    // Steps from the skin to the home page layout form one group: a failure skips the rest of
    // the group, and creation goes on with the documents and the home page.
    try {
        // The skin was loaded before the components were built (BuildComponents).
        m_image.EraseAll();
        // Qt widgets draw double-buffered already.
        // Status "M3", port button "M14", port state "M20".
        m_connection->ShowClosed("M3");
        // A resendtime that is no whole number means no timed resend; creation goes on.
        m_timer1.SetInterval(ResendIntervalFromCatalog(m_catalog));
        m_staBar->PlaceOver(m_progressBar, kProgressAfterPanel, 2);
        m_startupTimer->start();
        SetLoginState(false);
        m_outlookBar->SetCurrentIndex(0);
        LayoutHomePage();
    } catch (const std::exception&) {
    }
    FillParents();
    LoadHelpDocuments();
    m_notebook->setCurrentIndex(0);
    AddStartupStep([this] {
        // The caption applier covers these texts too; they are set first so that the home title
        // and the status panels have them at once.
        ApplyShellTexts();
        // The default profile comes after every caption, so no catalogue text overwrites its
        // values; the threshold lists follow, and refilling a list keeps the box's text. The
        // layout then follows the catalogue's title.
        ApplyCatalogToForm(*this, m_components, m_catalog, m_codec, [this] {
            LoadDefaultProfile(m_settings, DocumentDir());
            m_settings.FillThresholdListsAtStart();
            LayoutHomePage();
            emit StartupFinished();
        });
    });
}

void Tfrm_mainset::RestoreSize() {
    const QSize screen = ScreenSize();
    const WindowBounds d = DefaultWindowBounds(screen.width(), screen.height());
    const TextCatalog::Geometry g =
        m_catalog.ReadWindowGeometry(TextCatalog::Geometry{d.left, d.top, d.width, d.height});
    const WindowBounds b = LimitRestoredBounds(WindowBounds{g.left, g.top, g.width, g.height},
                                               screen.width(), screen.height());
    move(b.left, b.top);
    resize(std::max(b.width, kMinimumWindowWidth), std::max(b.height, kMinimumWindowHeight));
}

QSize Tfrm_mainset::ScreenSize() const {
    if (m_options.screenSize) {
        return *m_options.screenSize;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        return screen->geometry().size();
    }
    return QSize(1024, 768);
}

void Tfrm_mainset::LoadSkin() {
    QFile skin(QStringLiteral(":/mxskn"));
    if (skin.open(QIODevice::ReadOnly)) {
        setStyleSheet(QString::fromUtf8(skin.readAll()));
    }
}

void Tfrm_mainset::FillParents() {
    for (const Component& c : m_components.Components()) {
        auto* widget = qobject_cast<QWidget*>(c.object.data());
        if (widget == nullptr || !widget->property(kFillParentProperty).toBool()) {
            continue;
        }
        QWidget* parent = widget->parentWidget();
        if (parent == nullptr || parent->layout() != nullptr) {
            continue;
        }
        auto* fill = new QVBoxLayout(parent);
        fill->setContentsMargins(0, 0, 0, 0);
        fill->addWidget(widget);
    }
}

void Tfrm_mainset::LoadHelpDocuments() {
    const std::filesystem::path dir = DocumentDir();
    struct Document {
        const char* component;
        std::string_view file;
        std::string_view builtIn;
    };
    const Document documents[] = {{"ReadMeRTE", kHelpDocumentName, kReadMeRTEBuiltInText},
                                  {"ContactRTE", kContactDocumentName, kContactRTEBuiltInText}};
    for (const Document& d : documents) {
        auto* rte = m_components.Find<QTextEdit>(QString::fromLatin1(d.component));
        if (rte == nullptr) {
            continue;
        }
        const HelpLoad load = LoadHelpDocument(dir / d.file, m_codec, d.builtIn);
        if (load.failed) {
            // The page keeps its built-in text; the other document and creation go on. The box
            // names the document and the reason in the system's words after the text of M34.
            if (m_options.showMessage) {
                m_notices.ShowMessage("M34");
            } else {
                QMessageBox::information(
                    this, QStringLiteral("carecfg"),
                    MessageString("M34") + QStringLiteral("\n\n") +
                        QString::fromUtf8(d.file.data(), static_cast<qsizetype>(d.file.size())) +
                        QStringLiteral(": ") + QString::fromLocal8Bit(load.errorText));
            }
            continue;
        }
        rte->setHtml(QString::fromStdString(load.html));
    }
}

// Texts of the shell that come from the catalogue's FORM section: the window title, the home
// page title and the fixed status panels.
void Tfrm_mainset::ApplyShellTexts() {
    setWindowTitle(FormString("frm_mainset.caption", QString()));
    if (auto* title = m_components.Find<QLabel>(QStringLiteral("Label324"))) {
        title->setText(FormString("Label324.Caption", title->text()));
    }
    for (int i = 0; i < m_staBar->PanelCount(); ++i) {
        const std::string key = "sta_bar.Panels[" + std::to_string(i) + "].text";
        m_staBar->SetPanelText(i, FormString(key, m_staBar->PanelText(i)));
    }
}

// ---------------------------------------------------------------------------------------------
// Layout, timers, geometry.

void Tfrm_mainset::LayoutHomePage() {
    for (const auto& page : m_pageObjects) {
        page->Relayout();
    }
}

void Tfrm_mainset::ClockTimerTimer() {
    if (auto* home = FindPart<HomePage>()) {
        home->ShowClock();
    }
}

void Tfrm_mainset::StartupTimerTimer() {
    m_startupTimer->stop();
    for (const auto& step : m_startupSteps) {
        step();
    }
}

void Tfrm_mainset::RelayoutTimerTimer() {
    LayoutHomePage();
    m_relayoutTimer->stop();
}

void Tfrm_mainset::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        const QSize screen = ScreenSize();
        const WindowOrigin o = CentredOrigin(screen.width(), screen.height(), width(), height());
        move(o.left, o.top);
    }
}

void Tfrm_mainset::closeEvent(QCloseEvent* event) {
    try {
        m_catalog.WriteWindowGeometry(TextCatalog::Geometry{x(), y(), width(), height()});
    } catch (const std::exception&) {
        // The bounds are a convenience; closing goes on without them.
    }
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Navigation.

void Tfrm_mainset::PageButtonClick(QObject* sender) {
    auto* button = qobject_cast<QToolButton*>(sender);
    if (button == nullptr ||
        std::find(m_pageButtons.begin(), m_pageButtons.end(), button) == m_pageButtons.end()) {
        return;
    }
    bool ok = false;
    const int tag = button->property(kPageTag).toInt(&ok);
    if (!ok || tag < 1 || tag > kPageCount) {
        return;
    }
    m_notebook->setCurrentIndex(tag - 1);
}

// ---------------------------------------------------------------------------------------------
// Working cycle.

void Tfrm_mainset::ShowMessageBox(const std::string& key) {
    if (m_options.showMessage) {
        m_options.showMessage(key);
        return;
    }
    QMessageBox::information(this,
                             windowTitle().isEmpty() ? QStringLiteral("carecfg") : windowTitle(),
                             MessageString(key));
}

void Tfrm_mainset::NotifyLoginState(bool on) {
    for (const auto& page : m_pageObjects) {
        page->LoginStateChanged(on);
    }
}

void Tfrm_mainset::NotifyRegionDecoded(RegionId region) {
    for (const auto& page : m_pageObjects) {
        page->RegionDecoded(region);
    }
}

void Tfrm_mainset::ConnectionToggle() {
    m_connection->ConnectionToggle();
}

void Tfrm_mainset::Login() {
    m_connection->Login();
}

void Tfrm_mainset::LoginWithPassword(const QString& password) {
    m_connection->LoginWithPassword(password);
}

void Tfrm_mainset::LoginAccepted() {
    if (m_connection) {
        m_connection->LoginAccepted();
    }
}

void Tfrm_mainset::SetLoginState(bool on) {
    m_connection->SetLoginState(on);
}

void Tfrm_mainset::ShowIdentity(const IdentityReply& identity) {
    if (m_connection) {
        m_connection->ShowIdentity(identity);
    }
}

void Tfrm_mainset::ShowProgress(int bar, const std::string& panel) {
    if (m_progressBar != nullptr) {
        m_progressBar->setValue(bar);
    }
    if (m_staBar != nullptr) {
        m_staBar->SetPanelText(4, QString::fromStdString(panel));
    }
}

void Tfrm_mainset::Button3Click() {
    m_connection->SetClock();
}

void Tfrm_mainset::Button6Click() {
    m_connection->FactoryDefault();
}

void Tfrm_mainset::SpeedButton15Click() {
    m_transfer.ReadRegion(RegionId::Settings);
}

void Tfrm_mainset::SpeedButton17Click() {
    m_transfer.WriteSettings();
}

void Tfrm_mainset::SpeedButton20Click() {
    m_profiles->SaveProfileAs();
}

void Tfrm_mainset::SpeedButton21Click() {
    m_profiles->LoadProfile();
}

void Tfrm_mainset::Button19Click() {
    if (auto* basic = FindPart<BasicSettingsPage>()) {
        if (auto* tab = basic->FindTab<PasswordTab>()) {
            tab->SetUserPassword();
        }
    }
}

void Tfrm_mainset::Button20Click() {
    if (auto* basic = FindPart<BasicSettingsPage>()) {
        if (auto* tab = basic->FindTab<PasswordTab>()) {
            tab->SetAdminPassword();
        }
    }
}

void Tfrm_mainset::Button21Click() {
    if (auto* basic = FindPart<BasicSettingsPage>()) {
        if (auto* tab = basic->FindTab<PasswordTab>()) {
            tab->ChangeSimPin();
        }
    }
}

void Tfrm_mainset::CommRReceiveData(const std::uint8_t* buffer, std::uint16_t length) {
    m_session.FeedChunk(buffer, length);
}

}  // namespace carecfg
