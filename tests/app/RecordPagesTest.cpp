// The six history and message pages of the window and the record commands of the navigation
// bar: files in and out, clearing, reading from a simulated unit, login visibility, sorting,
// CSV export and keyboard use.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "image/DeviceImage.h"
#include "link/LinkListener.h"
#include "records/RecordPages.h"
#include "sim/DemoUnit.h"
#include "sim/UnitSim.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

using testing::ShippedSkin;
using testing::WaitUntil;

std::string Bytes(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The demonstration unit's bytes of a region: every list region holds records there.
std::string DemoRegion(RegionId region) {
    static const std::vector<std::uint8_t> memory = BuildDemoMemory();
    const ImageRegion& r = Region(region);
    return std::string(memory.begin() + r.start, memory.begin() + r.start + r.size);
}

// What the link tells, in order: messages as their keys, progress resets as "progress 0".
class Recorder : public LinkListener {
public:
    void ShowMessage(std::string_view key) override { events.emplace_back(key); }
    void ShowProgress(int bar, std::string_view panel) override {
        if (bar == 0 && panel == "0%") {
            events.emplace_back("progress 0");
        }
    }
    void RegionDecoded(RegionId region, bool decoded) override {
        if (onDecoded) {
            onDecoded(region, decoded);
        }
    }
    std::vector<std::string> events;
    std::function<void(RegionId, bool)> onDecoded;
};

// A window over the shipped skin.ini in a folder of its own, recording message keys instead of
// showing boxes and answering the file dialogs and the password prompt from scripts.
class RecordPagesTest : public ::testing::Test {
protected:
    void SetUp() override { m_window = Open(); }
    void TearDown() override {
        if (m_window) {
            m_window->Session().RemoveListener(m_recorder);
        }
    }

    std::unique_ptr<Tfrm_mainset> Open() {
        testing::WriteBytes(m_folder / "skin.ini", ShippedSkin());
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
        options.askPassword = [](const QString&, const QString&) -> std::optional<QString> {
            return QStringLiteral("123456");
        };
        options.chooseFile = [this](const QString& dialog) -> std::optional<QString> {
            m_dialogs.push_back(dialog.toStdString());
            if (m_files.empty()) {
                return std::nullopt;
            }
            const QString answer = m_files.front();
            m_files.pop_front();
            return answer;
        };
        auto window = std::make_unique<Tfrm_mainset>(std::move(options));
        window->Session().AddListener(m_recorder);
        bool started = false;
        QObject::connect(window.get(), &Tfrm_mainset::StartupFinished, [&] { started = true; });
        EXPECT_TRUE(WaitUntil([&] { return started; }));
        return window;
    }

    template <class T>
    T* W(const char* name, Tfrm_mainset* window = nullptr) const {
        T* widget = (window ? window : m_window.get())->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* button) { W<QAbstractButton>(button)->click(); }
    QString File(const std::string& name) const {
        return QString::fromStdString((m_folder / name).string());
    }
    // Answers the next dialog with a file of the test folder.
    void Choose(const std::string& name) { m_files.push_back(File(name)); }
    void Write(const std::string& name, const std::string& bytes) const {
        testing::WriteBytes(m_folder / name, bytes);
    }
    std::string Read(const std::string& name) const { return testing::ReadBytes(m_folder / name); }

    // Loads the bytes into the page's area through its load button.
    void LoadArea(const RecordPageRow& page, const std::string& bytes) {
        Write("area.bin", bytes);
        Choose("area.bin");
        Click(page.loadButton);
    }
    Rows ListRows(const char* list, Tfrm_mainset* window = nullptr) const {
        Rows rows;
        const auto* view = W<QTreeWidget>(list, window);
        for (int r = 0; r < view->topLevelItemCount(); ++r) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < view->columnCount(); ++c) {
                row.push_back(view->topLevelItem(r)->text(c).toStdString());
            }
        }
        return rows;
    }
    std::vector<std::string> Column(const char* list, int column) const {
        std::vector<std::string> texts;
        for (const auto& row : ListRows(list)) {
            texts.push_back(row[static_cast<std::size_t>(column)]);
        }
        return texts;
    }
    std::string Area(RegionId region, Tfrm_mainset* window = nullptr) const {
        return Bytes((window ? window : m_window.get())->Image().RegionBytes(region));
    }

    void ConnectToSim() {
        m_sim = std::make_unique<UnitSim>();
        ASSERT_TRUE(m_sim->Start()) << m_sim->LastError();
        W<QComboBox>("cbox_com")->setCurrentText(QString::fromStdString(m_sim->TerminalPath()));
        Click("SpeedButton10");
        ASSERT_TRUE(WaitUntil(
            [&] { return m_window->StatusBar()->PanelText(0) == m_window->MessageString("M23"); }));
    }

    testing::TempDir m_folder{"carecfg-records"};
    std::vector<std::string> m_messages;
    std::vector<std::string> m_dialogs;
    std::deque<QString> m_files;  // answers of the file dialogs; none left: cancelled
    Recorder m_recorder;
    std::unique_ptr<UnitSim> m_sim;
    std::unique_ptr<Tfrm_mainset> m_window;
};

