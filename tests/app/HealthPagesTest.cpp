// The blood-pressure, glucose and weight pages of the window: filling from the image, region
// files in and out, clearing, the charts' look, ranges and scrolling, time zones, the context
// menu's CSV, PNG and PDF exports, and keyboard and screen-reader use.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QChart>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTimeAxis>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/HealthChartView.h"
#include "app/MainWindow.h"
#include "app/StatusBar.h"
#include "app/pages/HealthRecordPage.h"
#include "health/HealthTime.h"
#include "image/DeviceImage.h"
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

std::string DemoRegion(RegionId region) {
    static const std::vector<std::uint8_t> memory = BuildDemoMemory();
    const ImageRegion& r = Region(region);
    return std::string(memory.begin() + r.start, memory.begin() + r.start + r.size);
}

// One reading slot: bank (0 or 1), slot index and its bytes from the time stamp on.
struct Slot {
    int bank;
    int index;
    std::vector<std::uint8_t> bytes;
};

// A health region of 0xFF bytes with the header's first six bytes and the slots given.
std::string HealthArea(const std::array<std::uint8_t, 6>& header,
                       const std::vector<Slot>& readings) {
    std::string area(4096, '\xFF');
    std::copy(header.begin(), header.end(), area.begin());
    for (const Slot& s : readings) {
        const std::size_t at =
            (s.bank == 0 ? 0x020u : 0x820u) + 16u * static_cast<unsigned>(s.index);
        std::copy(s.bytes.begin(), s.bytes.end(), area.begin() + static_cast<long>(at));
    }
    return area;
}

// Sets the process's time zone for one scope and puts the old one back.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_old) {
            ::setenv("TZ", m_old->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

// Rows of bank 1 and bank 2 that the demonstration unit's areas give, in page order.
constexpr std::array<std::array<std::size_t, 2>, 3> kDemoRows = {{{84, 35}, {84, 60}, {42, 21}}};

// A window over the shipped skin.ini (or a changed copy) in a folder of its own, recording
// message keys instead of showing boxes and answering the file dialogs from a script.
class HealthPagesTest : public ::testing::Test {
protected:
    void SetUp() override { m_window = Open(ShippedSkin()); }

    std::unique_ptr<Tfrm_mainset> Open(const std::string& skin) {
        testing::WriteBytes(m_folder / "skin.ini", skin);
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [this](const std::string& key) { m_messages.push_back(key); };
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
        bool started = false;
        QObject::connect(window.get(), &Tfrm_mainset::StartupFinished, [&] { started = true; });
        EXPECT_TRUE(WaitUntil([&] { return started; }));
        return window;
    }

    template <class T>
    T* W(const char* name) const {
        T* widget = m_window->Find<T>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    HealthChartView* Chart(const char* name) const { return W<HealthChartView>(name); }
    void Click(const char* button) { W<QAbstractButton>(button)->click(); }
    QString File(const std::string& name) const {
        return QString::fromStdString((m_folder / name).string());
    }
    void Choose(const std::string& name) { m_files.push_back(File(name)); }
    void Write(const std::string& name, const std::string& bytes) const {
        testing::WriteBytes(m_folder / name, bytes);
    }
    std::string Read(const std::string& name) const { return testing::ReadBytes(m_folder / name); }
    void LoadArea(const HealthPageRow& page, const std::string& bytes) {
        Write("area.bin", bytes);
        Choose("area.bin");
        Click(page.loadButton);
    }
    std::string Area(RegionId region) const {
        const auto bytes = m_window->Image().RegionBytes(region);
        return std::string(bytes.begin(), bytes.end());
    }
    Rows ListRows(const char* list) const {
        Rows rows;
        const auto* view = W<QTreeWidget>(list);
        for (int r = 0; r < view->topLevelItemCount(); ++r) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < view->columnCount(); ++c) {
                row.push_back(view->topLevelItem(r)->text(c).toStdString());
            }
        }
        return rows;
    }
    // The number of points of each series of the chart.
    std::vector<int> PointCounts(const char* chart) const {
        std::vector<int> counts;
        for (int i = 0; i < 4; ++i) {
            counts.push_back(static_cast<int>(Chart(chart)->Series(i)->count()));
        }
        return counts;
    }
    // The texts of the context menu the menu key opens on the widget.
    QStringList MenuTexts(QWidget* widget) {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions()) {
                    shown.append(a->text());
                }
                menu->close();
            }
        });
        widget->setFocus();
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(10, 10),
                              widget->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(widget, &key);
        return shown;
    }
    static const HealthPageRow& Page(RegionId region) { return *HealthPageRowFor(region); }

    testing::TempDir m_folder{"carecfg-health"};
    std::vector<std::string> m_messages;
    std::vector<std::string> m_dialogs;
    std::deque<QString> m_files;
    std::unique_ptr<Tfrm_mainset> m_window;
};

