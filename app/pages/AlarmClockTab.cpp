#include "app/pages/AlarmClockTab.h"

#include "app/pages/MapControls.h"

#include <QAccessible>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/ComponentRegistry.h"
#include "settings/SettingsMap.h"

namespace carecfg {
namespace {

// Clock k's record starts at kClocks + kClockSize * k; these are the offsets of its boxes in
// the row's order (byte +3 is not shown).
constexpr std::uint32_t kClocks = 0xD2C;
constexpr std::uint32_t kClockSize = 6;
enum ClockPart { kType, kHour, kMinute, kInterval, kAlertTimes, kPartCount };
constexpr std::uint32_t kPartOffset[kPartCount] = {0, 1, 2, 4, 5};

// Component numbers of the captions: clock k's row caption is Label(kCaptions + 10k), the
// captions beside its boxes follow it.
constexpr int kCaptions = 4210;

const std::string& ClockBox(int k, ClockPart part) {
    const std::uint32_t offset = kClocks + kClockSize * k + kPartOffset[part];
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset == offset) {
            return field.control;
        }
    }
    throw std::logic_error("no alarm clock field at offset " + std::to_string(offset));
}

// The text before and including the last colon ("Alarming Clock 1:" of "Alarming Clock 1:
// Type"), else all of it.
QString RowTitle(const QString& caption) {
    const QString text = caption.simplified();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? text : text.left(colon + 1);
}

// Each clock takes two lines of the grid: its caption with the type box, then the time, interval
// and alert count in these columns, aligned from clock to clock.
enum Column {
    kIndentColumn,
    kHourCaption,
    kHourColumn,
    kMinuteCaption,
    kMinuteColumn,
    kIntervalCaption,
    kIntervalColumn,
    kSecondsColumn,
    kAlertCaption,
    kAlertColumn,
    kEndColumn,
};
constexpr int kLinesPerClock = 3;  // type line, detail line, separator

constexpr int kTypeWidth = 16;   // characters of the longest clock type
constexpr int kNumberWidth = 3;  // hours, minutes, seconds, counts

}  // namespace

void AlarmClockTab::Build() {
    ComponentRegistry& reg = m_context.registry;
    QWidget* sheet = &m_sheet;
    auto* outer = new QGridLayout(sheet);
    outer->setContentsMargins(12, 12, 12, 12);

    auto* group =
        reg.Add(new QGroupBox(QStringLiteral("Alarm Clocks"), sheet), QStringLiteral("GroupBox4"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 14, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    std::vector<QWidget*> order;
    auto caption = [&](int number, const QString& text) {
        return reg.Add(new QLabel(text, group), QStringLiteral("Label%1").arg(number));
    };
    auto box = [&](int k, ClockPart part, int widthInCharacters) {
        auto* b = CreateMapControlAs<QComboBox>(reg, ClockBox(k, part), group);
        // Sized for the longest expected item, so the grid stays put when the lists arrive.
        b->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        b->setMinimumContentsLength(widthInCharacters);
        order.push_back(b);
        m_boxes.push_back(b);
        return b;
    };
    // A caption before its box: it names the box and moves the focus there by mnemonic.
    auto place = [&](int row, int captionColumn, QLabel* label, QWidget* control) {
        label->setBuddy(control);
        grid->addWidget(label, row, captionColumn);
        grid->addWidget(control, row, captionColumn + 1);
    };

    for (int k = 0; k < kAlarmClockCount; ++k) {
        const int n = kCaptions + 10 * k;
        const int line = kLinesPerClock * k;
        QLabel* row = caption(n, QStringLiteral("Alarming Clock %1: Type").arg(k + 1));
        QComboBox* typeBox = box(k, kType, kTypeWidth);
        row->setBuddy(typeBox);
        auto* typeLine = new QHBoxLayout;
        typeLine->setSpacing(8);
        typeLine->addWidget(row);
        typeLine->addWidget(typeBox);
        typeLine->addStretch(1);
        grid->addLayout(typeLine, line, kIndentColumn, 1, kEndColumn + 1);

        QLabel* hour = caption(n + 1, QStringLiteral("Hour"));
        QComboBox* hourBox = box(k, kHour, kNumberWidth);
        place(line + 1, kHourCaption, hour, hourBox);
        QLabel* minute = caption(n + 2, QStringLiteral("minute"));
        QComboBox* minuteBox = box(k, kMinute, kNumberWidth);
        place(line + 1, kMinuteCaption, minute, minuteBox);
        QLabel* interval = caption(n + 3, QStringLiteral("Interval"));
        QComboBox* intervalBox = box(k, kInterval, kNumberWidth);
        place(line + 1, kIntervalCaption, interval, intervalBox);
        QLabel* seconds = caption(n + 4, QStringLiteral("Seconds"));
        grid->addWidget(seconds, line + 1, kSecondsColumn);
        QLabel* alert = caption(n + 5, QStringLiteral("Alert Times"));
        QComboBox* alertBox = box(k, kAlertTimes, kNumberWidth);
        place(line + 1, kAlertCaption, alert, alertBox);
        // Captions after a box keep some distance from it.
        for (QLabel* after : {minute, interval, alert}) {
            after->setContentsMargins(12, 0, 0, 0);
        }

        if (k + 1 < kAlarmClockCount) {
            auto* rule = new QFrame(group);
            rule->setFrameShape(QFrame::HLine);
            rule->setFrameShadow(QFrame::Sunken);
            grid->addWidget(rule, line + 2, kIndentColumn, 1, kEndColumn + 1);
        }

        m_rowPartNames.push_back({hourBox, row, hour, nullptr});
        m_rowPartNames.push_back({minuteBox, row, minute, nullptr});
        m_rowPartNames.push_back({intervalBox, row, interval, seconds});
        m_rowPartNames.push_back({alertBox, row, alert, nullptr});
    }
    grid->setColumnMinimumWidth(kIndentColumn, 16);
    grid->setColumnStretch(kEndColumn, 1);

    outer->addWidget(group, 0, 0);
    outer->setRowStretch(1, 1);

    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    Relayout();
}

void AlarmClockTab::Relayout() {
    for (const RowPartName& n : m_rowPartNames) {
        QString name = RowTitle(n.row->text()) + QLatin1Char(' ') + n.part->text().simplified();
        if (n.unit != nullptr) {
            name += QStringLiteral(" (%1)").arg(n.unit->text().simplified());
        }
        n.control->setAccessibleName(name);
    }
    for (QComboBox* box : m_boxes) {
        if (QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(box)) {
            box->lineEdit()->setAccessibleName(spoken->text(QAccessible::Name));
        }
    }
}

}  // namespace carecfg