// The number of rows the demonstration unit's area gives on each page, in page order.
constexpr std::size_t kDemoRows[] = {60, 48, 36, 40, 24, 30};

TEST_F(RecordPagesTest, PagesAreBuiltFromTheirRowsWithCataloguedHeadersAndButtons) {
    const int columns[] = {3, 4, 4, 4, 4, 4};
    std::size_t i = 0;
    for (const RecordPageRow& page : RecordPages()) {
        SCOPED_TRACE(page.list);
        auto* list = W<QTreeWidget>(page.list);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(W<QWidget>(page.sheet)->isAncestorOf(list));
        EXPECT_EQ(list->columnCount(), columns[i]);
        EXPECT_EQ(list->columnWidth(0), page.columnWidths[0]);
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("No."));
        EXPECT_FALSE(list->rootIsDecorated());
        for (const char* name :
             {page.readButton, page.clearButton, page.saveButton, page.loadButton}) {
            auto* button = W<QAbstractButton>(name);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->text().isEmpty());
            EXPECT_TRUE(W<QWidget>(page.sheet)->isAncestorOf(button));
            // A screen reader names every button by its caption.
            QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(a11y, nullptr);
            EXPECT_EQ(a11y->text(QAccessible::Name), button->text());
        }
        ++i;
    }
    // The arming state names are the hidden list's items, from the catalogue.
    auto* states = W<QComboBox>("ComboBox39");
    EXPECT_TRUE(states->isHidden());
    EXPECT_GE(states->count(), 4);
    EXPECT_EQ(states->itemText(0), QStringLiteral("Disarmed"));
}

// A short or unreadable file shows "M34" and changes neither the area nor the list; a longer
// file gives its first bytes only.
TEST_F(RecordPagesTest, LoadingAShortOrUnreadableFileChangesNothingAndALongerOneIsCut) {
    const RecordPageRow& alarm = *RecordPageFor(RegionId::AlarmRecord);
    LoadArea(alarm, DemoRegion(RegionId::AlarmRecord));
    ASSERT_EQ(ListRows(alarm.list).size(), kDemoRows[0]);
    const Rows rows = ListRows(alarm.list);
    const std::string area = Area(RegionId::AlarmRecord);

    fs::create_directory(m_folder / "folder.bin");
    Write("short.bin", std::string(4096, '\0'));
    for (const char* file : {"short.bin", "missing.bin", "folder.bin"}) {
        SCOPED_TRACE(file);
        m_messages.clear();
        Choose(file);
        Click(alarm.loadButton);
        EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
        EXPECT_EQ(Area(RegionId::AlarmRecord), area);
        EXPECT_EQ(ListRows(alarm.list), rows);
    }

    const RecordPageRow& dialOut = *RecordPageFor(RegionId::DialOutRecord);
    const std::string calls = DemoRegion(RegionId::DialOutRecord);
    ASSERT_EQ(calls.size(), 3328u);
    m_messages.clear();
    LoadArea(dialOut, calls + std::string(10000 - calls.size(), '\x01'));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Area(RegionId::DialOutRecord), calls);
    const ImageRegion& r = Region(RegionId::DialOutRecord);
    EXPECT_EQ(m_window->Image().Bytes()[r.start + r.size], 0xFF);  // nothing written beyond
    EXPECT_EQ(ListRows(dialOut.list).size(), kDemoRows[3]);
}

