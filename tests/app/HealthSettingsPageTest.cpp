#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
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

// The controls of the health page that hold settings, in reading order.
const char* const kHealthControls[] = {"ComboBox87",  "ComboBox88",  "ComboBox86",  "ComboBox85",
                                       "ComboBox43",  "ComboBox652", "ComboBox653", "CheckBox81",
                                       "ComboBox44",  "ComboBox650", "ComboBox651", "ComboBox45",
                                       "ComboBox654", "ComboBox655", "CheckBox82",  "ComboBox46",
                                       "ComboBox656", "ComboBox657", "CheckBox83"};

// The unit selectors: the unit changes by choosing an item, never by typing.
bool IsUnitSelector(const std::string& name) {
    return name == "ComboBox43" || name == "ComboBox44" || name == "ComboBox45" ||
           name == "ComboBox46";
}

// The shipped skin.ini with extra lines at the top of its FORM section.
std::string SkinWithFormLines(const std::string& lines) {
    std::string skin = ShippedSkin();
    const auto at = skin.find("[FORM]");
    if (at == std::string::npos) {
        return skin + "\n[FORM]\n" + lines;
    }
    const auto lineEnd = skin.find('\n', at);
    return skin.insert(lineEnd == std::string::npos ? skin.size() : lineEnd + 1, lines);
}

// The shipped skin.ini without its FORM section (its last): every control keeps its built-in text.
std::string SkinWithoutForm() {
    const std::string skin = ShippedSkin();
    return skin.substr(0, skin.find("[FORM]"));
}

class HealthPageFixture : public ::testing::Test {
protected:
    void Open(const std::string& skin = ShippedSkin()) {
        testing::WriteBytes(m_folder / "skin.ini", skin);
        WindowOptions options;
        options.catalogPath = m_folder / "skin.ini";
        options.documentDir = m_folder.Path();
        options.screenSize = QSize(1920, 1080);
        options.showMessage = [](const std::string&) {};
        options.askPassword = [](const QString&, const QString&) -> std::optional<QString> {
            return std::nullopt;
        };
        m_window = std::make_unique<Tfrm_mainset>(std::move(options));
    }

    template <class T>
    T* W(const std::string& name) const {
        return m_window->Find<T>(QString::fromStdString(name));
    }
    QWidget* Page() const { return m_window->Page(3); }

    // The label whose buddy is the control, or null.
    const QLabel* BuddyOf(const QWidget* control) const {
        for (const QLabel* label : Page()->findChildren<QLabel*>()) {
            if (label->buddy() == control) {
                return label;
            }
        }
        return nullptr;
    }

    testing::TempDir m_folder{"carecfg-health"};
    std::unique_ptr<Tfrm_mainset> m_window;
};

const SettingsControlInfo* MapEntry(const std::string& name) {
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        if (info.name == name) {
            return &info;
        }
    }
    return nullptr;
}

TEST_F(HealthPageFixture, BuildsEveryHealthControlOfTheMapWithItsClassLengthAndState) {
    Open();
    for (const std::string name : kHealthControls) {
        SCOPED_TRACE(name);
        const SettingsControlInfo* info = MapEntry(name);
        ASSERT_NE(info, nullptr);
        QWidget* widget = W<QWidget>(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(Page()->isAncestorOf(widget));
        EXPECT_EQ(widget->isHidden(), info->initiallyHidden);
        EXPECT_EQ(widget->isEnabledTo(Page()), !info->initiallyDisabled);
        if (info->kind == ControlKind::CheckBox) {
            EXPECT_NE(qobject_cast<QCheckBox*>(widget), nullptr);
            continue;
        }
        ASSERT_EQ(info->kind, ControlKind::ComboBox);
        auto* box = qobject_cast<QComboBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isEditable(), !IsUnitSelector(name));
        if (box->isEditable()) {
            EXPECT_EQ(box->insertPolicy(), QComboBox::NoInsert);
            if (info->maxLength > 0) {
                EXPECT_EQ(box->lineEdit()->maxLength(), info->maxLength);
            }
        }
    }
    // The three unit flags are the only hidden controls, never operable.
    for (const char* flag : {"CheckBox81", "CheckBox82", "CheckBox83"}) {
        EXPECT_TRUE(W<QWidget>(flag)->isHidden()) << flag;
        EXPECT_FALSE(W<QWidget>(flag)->isEnabledTo(Page())) << flag;
    }
}

