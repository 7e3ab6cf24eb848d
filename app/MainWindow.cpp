#include "app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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

#include <ctime>
#include <stdexcept>

#include "app/HomeLayout.h"
#include "app/OutlookBar.h"
#include "app/PageControl.h"
#include "app/StatusBar.h"
#include "app/WindowGeometry.h"
#include "app/help/HelpDocuments.h"
#include "serial/PortNames.h"
#include "settings/Profiles.h"
#include "sim/UnitSim.h"
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
constexpr int kHomeButtonWidth = 130;
constexpr int kHomeButtonHeight = 34;

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

// Names of the notebook's pages, in page order.
constexpr const char* kPageNames[Tfrm_mainset::kPageCount] = {
    "HomePage",        "BasicPage",       "SecurityPage", "HealthPage",
    "AlarmRecordPage", "ArmedRecordPage", "IncomingPage", "DialOutPage",
    "InboxPage",       "OutboxPage",      "BloodPage",    "GlucosePage",
    "WeightPage",      "GuidePage",       "GprsTestPage", "AboutPage"};

// Property marking widgets built aligned to the top of their parent; creation makes them fill it.
constexpr const char* kAlignTop = "alignTop";
constexpr const char* kPageTag = "pageTag";

}  // namespace

const std::vector<const char*>& Tfrm_mainset::LoginVisibleControls() {
    static const std::vector<const char*> names = {
        "Button6",  "SpeedButton17", "Button19", "Button20", "Button21",
        "Button25", "Button27",      "Button29", "Button31", "Button33",
        "Button35", "Button38",      "Button41", "Button44", "Button24"};
    return names;
}

const std::vector<const char*>& Tfrm_mainset::LoginEnabledControls() {
    static const std::vector<const char*> names = {"TabSheet21", "TabSheet4", "TabSheet5",
                                                   "TabSheet1", "TabSheet6"};
    return names;
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

    BuildComponents();
    FormCreate();
}

Tfrm_mainset::~Tfrm_mainset() {
    m_commR.OnReceiveData = nullptr;
    m_commR.ClosePort();
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

std::string Tfrm_mainset::ToCodePage(const QString& text) const {
    return m_codec.FromUtf8(text.toStdString());
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
    BuildNotebook();
    splitter->addWidget(m_notebook);
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
    if (auto* b = m_components.Find<QPushButton>(QStringLiteral("Button6"))) {
        connect(b, &QPushButton::clicked, this, [this] { Button6Click(); });
    }
    if (auto* b = m_components.Find<QAbstractButton>(QStringLiteral("SpeedButton15"))) {
        connect(b, &QAbstractButton::clicked, this, [this] { SpeedButton15Click(); });
    }
    if (auto* b = m_components.Find<QAbstractButton>(QStringLiteral("SpeedButton17"))) {
        connect(b, &QAbstractButton::clicked, this, [this] { SpeedButton17Click(); });
    }
}

void Tfrm_mainset::BuildNotebook() {
    m_notebook = m_components.AddTheme(new QStackedWidget, QStringLiteral("TeNotebook"));
    for (int i = 0; i < kPageCount; ++i) {
        auto* page = m_components.Add(new QWidget, QString::fromLatin1(kPageNames[i]));
        m_pages.push_back(page);
        m_notebook->addWidget(page);
        if (i == 0) {
            BuildHomePage(page);
        } else if (i == 1) {
            BuildBasicPage(page);
        }
    }
    BuildHelpPages();
    // The notebook is built showing the settings page; creation switches to the home page.
    m_notebook->setCurrentIndex(1);
}

void Tfrm_mainset::BuildHomePage(QWidget* page) {
    m_homeGroup = m_components.AddTheme(new QGroupBox(page), QStringLiteral("TeGroupBox1"));
    m_homeGroup->setProperty(kAlignTop, true);
    m_homeGroup->installEventFilter(this);

    m_title = m_components.Add(new QLabel(QStringLiteral("Care Unit Configuration"), m_homeGroup),
                               QStringLiteral("Label324"));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setProperty("homeTitle", true);
    QFont titleFont = m_title->font();
    titleFont.setPointSize(28);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_clock = m_components.Add(new QLabel(m_homeGroup), QStringLiteral("Label326"));
    m_clock->setProperty("homeClock", true);

    m_portLabel = m_components.Add(new QLabel(QStringLiteral("Com Port"), m_homeGroup),
                                   QStringLiteral("Label1"));

    m_cboxCom = m_components.Add(new QComboBox(m_homeGroup), QStringLiteral("cbox_com"));
    m_cboxCom->setEditable(true);
    m_cboxCom->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                         QStringLiteral("COM4"), QStringLiteral("COM5"), QStringLiteral("DEMO")});
    m_cboxCom->setCurrentText(QStringLiteral("COM1"));
    m_cboxCom->setFixedWidth(120);

    m_portState = m_components.Add(new QLabel(m_homeGroup), QStringLiteral("Label327"));
    m_portState->setProperty("portState", true);

    m_portButton = m_components.Add(new QToolButton(m_homeGroup), QStringLiteral("SpeedButton10"));
    m_portButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_portButton->setProperty("homeButton", true);
    connect(m_portButton, &QToolButton::clicked, this, [this] { ConnectionToggle(); });

    m_button3 = m_components.Add(new QPushButton(QStringLiteral("Set Clock"), m_homeGroup),
                                 QStringLiteral("Button3"));
    connect(m_button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    m_button4 = m_components.Add(new QPushButton(QStringLiteral("Login"), m_homeGroup),
                                 QStringLiteral("Button4"));
    connect(m_button4, &QPushButton::clicked, this, [this] { Login(); });
    for (QWidget* b : {static_cast<QWidget*>(m_portButton), static_cast<QWidget*>(m_button3),
                       static_cast<QWidget*>(m_button4)}) {
        b->setFixedSize(kHomeButtonWidth, kHomeButtonHeight);
    }
    ClockTimerTimer();
}