// Every page saves its area and loads it back to the same bytes and the same rows; an area never
// read saves as 0xFF bytes, which load back as an empty list without a message.
TEST_F(RecordPagesTest, SavedAreasLoadBackToTheSameBytesAndRows) {
    std::size_t i = 0;
    for (const RecordPageRow& page : RecordPages()) {
        SCOPED_TRACE(page.list);
        Choose("erased.bin");
        Click(page.saveButton);
        EXPECT_EQ(Read("erased.bin"), std::string(Region(page.region).size, '\xFF'));

        LoadArea(page, DemoRegion(page.region));
        const Rows rows = ListRows(page.list);
        EXPECT_EQ(rows.size(), kDemoRows[i]);
        Choose("saved.bin");
        Click(page.saveButton);
        EXPECT_EQ(Read("saved.bin"), DemoRegion(page.region));

        Choose("erased.bin");
        Click(page.loadButton);
        EXPECT_TRUE(ListRows(page.list).empty());
        Choose("saved.bin");
        Click(page.loadButton);
        EXPECT_EQ(ListRows(page.list), rows);
        EXPECT_EQ(Area(page.region), DemoRegion(page.region));
        ++i;
    }
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_dialogs.size(), 6u * 5u);
    EXPECT_EQ(std::count(m_dialogs.begin(), m_dialogs.end(), "SaveDialog1"), 12);
    EXPECT_EQ(std::count(m_dialogs.begin(), m_dialogs.end(), "OpenDialog1"), 18);
}

// Every failed save shows "M35", on every page and for the whole image; the file in the way is
// left as it was.
TEST_F(RecordPagesTest, EveryFailedSaveShowsM35) {
    fs::create_directory(m_folder / "in the way");
    std::vector<const char*> buttons;
    for (const RecordPageRow& page : RecordPages()) {
        buttons.push_back(page.saveButton);
    }
    buttons.push_back("Button22");
    for (const char* button : buttons) {
        for (const char* file : {"no such folder/area.bin", "in the way"}) {
            SCOPED_TRACE(std::string(button) + " " + file);
            m_messages.clear();
            Choose(file);
            Click(button);
            EXPECT_EQ(m_messages, std::vector<std::string>{"M35"});
        }
    }
    EXPECT_TRUE(fs::is_directory(m_folder / "in the way"));
    EXPECT_TRUE(fs::is_empty(m_folder / "in the way"));
    // A cancelled dialog does nothing.
    m_messages.clear();
    Click("Button22");
    Click(RecordPages()[0].saveButton);
    EXPECT_TRUE(m_messages.empty());
}

// A clear with the port closed still empties the list and the area, then the sender says "M3";
// "Clear Record" does so for every record area.
TEST_F(RecordPagesTest, ClearsWithThePortClosedEmptyListAndAreaThenShowM3) {
    for (const RecordPageRow& page : RecordPages()) {
        SCOPED_TRACE(page.list);
        LoadArea(page, DemoRegion(page.region));
        ASSERT_FALSE(ListRows(page.list).empty());
        m_messages.clear();
        Click(page.clearButton);
        EXPECT_TRUE(ListRows(page.list).empty());
        EXPECT_EQ(Area(page.region), std::string(Region(page.region).size, '\xFF'));
        EXPECT_EQ(m_messages, std::vector<std::string>{"M3"});
        EXPECT_FALSE(m_window->Timer1().IsRunning());
    }

    const std::vector<std::uint8_t> demo = BuildDemoMemory();
    Write("image.bin", std::string(demo.begin(), demo.end()));
    Choose("image.bin");
    Click("Button1");
    m_messages.clear();
    Click("Button24");
    for (const RecordPageRow& page : RecordPages()) {
        EXPECT_TRUE(ListRows(page.list).empty()) << page.list;
    }
    for (const RegionId region : RecordChain()) {
        EXPECT_EQ(Area(region), std::string(Region(region).size, '\xFF'));
    }
    // The settings area is no record area.
    EXPECT_EQ(Area(RegionId::Settings), std::string(demo.begin(), demo.begin() + 4096));
    EXPECT_EQ(m_messages, std::vector<std::string>{"M3"});
    EXPECT_FALSE(m_window->Timer1().IsRunning());
}

