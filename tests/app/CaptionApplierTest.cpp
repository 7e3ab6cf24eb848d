#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/CaptionApplier.h"
#include "app/ChartTitles.h"
#include "app/ComponentHint.h"
#include "app/ComponentRegistry.h"
#include "app/StatusBar.h"
#include "text/TextCatalog.h"
#include "text/TextCodec.h"

#include "tests/app/WindowTestSupport.h"
#include "tests/support/TempDir.h"

namespace carecfg {
namespace {

using testing::WaitUntil;

// A skin.ini of its own in a temporary folder.
class Skin {
public:
    explicit Skin(const std::string& content, bool write = true) : m_dir("carecfg-captions") {
        if (write) {
            testing::WriteBytes(m_dir / "skin.ini", content);
        }
    }
    std::filesystem::path Path() const { return m_dir / "skin.ini"; }

private:
    testing::TempDir m_dir;
};

// The FORM entries of a catalogue, with every key asked for written down.
class RecordingEntries : public FormEntries {
public:
    explicit RecordingEntries(const TextCatalog& catalog, std::vector<std::string>& log)
        : m_catalog(catalog), m_log(log) {}
    std::optional<std::string> Find(std::string_view key) const override {
        m_log.emplace_back(key);
        return m_catalog.Lookup("FORM", key);
    }

private:
    const TextCatalog& m_catalog;
    std::vector<std::string>& m_log;
};

// A chart as a chart page offers it.
class FakeChart : public QWidget, public ChartTitles {
public:
    explicit FakeChart(int series, QWidget* parent) : QWidget(parent) {
        for (int i = 0; i < series; ++i) {
            m_series.push_back(QStringLiteral("own series %1").arg(i));
        }
    }
    void SetLeftAxisTitle(const QString& title) override { m_left = title; }
    void SetBottomAxisTitle(const QString& title) override { m_bottom = title; }
    int SeriesCount() const override { return static_cast<int>(m_series.size()); }
    void SetSeriesTitle(int index, const QString& title) override { m_series.at(index) = title; }

    QString m_left = QStringLiteral("own left");
    QString m_bottom = QStringLiteral("own bottom");
    std::vector<QString> m_series;
};

// A small window with one component of each class, all built with placeholder texts.
struct Form {
    Form() {
        window.setWindowTitle(QStringLiteral("built title"));
        auto* tabs = registry.Add(new QTabWidget(&window), QStringLiteral("PageControl1"));
        auto* sheet = registry.AddTabSheet(new QWidget, QStringLiteral("TabSheet1"));
        tabs->addTab(sheet, QStringLiteral("built sheet"));
        label = registry.Add(new QLabel(QStringLiteral("built label"), sheet),
                             QStringLiteral("Label1"));
        label->setToolTip(QStringLiteral("built hint"));
        check = registry.Add(new QCheckBox(QStringLiteral("built check"), sheet),
                             QStringLiteral("CheckBox1"));
        list = registry.Add(new QTreeWidget(sheet), QStringLiteral("ListView1"));
        list->setHeaderLabels({QStringLiteral("c0"), QStringLiteral("c1"), QStringLiteral("c2")});
        bar = registry.Add(new TStatusBar(&window), QStringLiteral("sta_bar"));
        for (int i = 0; i < 3; ++i) {
            bar->AddPanel(50);
            bar->SetPanelText(i, QStringLiteral("p%1").arg(i));
        }
        group = registry.Add(new QGroupBox(QStringLiteral("built group"), sheet),
                             QStringLiteral("GroupBox1"));
        box = registry.Add(new QComboBox(sheet), QStringLiteral("ComboBox1"));
        box->addItems({QStringLiteral("i0"), QStringLiteral("i1")});
        chart = registry.Add(new FakeChart(2, sheet), QStringLiteral("Chart1"));
        button = registry.Add(new QPushButton(QStringLiteral("built button"), sheet),
                              QStringLiteral("Button1"));
        speed = registry.Add(new QToolButton(sheet), QStringLiteral("SpeedButton1"));
        speed->setText(QStringLiteral("built speed"));
        edit = registry.Add(new QLineEdit(QStringLiteral("built edit"), sheet),
                            QStringLiteral("Edit1"));
        theme = registry.AddTheme(new QToolButton(sheet), QStringLiteral("TeButton1"));
        theme->setText(QStringLiteral("built theme"));
        masked = new QLineEdit(sheet);
        masked->setInputMask(QStringLiteral("99:99"));  // before registering: a masked edit
        registry.Add(masked, QStringLiteral("MaskEdit1"));
        masked->setText(QStringLiteral("12:34"));
        rich = registry.Add(new QTextEdit(QStringLiteral("built rich"), sheet),
                            QStringLiteral("RichEdit1"));
    }