void Tfrm_mainset::BuildBasicPage(QWidget* page) {
    m_basicGroup = m_components.AddTheme(new QGroupBox(page), QStringLiteral("TeGroupBox2"));
    m_basicGroup->setProperty(kAlignTop, true);
    m_basicGroup->installEventFilter(this);
    auto* layout = new QVBoxLayout(m_basicGroup);
    layout->setContentsMargins(8, 8, 8, 8);

    m_pageControl4 =
        m_components.Add(new TPageControl(m_basicGroup), QStringLiteral("PageControl4"));
    layout->addWidget(m_pageControl4);
    const std::pair<const char*, const char*> sheets[] = {{"TabSheet21", "Password"},
                                                          {"TabSheet4", "Alarm Receivers"},
                                                          {"TabSheet5", "Speed Dial"},
                                                          {"TabSheet1", "GPRS / Email"},
                                                          {"TabSheet6", "Alarming Clock"}};
    for (const auto& [name, caption] : sheets) {
        auto* sheet = m_components.AddTabSheet(new QWidget, QString::fromLatin1(name));
        m_pageControl4->addTab(sheet, QString::fromLatin1(caption));
        if (sheet->objectName() == QLatin1String("TabSheet21")) {
            BuildTabSheet21(sheet);
        }
    }
}