// A page's read erases its area at once and resets the progress display before the request
// (alarm page) or after it (message pages), as its row says.
TEST_F(RecordPagesTest, ReadWithThePortClosedErasesTheAreaAndResetsProgressAsTheRowSays) {
    for (const RecordPageRow& page : RecordPages()) {
        SCOPED_TRACE(page.list);
        LoadArea(page, DemoRegion(page.region));
        const Rows rows = ListRows(page.list);
        m_recorder.events.clear();
        Click(page.readButton);
        std::vector<std::string> expected;
        if (page.resetProgressBeforeRead) {
            expected.push_back("progress 0");
        }
        expected.push_back("M3");
        if (page.resetProgressAfterRead) {
            expected.push_back("progress 0");
        }
        EXPECT_EQ(m_recorder.events, expected);
        EXPECT_EQ(Area(page.region), std::string(Region(page.region).size, '\xFF'));
        EXPECT_EQ(ListRows(page.list), rows);  // until the area's last block arrives
    }
}

// "Read Record" against the simulated unit fills each page as its area completes, in the order
// of the record chain; the whole image saved then refills all six lists in a window that never
// met the unit.
TEST_F(RecordPagesTest, ReadRecordFillsEachPageAsItsAreaCompletesAndTheSavedImageLoadsBack) {
    ConnectToSim();
    // At each list area's decode: the lists that have rows, in page order.
    std::vector<std::vector<std::string>> filled;
    m_recorder.onDecoded = [&](RegionId region, bool decoded) {
        EXPECT_TRUE(decoded);
        if (RecordPageFor(region) == nullptr) {
            return;  // a health area
        }
        auto& lists = filled.emplace_back();
        for (const RecordPageRow& page : RecordPages()) {
            if (!ListRows(page.list).empty()) {
                lists.push_back(page.list);
            }
        }
    };
    Click("Button23");
    const RecordPageRow& outbox = *RecordPageFor(RegionId::Outbox);
    ASSERT_TRUE(WaitUntil([&] { return !ListRows(outbox.list).empty(); }, 60000));
    m_recorder.onDecoded = nullptr;
    // The chain's order: alarm, armed, dial-out (ListView3), incoming (ListView4), inbox, outbox.
    const std::vector<std::vector<std::string>> expected = {
        {"ListView1"},
        {"ListView1", "ListView2"},
        {"ListView1", "ListView2", "ListView3"},
        {"ListView1", "ListView2", "ListView4", "ListView3"},
        {"ListView1", "ListView2", "ListView4", "ListView3", "ListView5"},
        {"ListView1", "ListView2", "ListView4", "ListView3", "ListView5", "ListView6"},
    };
    EXPECT_EQ(filled, expected);
    const auto memory = m_sim->MemorySnapshot();
    for (const RegionId region : RecordChain()) {
        const ImageRegion& r = Region(region);
        EXPECT_EQ(Area(region),
                  std::string(memory.begin() + r.start, memory.begin() + r.start + r.size));
    }
    std::vector<Rows> read;
    std::size_t i = 0;
    for (const RecordPageRow& page : RecordPages()) {
        read.push_back(ListRows(page.list));
        EXPECT_EQ(read.back().size(), kDemoRows[i++]) << page.list;
    }
    EXPECT_TRUE(m_messages.empty());

    Choose("image.bin");
    Click("Button22");
    EXPECT_EQ(Read("image.bin"), Bytes(m_window->Image().Bytes()));
    m_window->Session().RemoveListener(m_recorder);
    m_window.reset();
    m_sim.reset();

    m_window = Open();
    Choose("image.bin");
    Click("Button1");
    i = 0;
    for (const RecordPageRow& page : RecordPages()) {
        EXPECT_EQ(ListRows(page.list), read[i++]) << page.list;
    }
    EXPECT_TRUE(m_messages.empty());
}