TEST_F(HealthPagesTest, PagesAreBuiltFromTheirRowsWithCataloguedTextsAndAccessibleNames) {
    const std::array<int, 3> columns = {5, 3, 3};
    std::size_t p = 0;
    for (const HealthPageRow& page : HealthPageRows()) {
        SCOPED_TRACE(page.sheet);
        const QWidget* sheet = W<QWidget>(page.sheet);
        for (const char* name : page.lists) {
            auto* list = W<QTreeWidget>(name);
            ASSERT_NE(list, nullptr);
            EXPECT_TRUE(sheet->isAncestorOf(list));
            EXPECT_EQ(list->columnCount(), columns[p]);
            EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("No."));
            for (int c = 0; c < list->columnCount(); ++c) {
                EXPECT_GE(list->columnWidth(c), page.columnWidths[static_cast<std::size_t>(c)]);
            }
            EXPECT_FALSE(list->accessibleName().isEmpty());
        }
        EXPECT_EQ(W<QTreeWidget>(page.lists[0])->accessibleName(),
                  m_window->MessageString(page.nameKey) + QStringLiteral(", Bank 1"));
        for (std::size_t i = 0; i < page.charts.size(); ++i) {
            HealthChartView* chart = Chart(page.charts[i]);
            ASSERT_NE(chart, nullptr);
            EXPECT_TRUE(sheet->isAncestorOf(chart));
            EXPECT_FALSE(chart->accessibleName().isEmpty());
            EXPECT_EQ(chart->SeriesTitle(0), QStringLiteral("Bank 1"));
            EXPECT_EQ(chart->SeriesTitle(1), QStringLiteral("Bank 2"));
            auto* scroll = W<QScrollBar>(page.scrollBars[i]);
            ASSERT_NE(scroll, nullptr);
            EXPECT_TRUE(scroll->accessibleName().contains(chart->accessibleName()));
        }
        for (const char* name :
             {page.readButton, page.clearButton, page.exportButton, page.loadButton}) {
            auto* button = W<QAbstractButton>(name);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->text().isEmpty());
            EXPECT_TRUE(sheet->isAncestorOf(button));
            QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(a11y, nullptr);
            EXPECT_EQ(a11y->text(QAccessible::Name), button->text());
        }
        ++p;
    }
    EXPECT_EQ(Chart("Chart1")->LeftAxisTitle(), QStringLiteral("Systolic"));
}

// Every page fills from the demonstration unit's area: rows of both banks numbered from 1 in time
// order, one point per reading on the bank's series of every chart.
TEST_F(HealthPagesTest, EachPageFillsFromTheDemoUnitsArea) {
    std::size_t p = 0;
    for (const HealthPageRow& page : HealthPageRows()) {
        SCOPED_TRACE(page.sheet);
        LoadArea(page, DemoRegion(page.region));
        for (std::size_t bank = 0; bank < 2; ++bank) {
            const Rows rows = ListRows(page.lists[bank]);
            ASSERT_EQ(rows.size(), kDemoRows[p][bank]);
            for (std::size_t r = 0; r < rows.size(); ++r) {
                EXPECT_EQ(rows[r][0], std::to_string(r + 1));
                if (r > 0) {
                    EXPECT_LE(rows[r - 1][1], rows[r][1]);
                }
            }
        }
        for (const char* chart : page.charts) {
            const std::vector<int> counts = PointCounts(chart);
            EXPECT_EQ(counts[0], static_cast<int>(kDemoRows[p][0])) << chart;
            EXPECT_EQ(counts[1], static_cast<int>(kDemoRows[p][1])) << chart;
        }
        ++p;
    }
    EXPECT_TRUE(m_messages.empty());
    // The units of the region's header: mmHg on the pressure values, none on the pulse.
    const Rows blood = ListRows("ListView7");
    EXPECT_TRUE(QString::fromStdString(blood[0][2]).endsWith(QStringLiteral(" mmHg")));
    EXPECT_EQ(blood[0][4].find(' '), std::string::npos);
    EXPECT_EQ(Chart("Chart1")->accessibleName(), QStringLiteral("Systolic (mmHg)"));
}

