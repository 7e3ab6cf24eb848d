#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CaptionApplier.h"
#include "app/MainWindow.h"
#include "settings/SettingsMap.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::ShippedSkin;

namespace fs = std::filesystem;

// The receiver grid's columns: the first check box number of each column and its caption.
struct FlagColumn {
    int firstBox;
    const char* caption;
};
constexpr std::array<FlagColumn, 10> kFlagColumns = {{{2, "Alarm Dial"},
                                                      {12, "Alarm SMS"},
                                                      {29, "Daily SMS"},
                                                      {39, "Threhold   SMS"},
                                                      {49, "Threhold   Dial"},
                                                      {59, "Armed  SMS"},
                                                      {69, "DC Loss   SMS"},
                                                      {90, "Sensor Low Voltage SMS"},
                                                      {100, " GPRS Fail SMS"},
                                                      {143, "Measured Values Alert by SMS"}}};

std::string Named(const char* prefix, int number) {
    return prefix + std::to_string(number);
}

// Every settings control of the two tabs and the tab that must hold it.
struct TabControl {
    std::string name;
    const char* sheet;
};
std::vector<TabControl> ExpectedControls() {
    std::vector<TabControl> controls;
    auto receivers = [&](std::string name) { controls.push_back({std::move(name), "TabSheet4"}); };
    receivers("Edit337");
    for (int n = 0; n < 10; ++n) {
        receivers(Named("Edit", 5 + n));
        for (const FlagColumn& column : kFlagColumns) {
            receivers(Named("CheckBox", column.firstBox + n));
        }
    }
    for (const char* name :
         {"Edit366", "ComboBox47", "ComboBox49", "ComboBox40", "CheckBox79", "CheckBox80"}) {
        receivers(name);
    }
    for (int k = 0; k < 4; ++k) {
        controls.push_back({Named("Edit", 358 + k), "TabSheet5"});
    }
    return controls;
}

const SettingsControlInfo* MapInfo(const std::string& name) {
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        if (info.name == name) {
            return &info;
        }
    }
    return nullptr;
}

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString();
}

// The window over a copy of the shipped skin.ini, showing no message boxes.
class ReceiversTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBytes(m_folder / "skin.ini", ShippedSkin());
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [](const std::string&) {};
        options.askPassword = [](const QString&, const QString&) { return std::nullopt; };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
    }

    template <class T>
    T* W(const std::string& name) const {
        return m_window->Find<T>(QString::fromStdString(name));
    }

    // Shows tab `index` of the basic settings at the designed client size, logged in.
    QWidget* ShowTab(int index) {
        m_window->SetLoginState(true);
        m_window->resize(957, 609);
        m_window->show();
        m_window->PageButtonClick(W<QObject>("tefxSpeedButton19"));
        W<QTabWidget>("PageControl4")->setCurrentIndex(index);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        QCoreApplication::processEvents();
        return W<QTabWidget>("PageControl4")->currentWidget();
    }

    // Gives every component of both tabs its texts from the catalogue, as the start-up does,
    // and lays the pages out again.
    void ApplyCatalogToTabs() {
        class Entries : public FormEntries {
        public:
            explicit Entries(const TextCatalog& catalog) : m_catalog(catalog) {}
            std::optional<std::string> Find(std::string_view key) const override {
                return m_catalog.Lookup("FORM", key);
            }

        private:
            const TextCatalog& m_catalog;
        } entries(m_window->Catalog());
        for (const Component& component : m_window->Components().Components()) {
            auto* widget = qobject_cast<QWidget*>(component.object.data());
            if (widget != nullptr && (W<QWidget>("TabSheet4")->isAncestorOf(widget) ||
                                      W<QWidget>("TabSheet5")->isAncestorOf(widget))) {
                ApplyFormEntriesToComponent(component, entries, m_window->Codec());
            }
        }
        m_window->LayoutHomePage();
    }

    // Saves what the window shows when CARECFG_SHOT_DIR names a folder (for looking at the page).
    void SaveShot(const char* name) const {
        const QString dir = qEnvironmentVariable("CARECFG_SHOT_DIR");
        if (!dir.isEmpty()) {
            m_window->grab().save(QDir(dir).filePath(QString::fromLatin1(name)));
        }
    }

    testing::TempDir m_folder{"carecfg-receivers"};
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(ReceiversTabTest, EveryControlOfTheTabsIsBuiltAsTheMapSays) {
    const auto expected = ExpectedControls();
    ASSERT_EQ(expected.size(), 121u);
    for (const TabControl& control : expected) {
        SCOPED_TRACE(control.name);
        const SettingsControlInfo* info = MapInfo(control.name);
        ASSERT_NE(info, nullptr);
        auto* sheet = W<QWidget>(control.sheet);
        auto* widget = W<QWidget>(control.name);
        EXPECT_EQ(widget->objectName().toStdString(), control.name);
        testing::ExpectBuiltAsMapSays(sheet, widget, *info);
    }
    EXPECT_EQ(W<QLineEdit>("Edit337")->maxLength(), 10);
    EXPECT_EQ(W<QLineEdit>("Edit5")->maxLength(), 16);
    EXPECT_TRUE(W<QCheckBox>("CheckBox79")->isHidden());
    ASSERT_NE(W<QLabel>("Image1"), nullptr);
    EXPECT_TRUE(W<QWidget>("TabSheet5")->isAncestorOf(W<QLabel>("Image1")));
    for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox22", "GroupBox39"}) {
        ASSERT_NE(W<QGroupBox>(group), nullptr) << group;
        EXPECT_TRUE(W<QWidget>("TabSheet4")->isAncestorOf(W<QGroupBox>(group))) << group;
    }
}

