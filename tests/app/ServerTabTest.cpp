// The "Server / Email" tab (TabSheet1) and the alarming clock tab (TabSheet6) of the window: their
// controls, spoken names, keyboard order and layout at the designed window size.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "settings/SettingsMap.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::ShippedSkin;
using testing::WaitUntil;

namespace fs = std::filesystem;

// The tabs under test: the sheet, the record ranges whose controls it shows, its place in
// PageControl4 and the name of its screenshots.
struct TabCase {
    const char* sheet;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges;  // [first, last] offsets
    int tabIndex;
    const char* shot;
};

const std::vector<TabCase>& Tabs() {
    static const std::vector<TabCase> tabs = {
        {"TabSheet1", {{0x0D0, 0x14B}, {0xD50, 0xDE5}}, 3, "servertab"},
        {"TabSheet6", {{0xD2C, 0xD49}}, 4, "alarmclocktab"},
    };
    return tabs;
}

// Names of the map's controls (and their partners) whose fields lie in the tab's ranges.
std::set<std::string> ControlsOf(const TabCase& tab) {
    std::set<std::string> names;
    for (const SettingsField& field : SettingsFields()) {
        for (auto [first, last] : tab.ranges) {
            if (field.offset >= first && field.offset <= last) {
                names.insert(field.control);
                if (!field.partner.empty()) {
                    names.insert(field.partner);
                }
            }
        }
    }
    return names;
}

class ServerTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBytes(m_folder / "skin.ini", ShippedSkin());
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [](const std::string&) {};
        options.askPassword = [](const QString&, const QString&) { return std::nullopt; };
        options.chooseFile = [](const QString&) { return std::nullopt; };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
    }

    QWidget* Find(const std::string& name) const {
        return m_window->Find<QWidget>(QString::fromStdString(name));
    }

    // Shows the tab in a window of the given client size, logged in so that it is enabled.
    void ShowTab(const TabCase& tab, QSize size) {
        m_window->resize(size);
        m_window->show();
        m_window->SetLoginState(true);
        m_window->PageButtonClick(m_window->Find<QToolButton>(QStringLiteral("tefxSpeedButton19")));
        m_window->Find<QTabWidget>(QStringLiteral("PageControl4"))->setCurrentIndex(tab.tabIndex);
        QCoreApplication::processEvents();
    }

    testing::TempDir m_folder{"carecfg-servertab"};
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(ServerTabTest, EveryControlOfTheTabsIsBuiltOnceAsTheMapSays) {
    for (const TabCase& tab : Tabs()) {
        const std::set<std::string> names = ControlsOf(tab);
        ASSERT_FALSE(names.empty()) << tab.sheet;
        QWidget* sheet = Find(tab.sheet);
        ASSERT_NE(sheet, nullptr) << tab.sheet;
        std::size_t checked = 0;
        for (const SettingsControlInfo& info : SettingsControlTable()) {
            if (names.count(info.name) == 0) {
                continue;
            }
            ++checked;
            SCOPED_TRACE(info.name);
            QWidget* w = Find(info.name);
            testing::ExpectBuiltAsMapSays(sheet, w, info);
        }
        EXPECT_EQ(checked, names.size()) << tab.sheet << ": controls missing from the map table";
    }
}

TEST_F(ServerTabTest, ControlsAreSpokenByTheirCaptions) {
    struct SpokenCase {
        const char* control;
        const char* name;
    };
    const SpokenCase cases[] = {
        {"Edit15", "Server IP/DNS 1:"},
        {"Edit18", "Port 2:"},
        {"ComboBox50", "Resend Times:"},
        {"Edit21", "Password:"},
        {"ComboBox52", "Timer 2: Hour"},
        {"ComboBox56", "Timer 3: minute"},
        {"Edit344", "Email address 2:"},
        {"ComboBox658", "SMTP Server:"},
        {"ComboBox41", "Automatically Send Email at: 1"},
        {"ComboBox62", "Automatically Send Email at: 2 day"},
        {"ComboBox58", "Automatically Send Email at: 2 Hour"},
        {"ComboBox59", "Automatically Send Email at: 1 minute"},
        {"ComboBox2", "Alarming Clock 1: Type"},
        {"ComboBox65", "Alarming Clock 3: Hour"},
        {"ComboBox72", "Alarming Clock 5: minute"},
        {"ComboBox74", "Alarming Clock 2: Interval (Seconds)"},
        {"ComboBox81", "Alarming Clock 4: Alert Times"},
    };
    for (const SpokenCase& c : cases) {
        SCOPED_TRACE(c.control);
        QWidget* w = Find(c.control);
        ASSERT_NE(w, nullptr);
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(spoken, nullptr);
        EXPECT_EQ(spoken->text(QAccessible::Name).toStdString(), c.name);
        // Typing into a drop-down box happens in its line edit, which says the same.
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(box->lineEdit()->accessibleName().toStdString(), c.name);
        }
    }
    // A caption beside its control is its buddy, so its mnemonic moves the focus there.
    for (auto [label, control] : {std::pair{"Label4101", "Edit15"},
                                  {"Label345", "Edit344"},
                                  {"Label4111", "ComboBox54"},
                                  {"Label4212", "ComboBox68"}}) {
        auto* caption = m_window->Find<QLabel>(QString::fromLatin1(label));
        ASSERT_NE(caption, nullptr) << label;
        EXPECT_EQ(caption->buddy(), Find(control)) << label;
    }
}