    // Applies the catalogue and waits for `done`; the number of calls of `done` is counted.
    bool Apply(const TextCatalog& catalog, const TextCodec& codec = TextCodec()) {
        const int before = doneCalls;
        ApplyCatalogToForm(window, registry, catalog, codec, [this] { ++doneCalls; });
        return WaitUntil([&] { return doneCalls > before; });
    }

    // Everything the applier may change, as text, for comparisons.
    std::vector<QString> State() const {
        std::vector<QString> state = {window.windowTitle()};
        for (const Component& c : registry.Components()) {
            QObject* o = c.object.data();
            QString s = c.name + QLatin1Char(':');
            if (auto* w = qobject_cast<QWidget*>(o)) {
                s += w->toolTip() + QLatin1Char('/') + ComponentHint(*w).Text() + QLatin1Char('/') +
                     QString::number(ComponentHint(*w).Shown());
            }
            if (auto* l = qobject_cast<QLabel*>(o)) {
                s += l->text();
            } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
                s += b->text();
            } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
                s += g->title();
            } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
                s += e->text();
            } else if (auto* t = qobject_cast<QTreeWidget*>(o)) {
                for (int i = 0; i < t->columnCount(); ++i) {
                    s += t->headerItem()->text(i) + QLatin1Char(',');
                }
            } else if (auto* x = qobject_cast<QComboBox*>(o)) {
                for (int i = 0; i < x->count(); ++i) {
                    s += x->itemText(i) + QLatin1Char(',');
                }
                s += QString::number(x->currentIndex()) + x->currentText();
            } else if (auto* sb = qobject_cast<TStatusBar*>(o)) {
                for (int i = 0; i < sb->PanelCount(); ++i) {
                    s += sb->PanelText(i) + QLatin1Char(',');
                }
            } else if (auto* r = qobject_cast<QTextEdit*>(o)) {
                s += r->toPlainText();
            }
            if (auto* f = dynamic_cast<FakeChart*>(o)) {
                s += f->m_left + f->m_bottom + f->m_series[0] + f->m_series[1];
            }
            if (auto* p = qobject_cast<QTabWidget*>(o)) {
                s += p->tabText(0) + p->tabToolTip(0);
            }
            state.push_back(s);
        }
        return state;
    }

    QWidget window;
    ComponentRegistry registry;
    QLabel* label;
    QCheckBox* check;
    QTreeWidget* list;
    TStatusBar* bar;
    QGroupBox* group;
    QComboBox* box;
    FakeChart* chart;
    QPushButton* button;
    QToolButton* speed;
    QLineEdit* edit;
    QToolButton* theme;
    QLineEdit* masked;
    QTextEdit* rich;
    int doneCalls = 0;
};

QTabWidget* Tabs(const Form& form) {
    return form.registry.Find<QTabWidget>(QStringLiteral("PageControl1"));
}

// A catalogue that names every property of every component of the form.
const char* const kFullSkin =
    "[FORM]\n"
    "frm_mainset.caption=Care unit\n"
    "TabSheet1.Caption=Receivers\nTabSheet1.Hint=sheet hint\n"
    "Label1.Caption=Device ID\nLabel1.Hint=the unit's number\nLabel1.ShowHint=1\n"
    "CheckBox1.Caption=Report alarms\nCheckBox1.Hint=check hint\nCheckBox1.ShowHint=0\n"
    "ListView1.Columns[0].Caption=Time\nListView1.Columns[1].Caption=Event\n"
    "ListView1.Columns[2].Caption=Zone\nListView1.Hint=list hint\n"
    "sta_bar.Panels[0].text=Port closed\nsta_bar.Panels[2].text=Ready\n"
    "GroupBox1.Caption=Device\nGroupBox1.Hint=not for group boxes\n"
    "ComboBox1.Items.Text=Off|On\nComboBox1.text=On\nComboBox1.Hint=box hint\n"
    "Chart1.LeftAxis.Title.Caption=mmHg\nChart1.BottomAxis.Title.Caption=Time\n"
    "Chart1.Series[0].Title=Systolic\nChart1.Series[1].Title=Diastolic\n"
    "Button1.Caption=Read Settings\nButton1.Hint=reads the unit\nButton1.ShowHint=1\n"
    "SpeedButton1.Caption=Save\nSpeedButton1.Hint=speed hint\n"
    "Edit1.Text=0000\nEdit1.Hint=edit hint\n"
    "TeButton1.Caption=theme caption\nTeButton1.Hint=theme hint\n"
    "MaskEdit1.Text=99:99\nMaskEdit1.Hint=masked hint\n"
    "RichEdit1.Text=rich\nRichEdit1.Caption=rich\n";