// Export right after a clear writes the erased region, which loads back as empty lists.
TEST_F(HealthPagesTest, ExportAfterClearWritesErasedBytesThatLoadAsEmptyLists) {
    for (const HealthPageRow& page : HealthPageRows()) {
        SCOPED_TRACE(page.sheet);
        LoadArea(page, DemoRegion(page.region));
        Click(page.clearButton);
        Choose("erased.bin");
        Click(page.exportButton);
        EXPECT_EQ(Read("erased.bin"), std::string(4096, '\xFF'));
        LoadArea(page, DemoRegion(page.region));
        ASSERT_FALSE(ListRows(page.lists[0]).empty());
        m_messages.clear();
        Choose("erased.bin");
        Click(page.loadButton);
        EXPECT_TRUE(m_messages.empty());
        EXPECT_TRUE(ListRows(page.lists[0]).empty());
        EXPECT_TRUE(ListRows(page.lists[1]).empty());
        EXPECT_EQ(PointCounts(page.charts[0])[0], 0);
    }
}

// A file of the wrong size or unreadable changes nothing; a longer one is cut to the region; a
// slot with month 13 stops the decode with "M34", keeping the rows decoded before it.
TEST_F(HealthPagesTest, LoadedFilesAreCheckedAndABadSlotKeepsTheRowsBeforeIt) {
    const HealthPageRow& blood = Page(RegionId::BloodPressure);
    const std::string demo = DemoRegion(RegionId::BloodPressure);
    LoadArea(blood, demo);
    const Rows rows7 = ListRows("ListView7");
    const Rows rows8 = ListRows("ListView8");

    fs::create_directory(m_folder / "folder.bin");
    Write("short.bin", demo.substr(0, 100));
    for (const char* file : {"short.bin", "missing.bin", "folder.bin"}) {
        SCOPED_TRACE(file);
        m_messages.clear();
        Choose(file);
        Click(blood.loadButton);
        EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
        EXPECT_EQ(Area(RegionId::BloodPressure), demo);
        EXPECT_EQ(ListRows("ListView7"), rows7);
        EXPECT_EQ(ListRows("ListView8"), rows8);
    }

    m_messages.clear();
    LoadArea(Page(RegionId::Glucose),
             DemoRegion(RegionId::Glucose) + std::string(5000 - 4096, '\x05'));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(Area(RegionId::Glucose), DemoRegion(RegionId::Glucose));
    EXPECT_EQ(ListRows("ListView9").size(), kDemoRows[1][0]);
    const ImageRegion& glucose = Region(RegionId::Glucose);
    EXPECT_EQ(m_window->Image().Bytes()[glucose.start + glucose.size], 0xFF);

    // Bank 1 slot 10 says month 13: slots 0-9 of both banks come first.
    std::string bad = demo;
    bad[0x020 + 16 * 10 + 1] = 13;
    m_messages.clear();
    LoadArea(blood, bad);
    EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
    const Rows kept = ListRows("ListView7");
    ASSERT_EQ(kept.size(), 11u);
    EXPECT_EQ(ListRows("ListView8").size(), 10u);
    for (std::size_t r = 0; r < 10; ++r) {
        EXPECT_EQ(kept[r][1], rows7[r][1]);
        EXPECT_EQ(kept[r][2], rows7[r][2]);
    }
    EXPECT_EQ(kept[10][1].substr(0, 8), "2024-13-");
    EXPECT_EQ(kept[10][2], "");
    EXPECT_EQ(PointCounts("Chart1")[0], 10);
}