TEST_F(ServerTabTest, TabMovesThroughTheControlsInReadingOrder) {
    const std::vector<std::vector<std::string>> orders = {
        {"Edit15",     "Edit16",     "Edit17",     "Edit18",     "ComboBox50",  "Edit19",
         "Edit20",     "Edit21",     "ComboBox51", "ComboBox54", "ComboBox52",  "ComboBox55",
         "ComboBox53", "ComboBox56", "Edit343",    "Edit344",    "ComboBox658", "Edit346",
         "Edit347",    "ComboBox41", "ComboBox61", "ComboBox57", "ComboBox59",  "ComboBox42",
         "ComboBox62", "ComboBox58", "ComboBox60"},
        {"ComboBox2", "ComboBox63", "ComboBox68", "ComboBox73", "ComboBox78",
         "ComboBox3", "ComboBox64", "ComboBox69", "ComboBox74", "ComboBox79",
         "ComboBox4", "ComboBox65", "ComboBox70", "ComboBox75", "ComboBox80",
         "ComboBox5", "ComboBox66", "ComboBox71", "ComboBox76", "ComboBox81",
         "ComboBox6", "ComboBox67", "ComboBox72", "ComboBox77", "ComboBox82"},
    };
    for (const auto& order : orders) {
        const std::set<std::string> wanted(order.begin(), order.end());
        std::vector<std::string> seen;
        QWidget* w = Find(order.front());
        ASSERT_NE(w, nullptr);
        for (std::size_t steps = 0; seen.size() < order.size() && steps < 5000; ++steps) {
            const std::string name = w->objectName().toStdString();
            if (wanted.count(name) > 0) {
                seen.push_back(name);
            }
            w = w->nextInFocusChain();
        }
        EXPECT_EQ(seen, order);
    }
}

// At the designed 957 x 609, before and after the catalogue's texts and lists arrived, and in a
// larger window: every control and caption of the tab lies inside the tab, none is squeezed below
// its smallest size, and no two of them overlap.
TEST_F(ServerTabTest, TabsFitTheDesignedWindowWithoutOverlaps) {
    auto check = [&](const TabCase& tab, const char* stage, QSize size = QSize(957, 609)) {
        SCOPED_TRACE(std::string(tab.sheet) + " " + stage);
        ShowTab(tab, size);
        QWidget* sheet = Find(tab.sheet);
        ASSERT_TRUE(sheet->isVisible());
        std::vector<std::pair<std::string, QRect>> leaves;
        for (const Component& c : m_window->Components().Components()) {
            auto* w = qobject_cast<QWidget*>(c.object.data());
            const bool leaf = c.kind == ComponentKind::Label || c.kind == ComponentKind::Edit ||
                              c.kind == ComponentKind::DropDownList ||
                              c.kind == ComponentKind::CheckBox;
            if (w == nullptr || !leaf || !sheet->isAncestorOf(w) || !w->isVisible()) {
                continue;
            }
            const QRect r(w->mapTo(sheet, QPoint(0, 0)), w->size());
            EXPECT_TRUE(sheet->rect().contains(r)) << c.name.toStdString() << " cut off";
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << c.name.toStdString();
            leaves.emplace_back(c.name.toStdString(), r);
        }
        EXPECT_GT(leaves.size(), 20u);
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            for (std::size_t j = i + 1; j < leaves.size(); ++j) {
                EXPECT_FALSE(leaves[i].second.intersects(leaves[j].second))
                    << leaves[i].first << " overlaps " << leaves[j].first;
            }
        }
        // CARECFG_SHOT_DIR=folder saves what the tab shows, for a person to look at.
        if (const char* dir = std::getenv("CARECFG_SHOT_DIR")) {
            m_window->grab().save(QString::fromStdString(
                (fs::path(dir) / (std::string(tab.shot) + "-" + stage + ".png")).string()));
        }
    };
    for (const TabCase& tab : Tabs()) {
        check(tab, "built");
    }
    auto* clockHours = m_window->Find<QComboBox>(QStringLiteral("ComboBox63"));
    ASSERT_TRUE(WaitUntil([&] { return clockHours->count() == 24; }))
        << "the catalogue's lists did not arrive";
    for (const TabCase& tab : Tabs()) {
        check(tab, "texts");
        check(tab, "large", QSize(1280, 900));
    }
}

}  // namespace
}  // namespace carecfg