// "Load Record" with a short or unreadable file shows "M34" and changes no byte and no list.
TEST_F(RecordPagesTest, LoadRecordFromAShortFileChangesNothing) {
    const RecordPageRow& inbox = *RecordPageFor(RegionId::Inbox);
    LoadArea(inbox, DemoRegion(RegionId::Inbox));
    const Rows rows = ListRows(inbox.list);
    const std::string image = Bytes(m_window->Image().Bytes());
    Write("short.bin", std::string(kImageSize - 1, '\0'));
    for (const char* file : {"short.bin", "missing.bin"}) {
        SCOPED_TRACE(file);
        m_messages.clear();
        Choose(file);
        Click("Button1");
        EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
        EXPECT_EQ(Bytes(m_window->Image().Bytes()), image);
        EXPECT_EQ(ListRows(inbox.list), rows);
    }
}

// The clear buttons are shown only while logged in; reading, saving and loading always.
TEST_F(RecordPagesTest, ClearButtonsFollowTheLoginState) {
    auto hidden = [&](bool clear) {
        std::vector<std::string> names;
        for (const RecordPageRow& page : RecordPages()) {
            if (clear) {
                names.push_back(page.clearButton);
            } else {
                names.insert(names.end(), {page.readButton, page.saveButton, page.loadButton});
            }
        }
        if (clear) {
            names.push_back("Button24");
        } else {
            names.insert(names.end(), {"Button1", "Button22", "Button23"});
        }
        std::vector<std::string> out;
        for (const std::string& name : names) {
            if (W<QWidget>(name.c_str())->isHidden()) {
                out.push_back(name);
            }
        }
        return out;
    };
    EXPECT_EQ(hidden(true).size(), 7u);
    EXPECT_TRUE(hidden(false).empty());
    ConnectToSim();
    Click("Button4");
    ASSERT_TRUE(WaitUntil([&] { return hidden(true).empty(); }));
    EXPECT_TRUE(hidden(false).empty());
    Click("SpeedButton10");  // closing the port logs out
    EXPECT_EQ(hidden(true).size(), 7u);
    EXPECT_TRUE(hidden(false).empty());
}