// Every failed write shows "M35": the region file and the three exports of the context menu.
TEST_F(HealthPagesTest, EveryFailedWriteShowsM35) {
    const HealthPageRow& blood = Page(RegionId::BloodPressure);
    LoadArea(blood, DemoRegion(RegionId::BloodPressure));
    fs::create_directory(m_folder / "in the way");
    auto* list = W<QTreeWidget>("ListView7");
    std::vector<std::function<void()>> commands = {[&] { Click(blood.exportButton); }};
    for (QAction* action : list->actions()) {
        commands.emplace_back([action] { action->trigger(); });
    }
    for (QAction* action : Chart("Chart2")->actions()) {
        commands.emplace_back([action] { action->trigger(); });
    }
    ASSERT_EQ(commands.size(), 7u);
    for (std::size_t c = 0; c < commands.size(); ++c) {
        for (const char* file : {"no such folder/out", "in the way"}) {
            SCOPED_TRACE(std::to_string(c) + " " + file);
            m_messages.clear();
            Choose(file);
            commands[c]();
            EXPECT_EQ(m_messages, std::vector<std::string>{"M35"});
        }
    }
    EXPECT_TRUE(fs::is_empty(m_folder / "in the way"));
    // A cancelled dialog does nothing.
    m_messages.clear();
    for (const auto& command : commands) {
        command();
    }
    EXPECT_TRUE(m_messages.empty());
}