void Tfrm_mainset::BuildTabSheet21(QWidget* sheet) {
    auto* outer = new QGridLayout(sheet);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setHorizontalSpacing(16);
    outer->setVerticalSpacing(16);

    auto group = [&](const char* name, const QString& caption) {
        auto* box = m_components.Add(new QGroupBox(caption, sheet), QString::fromLatin1(name));
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(12, 16, 12, 12);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(8);
        grid->setColumnStretch(1, 1);
        return std::pair{box, grid};
    };
    auto label = [&](QGridLayout* grid, int row, const char* name, const QString& text) {
        auto* l = m_components.Add(new QLabel(text), QString::fromLatin1(name));
        grid->addWidget(l, row, 0);
        return l;
    };
    auto edit = [&](QGridLayout* grid, int row, const char* name, int maxLength, bool secret) {
        auto* e = m_components.Add(new QLineEdit, QString::fromLatin1(name));
        if (maxLength > 0) {
            e->setMaxLength(maxLength);
        }
        if (secret) {
            e->setEchoMode(QLineEdit::Password);
        }
        grid->addWidget(e, row, 1);
        return e;
    };
    auto button = [&](QGridLayout* grid, int row, const char* name, const QString& text) {
        auto* b = m_components.Add(new QPushButton(text), QString::fromLatin1(name));
        b->setMinimumWidth(150);
        grid->addWidget(b, row, 1, Qt::AlignRight);
        return b;
    };

    auto [identity, idGrid] = group("GroupBoxIdentity", QStringLiteral("Device"));
    label(idGrid, 0, "LabelDeviceId", QStringLiteral("Device ID:"));
    label(idGrid, 1, "LabelFirmware", QStringLiteral("Firmware Version:"));
    label(idGrid, 2, "LabelImei", QStringLiteral("IMEI:"));
    for (auto [row, name] : {std::pair{0, "Edit2"}, {1, "Edit336"}, {2, "Edit335"}}) {
        QLineEdit* e = edit(idGrid, row, name, 0, false);
        e->setReadOnly(true);
        e->setEnabled(false);
    }
    idGrid->setRowStretch(3, 1);

    auto [user, userGrid] = group("GroupBoxUserPassword", QStringLiteral("User Password"));
    label(userGrid, 0, "LabelUserPassword", QStringLiteral("New Password:"));
    label(userGrid, 1, "LabelUserRepeat", QStringLiteral("Confirm Password:"));
    edit(userGrid, 0, "Edit372", 4, true);
    edit(userGrid, 1, "Edit373", 4, true);
    connect(button(userGrid, 2, "Button19", QStringLiteral("Set User Password")),
            &QPushButton::clicked, this, [this] { Button19Click(); });

    auto [admin, adminGrid] =
        group("GroupBoxAdminPassword", QStringLiteral("Administrator Password"));
    label(adminGrid, 0, "LabelAdminPassword", QStringLiteral("New Password:"));
    label(adminGrid, 1, "LabelAdminRepeat", QStringLiteral("Confirm Password:"));
    edit(adminGrid, 0, "Edit1", 6, true);
    edit(adminGrid, 1, "Edit339", 6, true);
    connect(button(adminGrid, 2, "Button20", QStringLiteral("Set Admin Password")),
            &QPushButton::clicked, this, [this] { Button20Click(); });

    auto [pin, pinGrid] = group("GroupBoxSimPin", QStringLiteral("SIM Card PIN"));
    label(pinGrid, 0, "LabelNewPin", QStringLiteral("New Simcard PIN Code:"));
    label(pinGrid, 1, "LabelOldPin", QString::fromUtf8("Old Simcard PIN Code\xEF\xBC\x9A"));
    edit(pinGrid, 0, "Edit374", 6, true);
    edit(pinGrid, 1, "Edit330", 6, true);
    connect(button(pinGrid, 2, "Button21", QStringLiteral("Change PIN")), &QPushButton::clicked,
            this, [this] { Button21Click(); });

    outer->addWidget(identity, 0, 0);
    outer->addWidget(pin, 0, 1);
    outer->addWidget(user, 1, 0);
    outer->addWidget(admin, 1, 1);
    outer->setRowStretch(2, 1);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(1, 1);
}