TEST(CaptionApplierTest, WithoutAFormSectionTheTitleIsEmptyAndBuiltInTextsStay) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"no skin.ini", std::nullopt},
        {"only other sections", "[MESSAGE]\nM0=x\n[CONFIG]\nLabel1.Caption=not FORM\n"},
        {"an empty FORM section", "[FORM]\n[MESSAGE]\nLabel1.Caption=not FORM\n"},
    };
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        Form form;
        std::vector<QString> built = form.State();
        built[0].clear();  // the title becomes empty
        Skin skin(content.value_or(""), content.has_value());
        TextCatalog catalog(skin.Path());
        ASSERT_TRUE(form.Apply(catalog));
        EXPECT_EQ(form.State(), built);
        EXPECT_TRUE(form.window.windowTitle().isEmpty());
    }
}

TEST(CaptionApplierTest, EachClassReceivesItsTextsAndNothingElse) {
    Form form;
    Skin skin(kFullSkin);
    TextCatalog catalog(skin.Path());
    ASSERT_TRUE(form.Apply(catalog));

    const std::pair<QString, QString> cases[] = {
        {form.window.windowTitle(), "Care unit"},
        {Tabs(form)->tabText(0), "Receivers"},
        {Tabs(form)->tabToolTip(0), "sheet hint"},
        {form.label->text(), "Device ID"},
        {form.label->toolTip(), "the unit's number"},
        {form.check->text(), "Report alarms"},
        {form.check->toolTip(), ""},  // hint kept, not shown
        {ComponentHint(*form.check).Text(), "check hint"},
        {form.list->headerItem()->text(0), "Time"},
        {form.list->headerItem()->text(1), "Event"},
        {form.list->headerItem()->text(2), "Zone"},
        {form.list->toolTip(), "list hint"},
        {form.bar->PanelText(0), "Port closed"},
        {form.bar->PanelText(1), "p1"},
        {form.bar->PanelText(2), "Ready"},
        {form.group->title(), "Device"},
        {form.group->toolTip(), ""},
        {form.box->itemText(0) + "," + form.box->itemText(1), "Off,On"},
        {form.box->currentText(), "On"},
        {form.box->toolTip(), "box hint"},
        {form.chart->m_left, "mmHg"},
        {form.chart->m_bottom, "Time"},
        {form.chart->m_series[0], "Systolic"},
        {form.chart->m_series[1], "Diastolic"},
        {form.button->text(), "Read Settings"},
        {form.button->toolTip(), "reads the unit"},
        {form.speed->text(), "Save"},
        {form.speed->toolTip(), "speed hint"},
        {form.edit->text(), "0000"},
        {form.edit->toolTip(), "edit hint"},
        {form.theme->text(), "built theme"},
        {form.theme->toolTip(), ""},
        {form.masked->text(), "12:34"},
        {form.masked->toolTip(), ""},
        {form.rich->toPlainText(), "built rich"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    }
    EXPECT_EQ(form.doneCalls, 1);
}

TEST(CaptionApplierTest, ShowHintDecidesWhetherTheHintShowsAndKeepsItsText) {
    struct Case {
        const char* entries;
        const char* tooltip;
        const char* hint;
    };
    const Case cases[] = {
        {"", "built hint", "built hint"},
        {"Label1.Hint=new\n", "new", "new"},
        {"Label1.Hint=new\nLabel1.ShowHint=0\n", "", "new"},
        {"Label1.ShowHint=0\n", "", "built hint"},
        {"Label1.Hint=new\nLabel1.ShowHint=yes\n", "new", "new"},  // unreadable: unchanged
        {"Label1.Hint=\nLabel1.ShowHint=1\n", "", ""},
        {"Label1.Hint=new\nLabel1.ShowHint=0x1\n", "new", "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        Form form;
        Skin skin(std::string("[FORM]\n") + c.entries);
        TextCatalog catalog(skin.Path());
        ASSERT_TRUE(form.Apply(catalog));
        EXPECT_EQ(form.label->toolTip(), QString::fromUtf8(c.tooltip));
        EXPECT_EQ(ComponentHint(*form.label).Text(), QString::fromUtf8(c.hint));
    }
}

TEST(CaptionApplierTest, DropDownListRules) {
    struct Case {
        const char* entries;
        bool editable;
        QStringList items;  // afterwards; the box is built with i0, i1, i2 and i1 chosen
        int index;
        QString text;
    };
    const QStringList built = {"i0", "i1", "i2"};
    QStringList wide;
    for (int i = 0; i < 10000; ++i) {
        wide.append(QString::number(-2147483648LL + i));
    }
    const Case cases[] = {
        {"", false, built, 1, "i1"},
        {"Items.Text=a|b|c", false, {"a", "b", "c"}, -1, ""},
        {"Items.Text=a||b", false, {"a", "", "b"}, -1, ""},
        {"Items.Text=a|b|", false, {"a", "b"}, -1, ""},
        {"Items.Text=|", false, {""}, -1, ""},
        {"Items.Text=", false, built, 1, "i1"},
        {"Items.Text=\"\"", false, built, 1, "i1"},
        {"Items.Text=i0|i1", false, {"i0", "i1"}, 1, "i1"},       // the shown item is still there
        {"Items.Text=a|b\nX.text=a", false, {"a", "b"}, -1, ""},  // other component's key
        {"Items.Text=a|b\nC.text=b", false, {"a", "b"}, 1, "b"},
        {"text=i2", false, built, 2, "i2"},
        {"text=none", false, built, -1, ""},
        {"text=", false, built, -1, ""},
        {"Items.Text=a|b|c", true, {"a", "b", "c"}, -1, "i1"},  // editable: the text stays
        {"text=typed", true, built, 1, "typed"},
        {"Items.Text=x|y\nC.Items.Textmin=1\nC.Items.Textmax=5",
         false,
         {"1", "2", "3", "4", "5"},
         -1,
         ""},
        {"Items.Textmin=1", false, built, 1, "i1"},
        {"Items.Textmax=5", false, built, 1, "i1"},
        {"Items.Textmin=1\nC.Items.Textmax=", false, built, 1, "i1"},
        {"Items.Textmin=5\nC.Items.Textmax=1", false, {}, -1, ""},
        {"Items.Textmin=5\nC.Items.Textmax=1", true, {}, -1, "i1"},
        {"Items.Textmin=x\nC.Items.Textmax=2", false, {"0", "1", "2"}, -1, ""},
        {"Items.Textmin=$A\nC.Items.Textmax=0xC", false, {"10", "11", "12"}, -1, ""},
        {"Items.Textmin=-1\nC.Items.Textmax=1\nC.text=0", false, {"-1", "0", "1"}, 1, "0"},
        {"Items.Textmin=-2147483648\nC.Items.Textmax=2147483647", false, wide, -1, ""},
        {"Items.TextX=first", false, {"first", "i1", "i2"}, 0, "first"},
        {"Items.TextX=first", true, {"first", "i1", "i2"}, 0, "first"},
        {"Items.TextX=", false, built, 1, "i1"},
        {"Items.Text=a|b\nC.Items.TextX=z", false, {"z", "b"}, 0, "z"},
        {"Items.Textmin=0\nC.Items.Textmax=2\nC.Items.TextX=none",
         false,
         {"none", "1", "2"},
         0,
         "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        SCOPED_TRACE(c.editable ? "editable" : "list only");
        QWidget window;
        ComponentRegistry registry;
        auto* box = registry.Add(new QComboBox(&window), QStringLiteral("C"));
        box->setEditable(c.editable);
        box->addItems(built);
        box->setCurrentIndex(1);
        Skin skin(std::string("[FORM]\n") + (*c.entries ? "C." : "") + c.entries + "\n");
        TextCatalog catalog(skin.Path());
        bool done = false;
        ApplyCatalogToForm(window, registry, catalog, TextCodec(), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items.append(box->itemText(i));
        }
        EXPECT_EQ(items.size(), c.items.size());
        EXPECT_TRUE(items == c.items) << items.mid(0, 5).join('|').toStdString();
        EXPECT_EQ(box->currentIndex(), c.index);
        EXPECT_EQ(box->currentText(), c.text);
    }
}

TEST(CaptionApplierTest, TextXOnAnEmptyListChangesNothing) {
    for (const bool editable : {false, true}) {
        QWidget window;
        ComponentRegistry registry;
        auto* box = registry.Add(new QComboBox(&window), QStringLiteral("C"));
        box->setEditable(editable);
        if (editable) {
            box->setEditText(QStringLiteral("typed"));
        }
        Skin skin("[FORM]\nC.Items.TextX=first\n");
        TextCatalog catalog(skin.Path());
        bool done = false;
        ApplyCatalogToForm(window, registry, catalog, TextCodec(), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));
        EXPECT_EQ(box->count(), 0);
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(box->currentText(), editable ? QStringLiteral("typed") : QString());
    }
}

// A catalogue with headers for six columns and texts for five panels.
const char* const kColumnSkin =
    "[FORM]\n"
    "L.Columns[0].Caption=h0\nL.Columns[1].Caption=h1\nL.Columns[2].Caption=h2\n"
    "L.Columns[3].Caption=h3\nL.Columns[4].Caption=h4\nL.Columns[5].Caption=h5\n"
    "S.Panels[0].text=t0\nS.Panels[1].text=t1\nS.Panels[2].text=t2\nS.Panels[3].text=t3\n";

std::set<std::string> KeysWith(const std::vector<std::string>& log, const std::string& part) {
    std::set<std::string> keys;
    for (const auto& key : log) {
        if (key.find(part) != std::string::npos) {
            keys.insert(key);
        }
    }
    return keys;
}

TEST(CaptionApplierTest, AListReadsExactlyTheKeysOfItsColumnsAndABarOfItsPanels) {
    QStandardItemModel model(0, 3);
    const std::function<QWidget*(QWidget*)> makers[] = {
        [](QWidget* parent) {
            auto* tree = new QTreeWidget(parent);
            tree->setColumnCount(3);
            return tree;
        },
        [&model](QWidget* parent) {
            auto* view = new QTreeView(parent);
            view->setModel(&model);
            return view;
        },
    };
    for (const auto& make : makers) {
        QWidget window;
        ComponentRegistry registry;
        auto* view =
            qobject_cast<QAbstractItemView*>(registry.Add(make(&window), QStringLiteral("L")));
        auto* bar = registry.Add(new TStatusBar(&window), QStringLiteral("S"));
        bar->AddPanel(40);
        bar->AddPanel(40);
        Skin skin(kColumnSkin);
        TextCatalog catalog(skin.Path());
        std::vector<std::string> log;
        RecordingEntries entries(catalog, log);
        bool done = false;
        ApplyFormEntries(window, registry, entries, TextCodec(), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));

        // The list is visited twice (N = 2): each of its keys is asked for, nothing more.
        EXPECT_EQ(KeysWith(log, ".Columns["),
                  (std::set<std::string>{"L.Columns[0].Caption", "L.Columns[1].Caption",
                                         "L.Columns[2].Caption"}));
        EXPECT_EQ(KeysWith(log, ".Panels["),
                  (std::set<std::string>{"S.Panels[0].text", "S.Panels[1].text"}));
        ASSERT_EQ(view->model()->columnCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal).toString(),
                      QStringLiteral("h%1").arg(i));
        }
        EXPECT_EQ(bar->PanelCount(), 2);
        EXPECT_EQ(bar->PanelText(1), QStringLiteral("t1"));
    }
}