// A clear with the port closed empties lists and series and the region, then the sender says
// "M3"; the axes and scroll bars stay as they were. "Clear Record" and "Load Record" empty and
// refill all three pages.
TEST_F(HealthPagesTest, ClearsEmptyListsAndChartsAndLoadRecordRefillsThem) {
    const HealthPageRow& weight = Page(RegionId::Weight);
    LoadArea(weight, DemoRegion(RegionId::Weight));
    const AxisRange window = Chart("Chart5")->TimeWindow();
    const int scrollMaximum = W<QScrollBar>("ScrollBar5")->maximum();
    ASSERT_GT(scrollMaximum, 0);
    m_messages.clear();
    Click(weight.clearButton);
    EXPECT_TRUE(ListRows("ListView11").empty());
    EXPECT_EQ(PointCounts("Chart5"), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(Area(RegionId::Weight), std::string(4096, '\xFF'));
    EXPECT_EQ(m_messages, std::vector<std::string>{"M3"});
    EXPECT_FALSE(m_window->Timer1().IsRunning());
    EXPECT_EQ(Chart("Chart5")->TimeWindow(), window);
    EXPECT_EQ(W<QScrollBar>("ScrollBar5")->maximum(), scrollMaximum);

    const std::vector<std::uint8_t> demo = BuildDemoMemory();
    Write("image.bin", std::string(demo.begin(), demo.end()));
    Choose("image.bin");
    Click("Button1");
    std::size_t p = 0;
    for (const HealthPageRow& page : HealthPageRows()) {
        EXPECT_EQ(ListRows(page.lists[0]).size(), kDemoRows[p][0]) << page.sheet;
        EXPECT_EQ(ListRows(page.lists[1]).size(), kDemoRows[p][1]) << page.sheet;
        ++p;
    }
    Click("Button24");
    for (const HealthPageRow& page : HealthPageRows()) {
        EXPECT_TRUE(ListRows(page.lists[0]).empty()) << page.sheet;
        EXPECT_TRUE(ListRows(page.lists[1]).empty()) << page.sheet;
        for (const char* chart : page.charts) {
            EXPECT_EQ(PointCounts(chart), (std::vector<int>{0, 0, 0, 0})) << chart;
        }
    }
    Choose("image.bin");
    Click("Button1");
    EXPECT_EQ(ListRows("ListView12").size(), kDemoRows[2][1]);
    EXPECT_EQ(PointCounts("Chart3")[1], static_cast<int>(kDemoRows[0][1]));
}

// The clear buttons are shown only while logged in.
TEST_F(HealthPagesTest, ClearButtonsFollowTheLoginState) {
    const std::vector<const char*> clears = {"Button38", "Button41", "Button44"};
    for (const char* name : clears) {
        EXPECT_TRUE(W<QWidget>(name)->isHidden()) << name;
    }
    EXPECT_FALSE(W<QWidget>("Button37")->isHidden());
    m_window->SetLoginState(true);
    for (const char* name : clears) {
        EXPECT_FALSE(W<QWidget>(name)->isHidden()) << name;
    }
}

// Four series per chart: bank 1 black and bank 2 pink with round markers, the red threshold
// lines without markers and out of the legend; days labelled "M.dd", one per day with four
// minor ticks; flat, without a title, animation, zoom or panning. Chart2 has no threshold lines.
TEST_F(HealthPagesTest, ChartsShowTheirSeriesAndAxesAsTheCarerReadsThem) {
    LoadArea(Page(RegionId::BloodPressure), DemoRegion(RegionId::BloodPressure));
    LoadArea(Page(RegionId::Glucose), DemoRegion(RegionId::Glucose));
    const QColor colours[] = {QColor(0, 0, 0), QColor(255, 128, 255), QColor(255, 0, 0),
                              QColor(255, 0, 0)};
    for (const char* name : {"Chart1", "Chart2", "Chart3", "Chart4", "Chart5"}) {
        SCOPED_TRACE(name);
        HealthChartView* view = Chart(name);
        QChart* chart = view->chart();
        ASSERT_EQ(chart->series().size(), 4);
        for (int i = 0; i < 4; ++i) {
            QLineSeries* series = view->Series(i);
            EXPECT_EQ(series->pen().color(), colours[i]) << i;
            EXPECT_EQ(series->pointsVisible(), i < 2) << i;
            const auto markers = chart->legend()->markers(series);
            ASSERT_EQ(markers.size(), 1);
            EXPECT_EQ(markers[0]->isVisible(), i < 2) << i;
        }
        EXPECT_EQ(view->Series(0)->markerSize(), 4.0);
        EXPECT_EQ(view->Series(1)->markerSize(), 4.0);
        EXPECT_EQ(view->DayAxis()->format(), QStringLiteral("M.dd"));
        EXPECT_EQ(view->DayAxis()->tickCount(), 11);
        EXPECT_EQ(view->TimeAxis()->tickCount(), 11);
        EXPECT_EQ(view->TimeAxis()->minorTickCount(), 4);
        EXPECT_EQ(view->TimeWindow().maximum - view->TimeWindow().minimum, 10.0);
        EXPECT_TRUE(chart->title().isEmpty());
        EXPECT_EQ(chart->animationOptions(), QChart::NoAnimation);
        EXPECT_FALSE(chart->isDropShadowEnabled());
        EXPECT_EQ(view->rubberBand(), QChartView::NoRubberBand);
        EXPECT_FALSE(view->isInteractive());
    }
    EXPECT_EQ(PointCounts("Chart2")[2], 0);
    EXPECT_EQ(PointCounts("Chart2")[3], 0);
    EXPECT_GT(PointCounts("Chart1")[2], 0);
    EXPECT_GT(PointCounts("Chart3")[3], 0);
    // Glucose lines have a point at every reading besides those of the window.
    EXPECT_GT(PointCounts("Chart4")[2], PointCounts("Chart4")[0] + PointCounts("Chart4")[1]);
    // The red lines lie at the header's thresholds: 140 and 90 mmHg.
    EXPECT_EQ(Chart("Chart1")->Series(2)->at(0).y(), 140.0);
    EXPECT_EQ(Chart("Chart1")->Series(3)->at(0).y(), 90.0);
}

// Moving from one range to one entirely below or above it sets the ends in the order that never
// holds a maximum below the minimum, as the axis reports each change.
TEST_F(HealthPagesTest, ValueRangesChangeWithoutEverBeingInverted) {
    const HealthPageRow& blood = Page(RegionId::BloodPressure);
    // Thresholds 240/200 and a systolic reading of 250, or thresholds 50/30 and a reading of 40;
    // with the margin of 10 % the ranges are [195, 255] and [28, 52].
    const std::string high =
        HealthArea({0, 0, 240, 200, 100, 50}, {{0, 0, {24, 3, 4, 9, 5, 0, 250, 80, 70}}});
    const std::string low =
        HealthArea({0, 0, 50, 30, 100, 50}, {{0, 0, {24, 3, 4, 9, 5, 0, 40, 80, 70}}});
    QValueAxis* axis = Chart("Chart1")->ValueAxis();
    struct Change {
        qreal min;
        qreal max;
    };
    std::vector<Change> changes;
    QObject::connect(axis, &QValueAxis::rangeChanged, [&](qreal min, qreal max) {
        changes.push_back({min, max});
    });
    const struct {
        const std::string* area;
        AxisRange range;
    } steps[] = {{&high, {195, 255}}, {&low, {28, 52}}, {&high, {195, 255}}};
    AxisRange before{axis->min(), axis->max()};
    for (const auto& step : steps) {
        changes.clear();
        LoadArea(blood, *step.area);
        EXPECT_EQ(Chart("Chart1")->ValueRange(), step.range);
        EXPECT_DOUBLE_EQ(axis->min(), step.range.minimum);
        EXPECT_DOUBLE_EQ(axis->max(), step.range.maximum);
        ASSERT_FALSE(changes.empty());
        for (const Change& c : changes) {
            EXPECT_LE(c.min, c.max);
            // Only the old or the new end is ever shown: the axis never had to move an end itself.
            EXPECT_TRUE(c.min == before.minimum || c.min == step.range.minimum) << c.min;
            EXPECT_TRUE(c.max == before.maximum || c.max == step.range.maximum) << c.max;
        }
        before = step.range;
    }
    EXPECT_TRUE(m_messages.empty());
}

// Fixed ranges whose minimum lies above their maximum are rejected: "M34" after a load, the lists
// complete, and the chart fitted to its points; the other charts keep their fixed ranges.
TEST_F(HealthPagesTest, AnInvertedFixedRangeIsRejected) {
    std::string skin = ShippedSkin();
    auto replace = [&skin](const std::string& from, const std::string& to) {
        const auto at = skin.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        skin.replace(at, from.size(), to);
    };
    replace("MZZB=1", "MZZB=0");
    replace("MSSX1=60", "MSSX1=300");
    m_window = Open(skin);
    LoadArea(Page(RegionId::BloodPressure), DemoRegion(RegionId::BloodPressure));
    EXPECT_EQ(m_messages, std::vector<std::string>{"M34"});
    EXPECT_EQ(ListRows("ListView7").size(), kDemoRows[0][0]);
    EXPECT_EQ(ListRows("ListView7").back()[0], std::to_string(kDemoRows[0][0]));
    const AxisRange fitted = Chart("Chart1")->ValueRange();
    EXPECT_LT(fitted.minimum, fitted.maximum);
    for (int s = 0; s < 4; ++s) {
        for (const QPointF& p : Chart("Chart1")->Series(s)->points()) {
            EXPECT_GE(p.y(), fitted.minimum);
            EXPECT_LE(p.y(), fitted.maximum);
        }
    }
    EXPECT_EQ(Chart("Chart2")->ValueRange(), (AxisRange{40, 130}));
    EXPECT_EQ(Chart("Chart3")->ValueRange(), (AxisRange{30, 180}));
}

// The scroll bar moves its chart's ten-day window by whole days from midnight of the earliest
// reading's day; the other charts of the page stay where they are.
TEST_F(HealthPagesTest, ScrollingMovesTheWindowByWholeDays) {
    LoadArea(Page(RegionId::BloodPressure), DemoRegion(RegionId::BloodPressure));
    const auto earliest = ParseHealthTimeText(ListRows("ListView7").front()[1]);
    ASSERT_TRUE(earliest);
    const double day0 = std::floor(*earliest);
    auto* scroll = W<QScrollBar>("ScrollBar1");
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_GT(scroll->maximum(), 20);
    EXPECT_EQ(scroll->singleStep(), 1);
    EXPECT_EQ(scroll->pageStep(), 1);
    HealthChartView* chart = Chart("Chart1");
    EXPECT_EQ(chart->TimeWindow(), (AxisRange{day0, day0 + 10}));
    const AxisRange other = Chart("Chart2")->TimeWindow();

    struct Move {
        std::function<void()> act;
        int days;
    };
    const Move moves[] = {
        {[&] { scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, 1},
        {[&] { scroll->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 2},
        {[&] { scroll->setValue(7); }, 7},
        {[&] { scroll->triggerAction(QAbstractSlider::SliderSingleStepSub); }, 6},
        {[&] { scroll->setValue(scroll->maximum()); }, scroll->maximum()},
        {[&] { scroll->setValue(0); }, 0},
    };
    for (const Move& move : moves) {
        SCOPED_TRACE(move.days);
        move.act();
        const AxisRange window{day0 + move.days, day0 + 10 + move.days};
        EXPECT_EQ(chart->TimeWindow(), window);
        EXPECT_DOUBLE_EQ(chart->TimeAxis()->min(),
                         static_cast<double>(ChartTimeOf(window.minimum)));
        EXPECT_DOUBLE_EQ(chart->TimeAxis()->max(),
                         static_cast<double>(ChartTimeOf(window.maximum)));
        const QDate first =
            QDateTime::fromMSecsSinceEpoch(ChartTimeOf(window.minimum), Qt::UTC).date();
        EXPECT_EQ(chart->DayAxis()->min().date(), first);
    }
    EXPECT_EQ(Chart("Chart2")->TimeWindow(), other);
}

// A reading at 09:05 is drawn at 09:05 of its day and every day label names the day under it,
// whatever the time zone and across a daylight-saving change inside the window.
TEST_F(HealthPagesTest, ReadingsAndDayLabelsKeepTheirTimeInEveryZone) {
    // Readings on 25 March and 2 April 2024 at 09:05: Europe changed its clocks on 31 March,
    // America on 10 March.
    const std::string area = HealthArea(
        {0, 0, 140, 90, 100, 50},
        {{0, 0, {24, 3, 25, 9, 5, 0, 120, 80, 70}}, {0, 1, {24, 4, 2, 9, 5, 0, 125, 82, 71}}});
    const HealthPageRow& blood = Page(RegionId::BloodPressure);
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Asia/Tokyo", "UTC"}) {
        SCOPED_TRACE(zone);
        const TimeZone tz(zone);
        LoadArea(blood, std::string(4096, '\xFF'));
        LoadArea(blood, area);
        HealthChartView* chart = Chart("Chart1");
        const QList<QPointF> points = chart->Series(0)->points();
        ASSERT_EQ(points.size(), 2);
        const QDateTime first =
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(points[0].x()), Qt::UTC);
        EXPECT_EQ(first, QDateTime(QDate(2024, 3, 25), QTime(9, 5), Qt::UTC));
        const QDateTime second =
            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(points[1].x()), Qt::UTC);
        EXPECT_EQ(second.time(), QTime(9, 5));
        // 9 h 5 min past the start of the window, the midnight of 25 March.
        EXPECT_DOUBLE_EQ(points[0].x() - chart->TimeAxis()->min(), (9 * 60 + 5) * 60000.0);
        QDateTimeAxis* days = chart->DayAxis();
        const qint64 step = (days->max().toMSecsSinceEpoch() - days->min().toMSecsSinceEpoch()) /
                            (days->tickCount() - 1);
        QStringList labels;
        for (int k = 0; k < days->tickCount(); ++k) {
            labels << days->min().addMSecs(k * step).toString(days->format());
        }
        EXPECT_EQ(labels, (QStringList{"3.25", "3.26", "3.27", "3.28", "3.29", "3.30", "3.31",
                                       "4.01", "4.02", "4.03", "4.04"}));
    }
}

