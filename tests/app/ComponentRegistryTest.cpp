#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

#include "app/ComponentRegistry.h"
#include "app/MainWindow.h"
#include "app/PageControl.h"
#include "app/StatusBar.h"
#include "settings/SettingsMap.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;

TEST(ComponentRegistryTest, FindsByNameRegardlessOfCaseAndKeepsCreationOrder) {
    ComponentRegistry registry;
    QWidget parent;
    registry.AddTabSheet(new QWidget(&parent), QStringLiteral("TabSheet21"));
    auto* box = registry.Add(new QComboBox(&parent), QStringLiteral("cbox_com"));

    EXPECT_EQ(box->objectName(), QStringLiteral("cbox_com"));
    EXPECT_EQ(registry.Find(QStringLiteral(" Cbox_Com ")), box);
    EXPECT_EQ(registry.Find<QComboBox>(QStringLiteral("CBOX_COM")), box);
    EXPECT_EQ(registry.Find<QLabel>(QStringLiteral("cbox_com")), nullptr);  // other class
    EXPECT_EQ(registry.KindOf(QStringLiteral("tabsheet21")), ComponentKind::TabSheet);
    EXPECT_EQ(registry.Find(QStringLiteral("nothing")), nullptr);
    EXPECT_FALSE(registry.KindOf(QStringLiteral("nothing")).has_value());
    ASSERT_EQ(registry.Count(), 2u);
    EXPECT_EQ(registry.Components()[0].name, QStringLiteral("TabSheet21"));
    EXPECT_EQ(registry.Components()[1].kind, ComponentKind::DropDownList);
}

TEST(ComponentRegistryTest, ATakenNameInAnyCaseOrNoNameThrowsAndChangesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"cbox_com", "CBOX_COM"}, {"Button3", "button3"}, {"Edit1", " Edit1 "},
        {"Label1", ""},           {"Label1", "   "},
    };
    for (const auto& [first, second] : cases) {
        ComponentRegistry registry;
        QWidget parent;
        auto* kept = registry.Add(new QLabel(&parent), QString::fromLatin1(first));
        QPointer<QLabel> owned = new QLabel(&parent);
        QPointer<QLabel> orphan = new QLabel;
        for (QLabel* candidate : {owned.data(), orphan.data()}) {
            try {
                registry.Add(candidate, QString::fromLatin1(second));
                ADD_FAILURE() << "no error for \"" << second << "\" after \"" << first << "\"";
            } catch (const std::logic_error& e) {
                const std::string text = e.what();
                if (!QString::fromLatin1(second).trimmed().isEmpty()) {
                    EXPECT_NE(text.find(second), std::string::npos) << text;
                }
            }
        }
        EXPECT_EQ(registry.Count(), 1u) << second;
        EXPECT_EQ(registry.Find(QString::fromLatin1(first)), kept) << second;
        EXPECT_FALSE(owned.isNull()) << "a parent's child stays with its parent";
        EXPECT_TRUE(orphan.isNull()) << "an object nobody owns is not leaked";
    }
}