TEST(CaptionApplierTest, ChartTitlesDefaultToTheirOwn) {
    struct Case {
        const char* entries;
        int series;
        std::vector<QString> expected;  // left, bottom, series 0, series 1
    };
    const Case cases[] = {
        {"", 2, {"own left", "own bottom", "own series 0", "own series 1"}},
        {"G.LeftAxis.Title.Caption=kPa\nG.Series[0].Title=Pulse\n",
         2,
         {"kPa", "own bottom", "Pulse", "own series 1"}},
        {"G.BottomAxis.Title.Caption=Date\nG.Series[1].Title=Low\n",
         2,
         {"own left", "Date", "own series 0", "Low"}},
        // One series: the second title has nowhere to go; the work ends there.
        {"G.LeftAxis.Title.Caption=kg\nG.Series[0].Title=Weight\nG.Series[1].Title=x\n",
         1,
         {"kg", "own bottom", "Weight"}},
        {"G.LeftAxis.Title.Caption=kg\nG.Series[0].Title=x\n", 0, {"kg", "own bottom"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        QWidget window;
        ComponentRegistry registry;
        auto* chart = registry.Add(new FakeChart(c.series, &window), QStringLiteral("G"));
        Skin skin(std::string("[FORM]\n") + c.entries);
        TextCatalog catalog(skin.Path());
        bool done = false;
        ApplyCatalogToForm(window, registry, catalog, TextCodec(), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));
        std::vector<QString> titles = {chart->m_left, chart->m_bottom};
        titles.insert(titles.end(), chart->m_series.begin(), chart->m_series.end());
        EXPECT_EQ(titles, c.expected);
    }
}

TEST(CaptionApplierTest, ThemeMaskedAndRichTextComponentsKeepTheirTexts) {
    Form form;
    Skin skin(kFullSkin);
    TextCatalog catalog(skin.Path());
    std::vector<std::string> log;
    RecordingEntries entries(catalog, log);
    bool done = false;
    ApplyFormEntries(form.window, form.registry, entries, TextCodec(), [&] { done = true; });
    ASSERT_TRUE(WaitUntil([&] { return done; }));
    EXPECT_EQ(form.theme->text(), QStringLiteral("built theme"));
    EXPECT_EQ(form.masked->text(), QStringLiteral("12:34"));
    EXPECT_EQ(form.rich->toPlainText(), QStringLiteral("built rich"));
    // Not even asked for.
    for (const char* name : {"TeButton1.", "MaskEdit1.", "RichEdit1.", "PageControl1."}) {
        EXPECT_TRUE(KeysWith(log, name).empty()) << name;
    }
}

TEST(CaptionApplierTest, ApplyingTwiceEqualsApplyingOnce) {
    const char* const skins[] = {
        kFullSkin,
        "[FORM]\nComboBox1.Items.Textmin=1\nComboBox1.Items.Textmax=3\n"
        "ComboBox1.Items.TextX=one\nLabel1.ShowHint=0\nEdit1.ShowHint=0\nEdit1.Hint=h\n",
        "[FORM]\nComboBox1.Items.Text=a|b\nComboBox1.text=zz\nCheckBox1.ShowHint=0\n",
    };
    for (const char* content : skins) {
        SCOPED_TRACE(content);
        Skin skin(content);
        TextCatalog catalog(skin.Path());
        Form once;
        ASSERT_TRUE(once.Apply(catalog));
        Form twice;
        ASSERT_TRUE(twice.Apply(catalog));
        ASSERT_TRUE(twice.Apply(catalog));
        EXPECT_EQ(twice.State(), once.State());
        EXPECT_NE(once.State(), Form().State());
    }
}

TEST(CaptionApplierTest, DoneRunsOnceAfterTheLastComponent) {
    QWidget window;
    ComponentRegistry registry;
    std::string content = "[FORM]\n";
    std::vector<QLabel*> labels;
    for (int i = 0; i < 5; ++i) {
        const std::string name = "L" + std::to_string(i);
        labels.push_back(registry.Add(new QLabel(&window), QString::fromStdString(name)));
        content += name + ".Caption=c" + std::to_string(i) + "\n";
    }
    Skin skin(content);
    TextCatalog catalog(skin.Path());
    std::vector<std::string> log;
    RecordingEntries entries(catalog, log);
    int done = 0;
    std::size_t lookupsBeforeDone = 0;
    int captionedAtDone = 0;
    ApplyFormEntries(window, registry, entries, TextCodec(), [&] {
        ++done;
        lookupsBeforeDone = log.size();
        for (QLabel* label : labels) {
            captionedAtDone += label->text().startsWith(QLatin1Char('c'));
        }
    });
    EXPECT_EQ(done, 0);  // never before the function returned
    EXPECT_EQ(log, std::vector<std::string>{"frm_mainset.caption"});  // nothing else yet
    ASSERT_TRUE(WaitUntil([&] { return done > 0; }));
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(done, 1);
    EXPECT_EQ(captionedAtDone, 5);
    EXPECT_EQ(lookupsBeforeDone, log.size());
    // The last lookups are those of the last component visited.
    const std::string last = "L" + std::to_string(CaptionVisitOrder(5).back()) + ".";
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind(last, 0), 0u) << log.back();
}