TEST_F(HealthPageFixture, HoldsNoOtherControlOfTheMap) {
    Open();
    const std::vector<std::string> ours(std::begin(kHealthControls), std::end(kHealthControls));
    for (const SettingsControlInfo& info : SettingsControlTable()) {
        QWidget* widget = W<QWidget>(info.name);
        if (widget == nullptr) {
            continue;  // another page's control, not built yet
        }
        const bool onPage = Page()->isAncestorOf(widget);
        const bool expected = std::find(ours.begin(), ours.end(), info.name) != ours.end();
        EXPECT_EQ(onPage, expected) << info.name;
    }
}

TEST_F(HealthPageFixture, GivesEveryOperableControlTheNameOfItsCaptions) {
    Open();
    struct Case {
        const char* control;
        const char* name;         // accessible name made of the row and column captions
        const char* labelText;    // text of the label whose buddy it is
        const char* description;  // the caption behind it
    };
    const Case cases[] = {
        {"ComboBox87", "", "Temperature High Threshold", "Degree"},
        {"ComboBox86", "", "Temperature exceeds high threshold more than",
         "minutes, send SMS to alarm numbers."},
        {"ComboBox85", "", "After R5 Received Blood Pressure data,delay",
         "minutes no any new data, will upload data to monitoring center over GPRS."},
        {"ComboBox43", "Systolic Units", "Systolic Units", ""},
        {"ComboBox652", "Systolic High Threshold", "Systolic High Threshold", ""},
        {"ComboBox651", "Heart Rate Low Threshold", "Heart Rate Low Threshold", ""},
        {"ComboBox45", "Glucose Units", "Glucose Units", ""},
        {"ComboBox657", "Weight Low Threshold", "Weight Low Threshold", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        auto* control = W<QWidget>(c.control);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->accessibleName(), QString::fromUtf8(c.name));
        EXPECT_EQ(control->accessibleDescription(), QString::fromUtf8(c.description));
        const QLabel* buddy = BuddyOf(control);
        ASSERT_NE(buddy, nullptr);
        EXPECT_EQ(buddy->text(), QString::fromUtf8(c.labelText));
    }
    // Every box a user operates is named by a label, which screen readers speak for boxes.
    for (auto* box : Page()->findChildren<QComboBox*>()) {
        if (!box->isHidden()) {
            const QLabel* label = BuddyOf(box);
            EXPECT_TRUE(label != nullptr && !label->text().trimmed().isEmpty())
                << box->objectName().toStdString();
        }
    }
}

TEST_F(HealthPageFixture, NamesFollowTheCaptionsOfTheCatalogue) {
    Open(
        SkinWithFormLines("Label3013.Caption=Blood Pressure\nLabel3011.Caption=Upper Limit\n"
                          "Label3006.Caption=minutes, then send an SMS.\n"));
    auto* high = W<QWidget>("ComboBox652");
    ASSERT_NE(high, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return high->accessibleName() == "Blood Pressure Upper Limit"; }))
        << high->accessibleName().toStdString();
    EXPECT_EQ(W<QWidget>("ComboBox653")->accessibleName(), "Blood Pressure Low Threshold");
    EXPECT_EQ(W<QWidget>("ComboBox43")->accessibleName(), "Blood Pressure Units");
    const QLabel* spoken = BuddyOf(high);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(), "Blood Pressure Upper Limit");
    EXPECT_EQ(W<QWidget>("ComboBox86")->accessibleDescription(), "minutes, then send an SMS.");
}