// The CSV holds both banks with plain numbers and the units in the headers, whatever the lists
// show.
TEST_F(HealthPagesTest, CsvExportHoldsBothBanksWithUnitsInTheHeaders) {
    // Unit flag 1 (mg/dL); 7.2 mmol/L is 129.6 mg/dL.
    const std::string area =
        HealthArea({1, 0, 0x08, 0x07, 0x84, 0x03}, {{0, 0, {24, 5, 2, 8, 0, 0, 72, 0}},
                                                    {0, 1, {24, 5, 1, 20, 30, 15, 100, 0}},
                                                    {1, 0, {24, 5, 3, 7, 45, 0, 0x2C, 0x01}}});
    LoadArea(Page(RegionId::Glucose), area);
    EXPECT_EQ(ListRows("ListView9")[1][2], "129.6 mg/dL");
    Choose("glucose.csv");
    W<QTreeWidget>("ListView10")->actions()[0]->trigger();
    EXPECT_EQ(m_dialogs.back(), "CsvSaveDialog");
    EXPECT_EQ(Read("glucose.csv"),
              "Bank,No.,Date and time,Glucose (mg/dL)\r\n"
              "Bank 1,1,2024-05-01 20:30:15,180.0\r\n"
              "Bank 1,2,2024-05-02 08:00:00,129.6\r\n"
              "Bank 2,1,2024-05-03 07:45:00,540.0\r\n");
    EXPECT_TRUE(m_messages.empty());
}