TEST(CaptionApplierTest, VisitingOrderCoversEveryComponentWithinTheList) {
    struct Case {
        std::size_t count;
        std::vector<std::size_t> order;
    };
    const Case cases[] = {
        {0, {}},
        {1, {0, 0}},
        {2, {0, 1, 1, 0}},
        {3, {0, 2, 1, 1, 2, 0}},
        {10, {0, 9, 1, 8, 2, 7, 3, 6, 4, 5, 5, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CaptionVisitOrder(c.count), c.order) << c.count;
    }
    for (const std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{10}}) {
        SCOPED_TRACE(n);
        QWidget window;
        ComponentRegistry registry;
        std::string content = "[FORM]\n";
        std::vector<QLabel*> labels;
        for (std::size_t i = 0; i < n; ++i) {
            const std::string name = "Label" + std::to_string(i);
            labels.push_back(registry.Add(new QLabel(QStringLiteral("built"), &window),
                                          QString::fromStdString(name)));
            content += name + ".Caption=text " + std::to_string(i) + "\n";
        }
        Skin skin(content);
        TextCatalog catalog(skin.Path());
        bool done = false;
        ApplyCatalogToForm(window, registry, catalog, TextCodec(), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(labels[i]->text(), QStringLiteral("text %1").arg(i));
        }
    }
}

