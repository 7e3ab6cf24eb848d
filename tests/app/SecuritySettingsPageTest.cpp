#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/pages/SpokenNames.h"
#include "settings/SettingsMap.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::WaitUntil;

namespace fs = std::filesystem;

QString Q(const std::string& name) {
    return QString::fromStdString(name);
}

// The settings map's controls that the security page shows: the arming group and every zone row.
std::vector<std::string> SecurityPageControls() {
    std::vector<std::string> names = {"ComboBox83", "ComboBox84", "CheckBox22",
                                      "CheckBox23", "CheckBox27", "Edit380"};
    for (int z = 0; z <= kZoneCount; ++z) {
        for (const std::string& n : {ZoneNameEdit(z), ZoneTypeBox(z), ZoneAlertBox(z),
                                     ZoneSirenBox(z), ZoneDisableBox(z)}) {
            names.push_back(n);
        }
        for (int q = 0; q < 3; ++q) {
            for (int item = 0; item < 5; ++item) {
                names.push_back(ZoneBlockBox(z, q, item));
            }
            if (z > 0) {
                names.push_back(ZoneBlockLabel(z, q));
            }
        }
    }
    return names;
}

std::string RowGroupOf(int zone) {
    const int n = zone == 0 ? 48 : zone <= 16 ? 5 + zone : 6 + zone;
    return "GroupBox" + std::to_string(n);
}