TEST_F(HealthPageFixture, KeyboardMovesThroughTheControlsInReadingOrder) {
    Open();
    std::vector<QWidget*> expected;
    for (const std::string name : kHealthControls) {
        if (!W<QWidget>(name)->isHidden()) {
            expected.push_back(W<QWidget>(name));
        }
    }
    std::vector<QWidget*> chain;
    QWidget* w = expected.front();
    do {
        if (std::find(expected.begin(), expected.end(), w) != expected.end()) {
            chain.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != expected.front() && chain.size() < expected.size());
    ASSERT_EQ(chain.size(), expected.size());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(chain[i], expected[i]) << i << ": " << chain[i]->objectName().toStdString();
    }
}

// The shipped skin.ini, which holds this page's FORM lines.
std::string PageFragment() {
    std::ifstream in(fs::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FragmentValue(const std::string& key) {
    const std::string fragment = PageFragment();
    const auto at = fragment.find(key + "=");
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + key.size() + 1;
    return fragment.substr(start, fragment.find('\n', start) - start);
}

// At the designed client size every caption and control of the page is shown whole, inside the
// page's visible area, and no two of them overlap: with the built-in captions, and with this
// page's catalogue texts once the start-up work has applied them.
class HealthPageLayout : public HealthPageFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(HealthPageLayout, FitsTheDesignedClientAreaWithoutOverlap) {
    const bool catalogueTexts = GetParam();
    Open(catalogueTexts ? ShippedSkin() : SkinWithoutForm());
    m_window->resize(957, 609);
    m_window->show();
    W<QAbstractButton>("tefxSpeedButton17")->click();
    ASSERT_TRUE(WaitUntil([&] { return m_window->CurrentPage() == 3 && Page()->isVisible(); }));
    if (catalogueTexts) {
        const QString last = QString::fromStdString(FragmentValue("Label3006.Caption"));
        ASSERT_FALSE(last.isEmpty());
        // The page names its boxes again once the catalogue's texts are in.
        ASSERT_TRUE(
            WaitUntil([&] { return W<QWidget>("ComboBox86")->accessibleDescription() == last; }));
    }
    QCoreApplication::processEvents();

    auto* scroll = Page()->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const QRect viewport = scroll->viewport()->rect();
    std::vector<std::pair<QWidget*, QRect>> shown;
    for (auto* widget : Page()->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLabel*>(widget) || qobject_cast<QComboBox*>(widget) ||
                             qobject_cast<QCheckBox*>(widget);
        if (!control || !widget->isVisible() || widget->objectName().isEmpty()) {
            continue;
        }
        const std::string name = widget->objectName().toStdString();
        const QRect r(widget->mapTo(scroll->viewport(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(viewport.contains(r)) << name;
        EXPECT_GE(r.width(), widget->minimumSizeHint().width()) << name;
        const int needed = widget->hasHeightForWidth() ? widget->heightForWidth(r.width())
                                                       : widget->minimumSizeHint().height();
        EXPECT_GE(r.height(), needed) << name;
        for (const auto& [other, otherRect] : shown) {
            EXPECT_FALSE(r.intersects(otherRect))
                << name << " and " << other->objectName().toStdString();
        }
        shown.emplace_back(widget, r);
    }
    // 16 visible boxes and 15 captions.
    EXPECT_EQ(shown.size(), 31u);

    if (const QByteArray dir = qgetenv("CARECFG_SHOT_DIR"); !dir.isEmpty()) {
        m_window->grab().save(QString::fromLocal8Bit(dir) +
                              (catalogueTexts ? QStringLiteral("/health-page-catalogue.png")
                                              : QStringLiteral("/health-page.png")));
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltInAndCatalogueTexts, HealthPageLayout, ::testing::Bool());

}  // namespace
}  // namespace carecfg