TEST(CaptionApplierTest, FailuresEndTheWorkOnOneComponentOnly) {
    QWidget window;
    ComponentRegistry registry;
    // A sheet in no tab widget has no caption: its hint is not reached either.
    auto* loose = registry.AddTabSheet(new QWidget(&window), QStringLiteral("TabSheet9"));
    auto* gone = registry.Add(new QLabel(QStringLiteral("built"), &window), QStringLiteral("L0"));
    auto* list = registry.Add(new QTreeView(&window), QStringLiteral("ListView9"));  // no model
    auto* label = registry.Add(new QLabel(QStringLiteral("built"), &window), QStringLiteral("L1"));
    Skin skin(
        "[FORM]\nTabSheet9.Caption=x\nTabSheet9.Hint=h\nL0.Caption=x\nListView9.Hint=h\n"
        "L1.Caption=applied\n");
    TextCatalog catalog(skin.Path());
    bool done = false;
    ApplyCatalogToForm(window, registry, catalog, TextCodec(), [&] { done = true; });
    delete gone;  // removed before its turn
    ASSERT_TRUE(WaitUntil([&] { return done; }));
    EXPECT_TRUE(loose->toolTip().isEmpty());
    EXPECT_TRUE(list->toolTip().isEmpty());
    EXPECT_EQ(label->text(), QStringLiteral("applied"));
}