// A header click sorts by that column: numbers as numbers, a second click reverses, and the row
// numbers stay those of the decode.
TEST_F(RecordPagesTest, HeaderClicksSortNumericColumnsByNumberAndReverse) {
    // Twelve calls in time order with the call values 5, 40, 300, 5, ... (as texts "300" < "40"
    // < "5").
    std::string area(Region(RegionId::DialOutRecord).size, '\xFF');
    const unsigned values[] = {5, 40, 300};
    for (int i = 0; i < 12; ++i) {
        char* slot = area.data() + 32 * i;
        const char stamp[] = {24, 3, static_cast<char>(1 + i), 10, 0, 0};
        std::copy(stamp, stamp + 6, slot);
        const unsigned v = values[i % 3];
        slot[6] = static_cast<char>(v & 0xFF);
        slot[7] = static_cast<char>(v >> 8);
        std::string number = "+49" + std::to_string(100 + i);
        std::copy(number.begin(), number.end(), slot + 8);
        slot[8 + number.size()] = '\0';
    }
    const RecordPageRow& page = *RecordPageFor(RegionId::DialOutRecord);
    LoadArea(page, area);
    auto* list = W<QTreeWidget>(page.list);
    list->resize(800, 400);
    const std::vector<std::string> decoded = Column(page.list, 0);
    ASSERT_EQ(decoded.size(), 12u);
    EXPECT_EQ(decoded[9], "10");  // 1..12 in number order, not 1, 10, 11, 12, 2 ...

    auto clickHeader = [&](int column) {
        QHeaderView* header = list->header();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    struct Step {
        int column;
        std::vector<std::string> values;   // the column's texts top to bottom
        std::vector<std::string> numbers;  // the row numbers top to bottom (first three)
    };
    const Step steps[] = {
        {2,
         {"5", "5", "5", "5", "40", "40", "40", "40", "300", "300", "300", "300"},
         {"1", "4", "7"}},
        {2,
         {"300", "300", "300", "300", "40", "40", "40", "40", "5", "5", "5", "5"},
         {"12", "9", "6"}},
        {0, {}, {"1", "2", "3"}},
        {0, {}, {"12", "11", "10"}},
    };
    for (const Step& step : steps) {
        clickHeader(step.column);
        const std::vector<std::string> numbers = Column(page.list, 0);
        EXPECT_EQ(std::vector<std::string>(numbers.begin(), numbers.begin() + 3), step.numbers);
        if (!step.values.empty()) {
            EXPECT_EQ(Column(page.list, step.column), step.values);
        }
    }
    // The numbers are those of the decode whatever the order shown.
    std::vector<std::string> sorted = Column(page.list, 0);
    std::reverse(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, decoded);
}

// The context menu of a list exports the rows as shown into a UTF-8 CSV file with the shown
// column headers; it opens from the keyboard as well, and a failed write shows "M35".
TEST_F(RecordPagesTest, ContextMenuExportsTheShownRowsAsUtf8Csv) {
    std::string area(Region(RegionId::AlarmRecord).size, '\xFF');
    const std::pair<const char*, std::string> alarms[] = {
        {"\x0C\x03\x1F\x17\x05\x09", "Caf\xE9 door, front"},  // 2012-03-31 23:05:09
        {"\x0C\x01\x02\x03\x04\x05", "Say \"help\""},         // 2012-01-02 03:04:05
    };
    for (int i = 0; i < 2; ++i) {
        char* slot = area.data() + 80 * i;
        std::copy(alarms[i].first, alarms[i].first + 6, slot);
        std::copy(alarms[i].second.begin(), alarms[i].second.end(), slot + 6);
        slot[6 + alarms[i].second.size()] = '\0';
    }
    const RecordPageRow& page = *RecordPageFor(RegionId::AlarmRecord);
    LoadArea(page, area);
    auto* list = W<QTreeWidget>(page.list);

    // The menu key sends the focused list a keyboard context-menu event.
    QStringList shown;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions()) {
                shown.append(a->text());
            }
            menu->close();
        }
    });
    list->setFocus();
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(10, 10),
                          list->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(list, &key);
    ASSERT_EQ(shown, QStringList{m_window->MessageString("CsvExport")});
    EXPECT_EQ(shown[0], QStringLiteral("Export as CSV..."));

    ASSERT_EQ(list->actions().size(), 1);
    Choose("alarms.csv");
    list->actions()[0]->trigger();
    EXPECT_EQ(m_dialogs.back(), "CsvSaveDialog");
    EXPECT_EQ(Read("alarms.csv"),
              "No.,Date and time,Alarm\r\n"
              "1,2012-01-02 03:04:05,\"Say \"\"help\"\"\"\r\n"
              "2,2012-03-31 23:05:09,\"Caf\xC3\xA9 door, front\"\r\n");
    EXPECT_TRUE(m_messages.empty());

    Choose("no such folder/alarms.csv");
    list->actions()[0]->trigger();
    EXPECT_EQ(m_messages, std::vector<std::string>{"M35"});
}

// Tab moves from the list through the four buttons in their row.
TEST_F(RecordPagesTest, ListAndButtonsAreInTabOrder) {
    m_window->show();
    const RecordPageRow& page = *RecordPageFor(RegionId::Inbox);
    W<QAbstractButton>("tefxSpeedButton4")->click();  // not logged in: no clear button
    auto* list = W<QTreeWidget>(page.list);
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Inbox"));
    QWidget* next = list->nextInFocusChain();
    std::vector<QWidget*> order;
    for (int i = 0; i < 4 && next != nullptr; next = next->nextInFocusChain()) {
        if (next->isVisibleTo(m_window.get()) && next->focusPolicy() & Qt::TabFocus) {
            order.push_back(next);
            ++i;
        }
    }
    const std::vector<QWidget*> expected = {
        W<QWidget>(page.readButton), W<QWidget>(page.saveButton), W<QWidget>(page.loadButton)};
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<QWidget*>(order.begin(), order.begin() + 3), expected);
    EXPECT_TRUE(list->focusPolicy() & Qt::TabFocus);
}

}  // namespace
}  // namespace carecfg