void Tfrm_mainset::BuildHelpPages() {
    struct HelpPage {
        int page;
        const char* name;
        bool editable;
        bool scrollBars;
        std::string_view builtIn;
    };
    const HelpPage pages[] = {{13, "ReadMeRTE", false, true, kReadMeRTEBuiltInText},
                              {14, "GPRSLogRTE", true, false, kGPRSLogRTEBuiltInText},
                              {15, "ContactRTE", false, true, kContactRTEBuiltInText}};
    for (const HelpPage& p : pages) {
        auto* rte = m_components.Add(new QTextEdit(m_pages[p.page]), QString::fromLatin1(p.name));
        rte->setReadOnly(!p.editable);
        rte->setAcceptRichText(true);
        rte->setPlainText(
            QString::fromUtf8(p.builtIn.data(), static_cast<qsizetype>(p.builtIn.size())));
        if (!p.scrollBars) {
            rte->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            rte->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
        QFont font = rte->font();
        font.setPixelSize(13);
        rte->setFont(font);
        rte->document()->setDocumentMargin(12);
        rte->setProperty(kAlignTop, true);
    }
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
        LoadSkin();
        m_image.EraseAll();
        // Qt widgets draw double-buffered already.
        m_staBar->SetPanelText(0, MessageString("M3"));
        m_portButton->setText(MessageString("M14"));
        // A resendtime that is no whole number means no timed resend; creation goes on.
        m_timer1.SetInterval(ResendIntervalFromCatalog(m_catalog));
        m_portState->setText(MessageString("M20"));
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
    AddStartupStep([this] { ApplyShellTexts(); });
    // The default profile comes after every caption, so no catalogue text overwrites its values;
    // the threshold lists follow, and refilling a list keeps the box's text.
    AddStartupStep([this] {
        LoadDefaultProfile(m_settings,
                           m_options.documentDir.empty() ? ExecutableDir() : m_options.documentDir);
        m_settings.FillThresholdListsAtStart();
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
        if (widget == nullptr || !widget->property(kAlignTop).toBool()) {
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
    const std::filesystem::path dir =
        m_options.documentDir.empty() ? ExecutableDir() : m_options.documentDir;
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
            // The page keeps its built-in text; the other document and creation go on.
            m_notices.ShowMessage("M34");
            continue;
        }
        rte->setHtml(QString::fromStdString(load.html));
    }
}

// Texts of the shell that come from the catalogue's FORM section: the window title, the home
// page title and the fixed status panels.
void Tfrm_mainset::ApplyShellTexts() {
    setWindowTitle(FormString("frm_mainset.caption", QString()));
    m_title->setText(FormString("Label324.Caption", m_title->text()));
    for (int i = 0; i < m_staBar->PanelCount(); ++i) {
        const std::string key = "sta_bar.Panels[" + std::to_string(i) + "].text";
        m_staBar->SetPanelText(i, FormString(key, m_staBar->PanelText(i)));
    }
}

// ---------------------------------------------------------------------------------------------
// Layout, timers, geometry.

void Tfrm_mainset::LayoutHomePage() {
    if (m_homeGroup == nullptr) {
        return;
    }
    const int g = m_homeGroup->width();

    QFont titleFont = m_title->font();
    const int titleSize =
        TitleFontSize(g, static_cast<int>(m_title->text().size()), titleFont.pointSize());
    titleFont.setPointSize(titleSize);
    m_title->setFont(titleFont);
    const int titleTop = m_homeGroup->height() / 3;
    m_title->setGeometry(0, titleTop, g, m_title->sizeHint().height());

    QFont clockFont = m_clock->font();
    clockFont.setPointSize(ClockFontSize(titleSize));
    m_clock->setFont(clockFont);
    m_clock->adjustSize();
    const int clockTop = titleTop + m_title->height() + 20;
    m_clock->move((g - m_clock->width() - 10) / 2, clockTop);

    m_portLabel->adjustSize();
    m_portState->adjustSize();
    const int rowTop = clockTop + m_clock->height() + 30;
    const int labelLeft =
        RowStart(g, m_portLabel->width() + m_cboxCom->width() + m_portState->width(), 60);
    m_portLabel->move(labelLeft, rowTop);
    m_cboxCom->move(labelLeft + m_portLabel->width() + 20, rowTop - 5);
    m_portState->move(m_cboxCom->x() + m_cboxCom->width() + 20, rowTop);

    const int buttonTop = rowTop + m_portState->height() + 20;
    m_portButton->move(RowStart(g, 3 * m_portButton->width(), 40), buttonTop);
    m_button3->move(m_portButton->x() + m_portButton->width() + 20, buttonTop);
    m_button4->move(m_button3->x() + m_button3->width() + 20, buttonTop);

    if (m_basicGroup != nullptr && m_pageControl4 != nullptr) {
        m_pageControl4->SetTabWidth(SettingsTabWidth(m_basicGroup->width()));
    }
}

void Tfrm_mainset::ClockTimerTimer() {
    m_clock->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
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

bool Tfrm_mainset::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && (watched == m_homeGroup || watched == m_basicGroup)) {
        LayoutHomePage();
    }
    return QWidget::eventFilter(watched, event);
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

QString Tfrm_mainset::AskPassword(bool* ok) {
    const QString title = MessageString("M5");
    const QString prompt = MessageString("M6");
    if (m_options.askPassword) {
        const auto answer = m_options.askPassword(title, prompt);
        *ok = answer.has_value();
        return answer.value_or(QString());
    }
    // The password is masked while it is typed.
    return QInputDialog::getText(this, title, prompt, QLineEdit::Password, QString(), ok);
}

void Tfrm_mainset::ConnectionToggle() {
    SetLoginState(false);
    try {
        if (m_portButton->text() == MessageString("M14")) {
            m_commR.ClosePort();
            std::string name = m_cboxCom->currentText().trimmed().toStdString();
            if (IsDemoPortName(name)) {
                if (!m_demoUnit) {
                    m_demoUnit = std::make_unique<UnitSim>();
                }
                if (!m_demoUnit->IsRunning() && !m_demoUnit->Start()) {
                    throw std::runtime_error(m_demoUnit->LastError());
                }
                name = m_demoUnit->TerminalPath();
            }
            m_commR.SetCommName(name);
            m_commR.SetReadIntervalTimeout(
                static_cast<std::uint32_t>(ReadIntervalFromCatalog(m_catalog)));
            m_commR.OpenPort();
            m_staBar->SetPanelText(0, MessageString("M1"));
            m_portButton->setText(MessageString("M15"));
            m_portState->setText(MessageString("M19"));
            m_session.SendReadIdentity();
        } else {
            m_commR.ClosePort();
            m_staBar->SetPanelText(0, MessageString("M3"));
            m_portButton->setText(MessageString("M14"));
            m_portState->setText(MessageString("M20"));
        }
    } catch (const std::exception&) {
        // The failure's own text is not shown; the state is Closed.
        m_staBar->SetPanelText(0, MessageString("M2"));
        m_portButton->setText(MessageString("M14"));
        m_portState->setText(MessageString("M20"));
    }
}

void Tfrm_mainset::Login() {
    bool ok = false;
    const QString password = AskPassword(&ok);
    if (!ok) {
        return;
    }
    LoginWithPassword(password);
}

void Tfrm_mainset::LoginWithPassword(const QString& password) {
    if (password.isEmpty()) {
        return;
    }
    const std::string bytes = ToCodePage(password);
    if (bytes.size() > 6) {
        m_notices.ShowMessage("M7");
        return;
    }
    m_session.SendLogin(bytes);
}

void Tfrm_mainset::LoginAccepted() {
    if (auto* sheet = m_components.Find<QWidget>(QStringLiteral("TabSheet4"))) {
        m_pageControl4->setCurrentWidget(sheet);
    }
    SetLoginState(true);
}

void Tfrm_mainset::SetLoginState(bool on) {
    for (const char* name : LoginVisibleControls()) {
        if (auto* w = m_components.Find<QWidget>(QString::fromLatin1(name))) {
            w->setVisible(on);
        }
    }
    for (const char* name : LoginEnabledControls()) {
        if (auto* w = m_components.Find<QWidget>(QString::fromLatin1(name))) {
            w->setEnabled(on);
        }
    }
}

void Tfrm_mainset::ShowIdentity(const IdentityReply& identity) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"Edit2", &identity.deviceId},
        {"Edit336", &identity.firmwareVersion},
        {"Edit335", &identity.imei}};
    for (const auto& [name, text] : fields) {
        if (auto* e = m_components.Find<QLineEdit>(QString::fromLatin1(name))) {
            e->setText(QString::fromStdString(m_codec.ToUtf8(*text)));
        }
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
    m_session.SendSetClock(ClockStampFromLocalTime(std::time(nullptr)));
    m_timer1.Stop();
}