TEST(CaptionApplierTest, TheWorkEndsWithTheWindow) {
    Skin skin(kFullSkin);
    TextCatalog catalog(skin.Path());
    bool done = false;
    {
        Form form;
        ApplyCatalogToForm(form.window, form.registry, catalog, TextCodec(), [&] { done = true; });
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(done);
}

TEST(CaptionApplierTest, TextsAreConvertedFromTheCodePageBeforeListsAreSplit) {
    struct Case {
        const char* codePage;
        std::string entries;
        QString caption;
        QStringList items;
    };
    const Case cases[] = {
        {"WINDOWS-1252",
         "L.Caption=Caf\xE9\nC.Items.Text=\xC4|\xD6\n",
         QString::fromUtf8("Café"),
         {QString::fromUtf8("Ä"), QString::fromUtf8("Ö")}},
        // In GBK the second byte of U+4E85 is the byte of "|".
        {"GBK",
         "L.Caption=\x81\x7C\nC.Items.Text=\x81\x7C|b\n",
         QString::fromUtf8("亅"),
         {QString::fromUtf8("亅"), "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        QWidget window;
        ComponentRegistry registry;
        auto* label = registry.Add(new QLabel(&window), QStringLiteral("L"));
        auto* box = registry.Add(new QComboBox(&window), QStringLiteral("C"));
        Skin skin("[FORM]\n" + c.entries);
        TextCatalog catalog(skin.Path());
        bool done = false;
        ApplyCatalogToForm(window, registry, catalog, TextCodec(c.codePage), [&] { done = true; });
        ASSERT_TRUE(WaitUntil([&] { return done; }));
        EXPECT_EQ(label->text(), c.caption);
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items.append(box->itemText(i));
        }
        EXPECT_EQ(items, c.items);
    }
}

}  // namespace
}  // namespace carecfg