TEST_F(ReceiversTabTest, ControlsAreNamedForScreenReaders) {
    struct Case {
        const char* control;
        const char* spoken;
    };
    const Case cases[] = {
        {"Edit337", "Device ID:"},
        {"Edit5", "Tel No.1"},
        {"Edit14", "Tel No.10"},
        {"Edit366", "R5 Simcard Number:"},
        {"Edit358", "SpeedDial Tel No.1"},
        {"Edit361", "SpeedDial Tel No.4"},
        {"CheckBox2", "Tel No.1 Alarm Dial"},
        {"CheckBox48", "Tel No.10 Threhold SMS"},
        {"CheckBox100", "Tel No.1 GPRS Fail SMS"},
        {"CheckBox152", "Tel No.10 Measured Values Alert by SMS"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AccessibleName(W<QWidget>(c.control)), QString::fromLatin1(c.spoken))
            << c.control;
    }
    // Drop-down boxes are named by the label whose buddy they are.
    const Case buddies[] = {
        {"ComboBox47", "Hour"},
        {"ComboBox49", "Minute"},
        {"ComboBox40", "When External DC Loss more than"},
    };
    for (const Case& c : buddies) {
        QWidget* box = W<QWidget>(c.control);
        const auto labels = box->parentWidget()->findChildren<QLabel*>();
        const bool named = std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
            return label->buddy() == box && label->text().simplified() == c.spoken;
        });
        EXPECT_TRUE(named) << c.control;
    }
}

// The Tab key visits the controls in reading order: the unit's numbers and the time, then each
// receiver's number followed by its report boxes from left to right, then the power delay.
TEST_F(ReceiversTabTest, TabKeyVisitsTheControlsInReadingOrder) {
    std::vector<std::string> receivers = {"Edit337", "Edit366", "CheckBox80", "ComboBox47",
                                          "ComboBox49"};
    for (int n = 0; n < 10; ++n) {
        receivers.push_back(Named("Edit", 5 + n));
        for (const FlagColumn& column : kFlagColumns) {
            receivers.push_back(Named("CheckBox", column.firstBox + n));
        }
    }
    receivers.push_back("ComboBox40");
    const std::pair<const char*, std::vector<std::string>> tabs[] = {
        {"TabSheet4", receivers}, {"TabSheet5", {"Edit358", "Edit359", "Edit360", "Edit361"}}};

    for (const auto& [sheetName, expected] : tabs) {
        QWidget* sheet = W<QWidget>(sheetName);
        std::vector<std::string> visited;
        QWidget* w = sheet->nextInFocusChain();
        for (int step = 0; w != sheet && step < 20000; ++step, w = w->nextInFocusChain()) {
            const bool operated = (w->focusPolicy() & Qt::TabFocus) && sheet->isAncestorOf(w) &&
                                  w->isVisibleTo(sheet) && qobject_cast<QLabel*>(w) == nullptr &&
                                  m_window->Components().Find(w->objectName()) == w;
            if (operated) {
                visited.push_back(w->objectName().toStdString());
            }
        }
        EXPECT_EQ(visited, expected) << sheetName;
    }
}