TEST(ComponentRegistryTest, KindsFollowTheClasses) {
    struct Case {
        const char* what;
        std::function<QObject*(QWidget*)> make;
        ComponentKind kind;
    };
    const Case cases[] = {
        {"QLabel", [](QWidget* p) { return new QLabel(p); }, ComponentKind::Label},
        {"QCheckBox", [](QWidget* p) { return new QCheckBox(p); }, ComponentKind::CheckBox},
        {"QComboBox", [](QWidget* p) { return new QComboBox(p); }, ComponentKind::DropDownList},
        {"QLineEdit", [](QWidget* p) { return new QLineEdit(p); }, ComponentKind::Edit},
        {"QLineEdit with a mask",
         [](QWidget* p) {
             auto* e = new QLineEdit(p);
             e->setInputMask(QStringLiteral("99:99"));
             return e;
         },
         ComponentKind::MaskedEdit},
        {"QPushButton", [](QWidget* p) { return new QPushButton(p); }, ComponentKind::PushButton},
        {"QToolButton", [](QWidget* p) { return new QToolButton(p); }, ComponentKind::SpeedButton},
        {"QGroupBox", [](QWidget* p) { return new QGroupBox(p); }, ComponentKind::GroupBox},
        {"QTreeWidget", [](QWidget* p) { return new QTreeWidget(p); }, ComponentKind::ListView},
        {"QTreeView", [](QWidget* p) { return new QTreeView(p); }, ComponentKind::ListView},
        {"QStatusBar", [](QWidget* p) { return new QStatusBar(p); }, ComponentKind::StatusBar},
        {"TStatusBar", [](QWidget* p) { return new TStatusBar(p); }, ComponentKind::StatusBar},
        {"QTextEdit", [](QWidget* p) { return new QTextEdit(p); }, ComponentKind::RichText},
        {"QTextBrowser", [](QWidget* p) { return new QTextBrowser(p); }, ComponentKind::RichText},
        {"QRadioButton", [](QWidget* p) { return new QRadioButton(p); }, ComponentKind::Other},
        {"TPageControl", [](QWidget* p) { return new TPageControl(p); }, ComponentKind::Other},
        {"QProgressBar", [](QWidget* p) { return new QProgressBar(p); }, ComponentKind::Other},
        {"QWidget", [](QWidget* p) { return new QWidget(p); }, ComponentKind::Other},
        {"QTimer", [](QWidget* p) { return new QTimer(p); }, ComponentKind::Other},
    };
    ComponentRegistry registry;
    QWidget parent;
    int n = 0;
    for (const Case& c : cases) {
        const QString name = QStringLiteral("C%1").arg(++n);
        registry.Add(c.make(&parent), name);
        EXPECT_EQ(registry.KindOf(name), c.kind) << c.what;
    }
    // Theme components and tab sheets say so when they are registered, whatever their class.
    registry.AddTheme(new QToolButton(&parent), QStringLiteral("tefxSpeedButton1"));
    registry.AddTheme(new QGroupBox(&parent), QStringLiteral("TeGroupBox1"));
    registry.AddTabSheet(new QWidget(&parent), QStringLiteral("TabSheet1"));
    EXPECT_EQ(registry.KindOf(QStringLiteral("tefxSpeedButton1")), ComponentKind::Theme);
    EXPECT_EQ(registry.KindOf(QStringLiteral("TeGroupBox1")), ComponentKind::Theme);
    EXPECT_EQ(registry.KindOf(QStringLiteral("TabSheet1")), ComponentKind::TabSheet);
}

// Names of the components the caption keys of the shipped skin.ini's FORM section address: the
// key up to its first dot.
std::set<std::string> FormComponentNames() {
    std::ifstream in(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
    std::set<std::string> names;
    bool inForm = false;
    for (std::string line; std::getline(in, line);) {
        const QString text = QString::fromStdString(line).trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            inForm = text.compare(QStringLiteral("[FORM]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const auto equals = text.indexOf(QLatin1Char('='));
        if (!inForm || text.startsWith(QLatin1Char(';')) || equals <= 0) {
            continue;
        }
        const QString key = text.left(equals);
        names.insert(key.left(key.indexOf(QLatin1Char('.'))).trimmed().toStdString());
    }
    return names;
}

TEST(ComponentRegistryTest, WindowHoldsEveryComponentItsTablesName) {
    std::set<std::string> names = FormComponentNames();
    ASSERT_GT(names.size(), 20u);
    for (const SettingsControlInfo& control : SettingsControlTable()) {
        names.insert(control.name);
    }
    for (const auto* list :
         {&Tfrm_mainset::LoginVisibleControls(), &Tfrm_mainset::LoginEnabledControls()}) {
        names.insert(list->begin(), list->end());
    }
    // The window over a copy of the shipped catalogue, which it may write to.
    char pattern[] = "/tmp/carecfg-registry-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    fs::copy_file(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", folder / "skin.ini");
    WindowOptions options;
    options.catalogPath = folder / "skin.ini";
    options.documentDir = folder;
    options.screenSize = QSize(1920, 1080);
    options.showMessage = [](const std::string&) {};
    const Tfrm_mainset window(options);
    for (const std::string& name : names) {
        const QString qname = QString::fromStdString(name);
        if (qname.compare(window.objectName(), Qt::CaseInsensitive) == 0) {
            continue;  // the window itself
        }
        EXPECT_TRUE(window.Components().Find(qname) != nullptr) << name;
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace carecfg