void Tfrm_mainset::SpeedButton15Click() {
    m_transfer.ReadRegion(RegionId::Settings);
}

void Tfrm_mainset::SpeedButton17Click() {
    m_transfer.WriteSettings();
}

void Tfrm_mainset::Button6Click() {
    m_session.SendFactoryDefault();
    m_timer1.Stop();
}

void Tfrm_mainset::Button19Click() {
    const auto* first = m_components.Find<QLineEdit>(QStringLiteral("Edit372"));
    const auto* second = m_components.Find<QLineEdit>(QStringLiteral("Edit373"));
    if (first->text() != second->text()) {
        m_notices.ShowMessage("M25");
        return;
    }
    m_session.SendSetUserPassword(ToCodePage(first->text()));
}

void Tfrm_mainset::Button20Click() {
    const auto* first = m_components.Find<QLineEdit>(QStringLiteral("Edit1"));
    const auto* second = m_components.Find<QLineEdit>(QStringLiteral("Edit339"));
    if (first->text() != second->text()) {
        m_notices.ShowMessage("M26");
        return;
    }
    m_session.SendSetAdminPassword(ToCodePage(first->text()));
}

void Tfrm_mainset::Button21Click() {
    const auto* upper = m_components.Find<QLineEdit>(QStringLiteral("Edit374"));
    const auto* old = m_components.Find<QLineEdit>(QStringLiteral("Edit330"));
    m_session.SendChangeSimPin(ToCodePage(upper->text()), ToCodePage(old->text()));
}

void Tfrm_mainset::CommRReceiveData(const std::uint8_t* buffer, std::uint16_t length) {
    m_session.FeedChunk(buffer, length);
}

}  // namespace carecfg