// "Export chart as PNG..." writes a picture of the chart, or from a list of all the page's
// charts; "Report for the doctor (PDF)..." writes a PDF that renders to at least one page.
TEST_F(HealthPagesTest, PictureAndReportAreWritten) {
    LoadArea(Page(RegionId::BloodPressure), DemoRegion(RegionId::BloodPressure));
    const struct {
        QAction* action;
        QSize size;
    } pictures[] = {
        {Chart("Chart3")->actions()[1], QSize(960, 320)},
        {W<QTreeWidget>("ListView8")->actions()[1], QSize(960, 960)},
    };
    for (const auto& p : pictures) {
        Choose("chart.png");
        p.action->trigger();
        EXPECT_EQ(m_dialogs.back(), "PngSaveDialog");
        const std::string bytes = Read("chart.png");
        ASSERT_GT(bytes.size(), 8u);
        EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
        QImage image;
        ASSERT_TRUE(image.load(File("chart.png")));
        EXPECT_EQ(image.size(), p.size);
    }

    Choose("report.pdf");
    Chart("Chart1")->actions()[2]->trigger();
    EXPECT_EQ(m_dialogs.back(), "PdfSaveDialog");
    EXPECT_TRUE(m_messages.empty());
    const std::string pdf = Read("report.pdf");
    ASSERT_GT(pdf.size(), 1000u);
    EXPECT_EQ(pdf.substr(0, 4), "%PDF");
    if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    }
    const std::string command = "pdftoppm -png -r 30 '" + (m_folder / "report.pdf").string() +
                                "' '" + (m_folder / "page").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
        pages += entry.path().filename().string().rfind("page", 0) == 0 ? 1 : 0;
    }
    // The summary, the three charts and 84 + 35 rows do not fit on one A4 page.
    EXPECT_GE(pages, 2);
}