// A window over a copy of the shipped skin.ini; message boxes are only recorded.
class SecurityPageTest : public ::testing::Test {
protected:
    SecurityPageTest() {
        std::ifstream in(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
        testing::WriteBytes(m_folder / "skin.ini",
                            std::string(std::istreambuf_iterator<char>(in), {}));
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [](const std::string&) {};
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
    }

    template <class T = QWidget>
    T* W(const std::string& name) const {
        T* widget = m_window->Find<T>(Q(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QWidget* Sheet() const { return W("SecurityPage"); }
    QScrollArea* Area(const char* name) const {
        return Sheet()->findChild<QScrollArea*>(QString::fromLatin1(name));
    }

    // Shows the security page at the designed size with its layout done.
    void ShowPage() {
        m_window->resize(957, 609);
        m_window->show();
        W<QToolButton>("tefxSpeedButton18")->click();
        ASSERT_TRUE(WaitUntil([&] { return Sheet()->isVisible(); }));
        QCoreApplication::processEvents();
    }
    // What the binding does for a zone of the watching type: its blocks and their titles appear.
    void ShowBlocks(int zone, bool show) {
        for (int q = 0; q < 3; ++q) {
            W(ZoneBlockLabel(zone, q))->setVisible(show);
            for (int item = 0; item < 5; ++item) {
                W(ZoneBlockBox(zone, q, item))->setVisible(show);
            }
        }
    }
    int GlobalX(const std::string& name) const {
        QWidget* w = W(name);
        return w->mapToGlobal(QPoint(0, 0)).x();
    }

    testing::TempDir m_folder{"carecfg-security"};
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(SecurityPageTest, EveryControlOfThePageIsBuiltAsTheSettingsMapSays) {
    std::map<std::string, const SettingsControlInfo*> table;
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        table.emplace(info.name, &info);
    }
    const std::vector<std::string> expected = SecurityPageControls();
    for (const std::string& name : expected) {
        SCOPED_TRACE(name);
        ASSERT_EQ(table.count(name), 1u);
        const SettingsControlInfo& info = *table.at(name);
        QWidget* widget = W(name);
        testing::ExpectBuiltAsMapSays(Sheet(), widget, info);
    }
    // No other control of the map lies on this page.
    const std::set<std::string> mine(expected.begin(), expected.end());
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        if (QWidget* widget = m_window->Find<QWidget>(Q(info.name))) {
            EXPECT_EQ(Sheet()->isAncestorOf(widget), mine.count(info.name) == 1) << info.name;
        }
    }
}

TEST_F(SecurityPageTest, EachZoneLivesInItsOwnRowGroupInZoneOrder) {
    int lastAt = -1;
    for (int z = 0; z <= kZoneCount; ++z) {
        SCOPED_TRACE(z);
        auto* row = W<QGroupBox>(RowGroupOf(z));
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(m_window->Components().KindOf(Q(RowGroupOf(z))), ComponentKind::GroupBox);
        EXPECT_EQ(row->title(), QStringLiteral("Zone %1").arg(z));
        for (const std::string& n : {ZoneNameEdit(z), ZoneTypeBox(z), ZoneAlertBox(z),
                                     ZoneSirenBox(z), ZoneDisableBox(z), ZoneBlockBox(z, 2, 4)}) {
            EXPECT_EQ(W(n)->parentWidget(), row) << n;
        }
        const int at = Area("ZoneRows")->widget()->layout()->indexOf(row);
        EXPECT_GT(at, lastAt);
        lastAt = at;
    }
    EXPECT_TRUE(Area("ZoneRows")->widget()->isAncestorOf(W(RowGroupOf(32))));
    EXPECT_EQ(W<QGroupBox>("GroupBox40")->title(), QStringLiteral("Arming"));
    EXPECT_TRUE(W<QGroupBox>("GroupBox40")->isAncestorOf(W("ComboBox83")));
}

TEST_F(SecurityPageTest, ControlsHaveNamesAScreenReaderSpeaks) {
    // A caption beside a control is its buddy; controls in the zone rows carry their zone.
    const std::pair<const char*, const char*> buddies[] = {{"ComboBox83", "Armed Delay Time"},
                                                           {"ComboBox84", "Entrance Delay Time"}};
    for (const auto& [name, caption] : buddies) {
        QLabel* label = nullptr;
        for (QLabel* l : Sheet()->findChildren<QLabel*>()) {
            if (l->buddy() == W(name)) {
                label = l;
            }
        }
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), QString::fromLatin1(caption));
    }
    const std::pair<std::string, const char*> spoken[] = {
        {ZoneDisableBox(5), "Zone 5 Disable"},
        {ZoneTypeBox(5), "Zone 5 Zone Type"},
        {ZoneNameEdit(5), "Zone 5 Zone Name"},
        {ZoneAlertBox(5), "Zone 5 Alert times"},
        {ZoneSirenBox(5), "Zone 5 Siren Sound"},
        {ZoneBlockBox(5, 1, 3), "Zone 5 Watch period 2 ends minute"},
        {ZoneBlockBox(32, 2, 4), "Zone 32 Watch period 3 days"},
        {ZoneNameEdit(0), "Zone 0 Zone Name"},
    };
    for (const auto& [name, text] : spoken) {
        EXPECT_EQ(W(name)->accessibleName(), QString::fromLatin1(text)) << name;
    }
    // Every control a user can reach says what it is: its own caption, a name, or a buddy.
    std::set<std::string> neverShown = {ZoneTypeBox(0), "Edit380"};
    for (int q = 0; q < 3; ++q) {
        for (int item = 0; item < 5; ++item) {
            neverShown.insert(ZoneBlockBox(0, q, item));
        }
    }
    for (const std::string& name : SecurityPageControls()) {
        QWidget* widget = W(name);
        if (neverShown.count(name) || qobject_cast<QLabel*>(widget)) {
            continue;
        }
        bool hasBuddy = false;
        for (QLabel* l : Sheet()->findChildren<QLabel*>()) {
            hasBuddy = hasBuddy || l->buddy() == widget;
        }
        auto* check = qobject_cast<QCheckBox*>(widget);
        const bool captioned = check != nullptr && !check->text().isEmpty();
        EXPECT_TRUE(!widget->accessibleName().isEmpty() || hasBuddy || captioned) << name;
    }
}

// Drop-down boxes are spoken by the labels that name them: once a screen reader listens, each
// zone box has a hidden buddy label with its spoken name.
TEST_F(SecurityPageTest, ZoneBoxesGetHiddenBuddyLabelsOnceAScreenReaderListens) {
    auto buddyOf = [&](QWidget* widget) -> QLabel* {
        for (QLabel* l : Sheet()->findChildren<QLabel*>()) {
            if (l->buddy() == widget) {
                return l;
            }
        }
        return nullptr;
    };
    auto* names = Sheet()->findChild<SpokenNames*>();
    ASSERT_NE(names, nullptr);
    if (!QAccessible::isActive()) {
        EXPECT_EQ(buddyOf(W(ZoneTypeBox(5))), nullptr);
    }
    names->MakeLabels();
    for (const auto& [name, text] :
         {std::pair{ZoneTypeBox(5), "Zone 5 Zone Type"},
          std::pair{ZoneBlockBox(32, 2, 4), "Zone 32 Watch period 3 days"}}) {
        QLabel* label = buddyOf(W(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), QString::fromLatin1(text));
        EXPECT_TRUE(label->isHidden());
    }
    EXPECT_EQ(buddyOf(W(ZoneNameEdit(5))), nullptr);  // an edit speaks its accessible name
}

// An editable box gets its completer when it first takes the focus, as Qt would give it one.
TEST_F(SecurityPageTest, EditableBoxesCompleteTypedTextOnceFocused) {
    ShowPage();
    auto* box = W<QComboBox>(ZoneTypeBox(3));
    ASSERT_TRUE(box->isEditable());
    EXPECT_EQ(box->completer(), nullptr);
    box->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return box->completer() != nullptr; }));
    EXPECT_EQ(box->completer()->caseSensitivity(), Qt::CaseInsensitive);
    EXPECT_EQ(box->completer()->completionMode(), QCompleter::InlineCompletion);
    EXPECT_EQ(box->completer()->model(), box->model());
}