TEST_F(ReceiversTabTest, GridBoxesStandInTheirNumbersRowUnderTheirColumnsCaption) {
    QWidget* sheet = ShowTab(1);
    ASSERT_EQ(sheet, W<QWidget>("TabSheet4"));
    auto rectOf = [&](QWidget* w) { return QRect(w->mapTo(sheet, QPoint(0, 0)), w->size()); };
    std::vector<QLabel*> captions;
    for (QLabel* label : sheet->findChildren<QLabel*>()) {
        for (const FlagColumn& column : kFlagColumns) {
            if (label->text() == QString::fromLatin1(column.caption)) {
                captions.push_back(label);
            }
        }
    }
    ASSERT_EQ(captions.size(), kFlagColumns.size());
    for (int n = 0; n < 10; ++n) {
        const QRect number = rectOf(W<QWidget>(Named("Edit", 5 + n)));
        for (std::size_t c = 0; c < kFlagColumns.size(); ++c) {
            SCOPED_TRACE(Named("CheckBox", kFlagColumns[c].firstBox + n));
            const QRect box = rectOf(W<QWidget>(Named("CheckBox", kFlagColumns[c].firstBox + n)));
            const auto caption = std::find_if(captions.begin(), captions.end(), [&](QLabel* l) {
                return l->text() == QString::fromLatin1(kFlagColumns[c].caption);
            });
            const QRect head = rectOf(*caption);
            EXPECT_GE(box.center().x(), head.left());
            EXPECT_LE(box.center().x(), head.right());
            EXPECT_LT(head.bottom(), box.top());
            EXPECT_LE(std::abs(box.center().y() - number.center().y()), 3);
        }
    }
}

// At the designed client size every visible control of both tabs lies inside its tab, with no
// scrolling, at least at its smallest useful size, and no two of them overlap: with the built-in
// texts and again with the catalogue's.
TEST_F(ReceiversTabTest, TabsFitTheDesignedWindowWithoutOverlaps) {
    for (const bool catalogue : {false, true}) {
        if (catalogue) {
            ApplyCatalogToTabs();
            EXPECT_EQ(W<QComboBox>("ComboBox47")->count(), 24);  // the hours came in
        }
        for (int index : {1, 2}) {
            QWidget* sheet = ShowTab(index);
            SCOPED_TRACE(sheet->objectName().toStdString() + (catalogue ? " catalogue" : ""));
            if (catalogue) {
                SaveShot(index == 1 ? "receivers-tab.png" : "speeddial-tab.png");
            }
            std::vector<std::pair<QString, QRect>> shown;
            for (const Component& component : m_window->Components().Components()) {
                auto* widget = qobject_cast<QWidget*>(component.object.data());
                if (widget == nullptr || widget == sheet || !sheet->isAncestorOf(widget) ||
                    !widget->isVisibleTo(sheet)) {
                    continue;
                }
                const std::string name = component.name.toStdString();
                const QRect rect(widget->mapTo(sheet, QPoint(0, 0)), widget->size());
                EXPECT_TRUE(sheet->rect().contains(rect)) << name << " outside the tab";
                EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << name;
                EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << name;
                if (qobject_cast<QGroupBox*>(widget) == nullptr) {
                    shown.emplace_back(component.name, rect);
                }
            }
            EXPECT_GT(shown.size(), 4u);
            for (std::size_t i = 0; i < shown.size(); ++i) {
                for (std::size_t j = i + 1; j < shown.size(); ++j) {
                    EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
                        << shown[i].first.toStdString() << " overlaps "
                        << shown[j].first.toStdString();
                }
            }
        }
    }
}

}  // namespace
}  // namespace carecfg