// The menu key opens the same three commands on lists and charts; Tab goes from the lists
// through each chart and its scroll bar to the buttons.
TEST_F(HealthPagesTest, ContextMenuAndTabOrderServeTheKeyboard) {
    m_window->show();
    W<QAbstractButton>("tefxSpeedButton14")->click();
    const QStringList expected = {m_window->MessageString("HealthCsvExport"),
                                  m_window->MessageString("HealthPngExport"),
                                  m_window->MessageString("HealthPdfReport")};
    EXPECT_EQ(expected[0], QStringLiteral("Export readings as CSV..."));
    EXPECT_EQ(expected[1], QStringLiteral("Export chart as PNG..."));
    EXPECT_EQ(expected[2], QStringLiteral("Report for the doctor (PDF)..."));
    EXPECT_EQ(MenuTexts(W<QWidget>("ListView7")), expected);
    EXPECT_EQ(MenuTexts(Chart("Chart2")), expected);

    QStringList order;
    QWidget* next = W<QWidget>("ListView7");
    order.append(next->objectName());
    for (next = next->nextInFocusChain(); order.size() < 10 && next != nullptr;
         next = next->nextInFocusChain()) {
        // Tab passes over a widget that hands its focus on (a chart's drawing area).
        if (next->isVisibleTo(m_window.get()) && (next->focusPolicy() & Qt::TabFocus) &&
            next->isEnabled() && next->focusProxy() == nullptr) {
            order.append(next->objectName());
        }
    }
    EXPECT_EQ(order, (QStringList{"ListView7", "ListView8", "Chart1", "ScrollBar1", "Chart2",
                                  "ScrollBar2", "Chart3", "ScrollBar3", "Button37", "Button39"}));
}

// "Read" against the simulated unit refills the page once the region's last block has arrived.
TEST_F(HealthPagesTest, ReadFromTheUnitFillsThePage) {
    UnitSim sim;
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    W<QComboBox>("cbox_com")->setCurrentText(QString::fromStdString(sim.TerminalPath()));
    Click("SpeedButton10");
    ASSERT_TRUE(WaitUntil(
        [&] { return m_window->StatusBar()->PanelText(0) == m_window->MessageString("M23"); }));
    Click("Button40");
    ASSERT_TRUE(WaitUntil([&] { return !ListRows("ListView10").empty(); }, 60000));
    EXPECT_EQ(ListRows("ListView9").size(), kDemoRows[1][0]);
    EXPECT_EQ(ListRows("ListView10").size(), kDemoRows[1][1]);
    EXPECT_EQ(PointCounts("Chart4")[0], static_cast<int>(kDemoRows[1][0]));
    Click("SpeedButton10");
}

}  // namespace
}  // namespace carecfg