TEST_F(SecurityPageTest, TabOrderFollowsTheReadingOrder) {
    std::map<QWidget*, int> position;
    QWidget* w = m_window.get();
    for (int i = 0; i < 100000; ++i) {
        position.emplace(w, i);
        w = w->nextInFocusChain();
        if (w == m_window.get()) {
            break;
        }
    }
    std::vector<std::string> order = {"ComboBox83", "ComboBox84", "CheckBox22", "CheckBox23",
                                      "CheckBox27"};
    for (int z = 0; z <= kZoneCount; ++z) {
        order.push_back(ZoneDisableBox(z));
        if (z > 0) {
            order.push_back(ZoneTypeBox(z));
        }
        order.push_back(ZoneNameEdit(z));
        order.push_back(ZoneAlertBox(z));
        order.push_back(ZoneSirenBox(z));
        if (z > 0) {
            for (int q = 0; q < 3; ++q) {
                for (int item = 0; item < 5; ++item) {
                    order.push_back(ZoneBlockBox(z, q, item));
                }
            }
        }
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        ASSERT_EQ(position.count(W(order[i])), 1u) << order[i];
        EXPECT_LT(position.at(W(order[i - 1])), position.at(W(order[i])))
            << order[i - 1] << " before " << order[i];
    }
}

TEST_F(SecurityPageTest, ZoneListScrollsUnderAHeadThatStaysAlignedWithItsColumns) {
    ShowPage();
    QScrollArea* rows = Area("ZoneRows");
    QScrollArea* head = Area("ZoneHead");
    ASSERT_NE(rows, nullptr);
    ASSERT_NE(head, nullptr);
    EXPECT_GT(rows->verticalScrollBar()->maximum(), 0);
    // Without blocks every column fits beside the navigation bar: nothing is cut off.
    EXPECT_EQ(rows->horizontalScrollBar()->maximum(), 0);
    EXPECT_FALSE(W("Label1808")->isVisible());
    EXPECT_TRUE(W<QGroupBox>("GroupBox40")->geometry().bottom() <
                rows->mapTo(Sheet(), QPoint()).y());

    // Each caption stands exactly over its column (zone 0's row shows alert and siren boxes).
    const std::pair<const char*, std::string> columns[] = {
        {"Label1801", ZoneDisableBox(0)}, {"Label1802", ZoneTypeBox(1)},
        {"Label1803", ZoneNameEdit(1)},   {"Label1804", ZoneAlertBox(0)},
        {"Label1806", ZoneSirenBox(0)},
    };
    for (const auto& [caption, control] : columns) {
        EXPECT_EQ(GlobalX(caption), GlobalX(control)) << caption;
    }

    // A zone that shows its blocks widens the list; the block captions appear over them and
    // scroll along with the rows.
    ShowBlocks(5, true);
    ASSERT_TRUE(WaitUntil([&] { return rows->horizontalScrollBar()->maximum() > 0; }));
    EXPECT_TRUE(W("Label1808")->isVisible());
    rows->horizontalScrollBar()->setValue(rows->horizontalScrollBar()->maximum());
    QCoreApplication::processEvents();
    EXPECT_EQ(head->horizontalScrollBar()->value(), rows->horizontalScrollBar()->value());
    const std::pair<const char*, std::string> blocks[] = {
        {"Label1808", ZoneBlockBox(5, 0, 0)},
        {"Label1809", ZoneBlockBox(5, 0, 2)},
        {"Label1810", ZoneBlockBox(5, 0, 4)},
        {"Label1816", ZoneBlockBox(5, 2, 4)},
    };
    for (const auto& [caption, control] : blocks) {
        EXPECT_EQ(GlobalX(caption), GlobalX(control)) << caption;
    }

    ShowBlocks(5, false);
    ASSERT_TRUE(WaitUntil([&] { return rows->horizontalScrollBar()->maximum() == 0; }));
    EXPECT_FALSE(W("Label1808")->isVisible());
}

}  // namespace
}  // namespace carecfg
