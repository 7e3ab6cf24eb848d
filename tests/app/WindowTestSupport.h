#pragma once

// Helpers shared by the window's tests: waiting on the event loop, the shipped catalogue, and
// the check that a settings control is built as the settings map says.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "settings/SettingsMap.h"

namespace carecfg::testing {

// Runs the event loop until `done` holds; false after `timeoutMs` (only a guard against a hang).
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(2);
    }
    return true;
}

// The skin.ini that ships with the program.
inline std::string ShippedSkin() {
    std::ifstream in(std::filesystem::path(CARECFG_APP_SOURCE_DIR) / "skin.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The control lies on the sheet, in the map's initial state, of the map's kind, with the map's
// length limit; a drop-down box takes typed text without adding it to its items.
inline void ExpectBuiltAsMapSays(const QWidget* sheet, QWidget* widget,
                                 const SettingsControlInfo& info) {
    ASSERT_NE(widget, nullptr) << info.name;
    EXPECT_TRUE(sheet->isAncestorOf(widget)) << info.name;
    EXPECT_EQ(widget->isHidden(), info.initiallyHidden) << info.name;
    EXPECT_EQ(widget->testAttribute(Qt::WA_ForceDisabled), info.initiallyDisabled) << info.name;
    const int length = info.maxLength > 0 ? info.maxLength : QLineEdit().maxLength();
    switch (info.kind) {
        case ControlKind::Edit: {
            auto* edit = qobject_cast<QLineEdit*>(widget);
            ASSERT_NE(edit, nullptr) << info.name;
            EXPECT_EQ(edit->maxLength(), length) << info.name;
            break;
        }
        case ControlKind::ComboBox: {
            auto* box = qobject_cast<QComboBox*>(widget);
            ASSERT_NE(box, nullptr) << info.name;
            ASSERT_TRUE(box->isEditable()) << info.name;
            EXPECT_EQ(box->insertPolicy(), QComboBox::NoInsert) << info.name;
            EXPECT_EQ(box->lineEdit()->maxLength(), length) << info.name;
            break;
        }
        case ControlKind::CheckBox:
            EXPECT_NE(qobject_cast<QCheckBox*>(widget), nullptr) << info.name;
            break;
        case ControlKind::Label:
            EXPECT_NE(qobject_cast<QLabel*>(widget), nullptr) << info.name;
            break;
    }
}

}  // namespace carecfg::testing
