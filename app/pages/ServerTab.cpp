#include "app/pages/ServerTab.h"

#include "app/pages/MapControls.h"

#include <QAccessible>
#include <QComboBox>
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

// Record offsets of the repeated rows: hour and minute of timer t at kTimers + 2t, of automatic
// email r at kEmailTimes + 2r.
constexpr std::uint32_t kTimers = 0x146;
constexpr std::uint32_t kEmailTimes = 0xDE0;
constexpr int kTimerCount = 3;
constexpr int kEmailRows = 2;

const SettingsField& FieldAt(std::uint32_t offset) {
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset == offset) {
            return field;
        }
    }
    throw std::logic_error("no settings field at offset " + std::to_string(offset));
}

const SettingsField& EmailDayField(int row) {
    for (const SettingsField& field : SettingsFields()) {
        if (field.rule == FieldRule::EmailDay && field.index == row) {
            return field;
        }
    }
    throw std::logic_error("no email day field for row " + std::to_string(row));
}

// The text before and including the last colon ("Timer 1:" of "Timer 1: Hour"), else all.
QString RowTitle(const QString& caption) {
    const QString text = caption.simplified();
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    return colon < 0 ? text : text.left(colon + 1);
}

// Creates the tab's widgets in reading order, registers them and keeps that order for Tab.
class TabBuilder {
public:
    TabBuilder(ComponentRegistry& registry, std::vector<QComboBox*>& boxes)
        : m_registry(registry), m_boxes(boxes) {}

    QGroupBox* Group(QWidget* parent, const char* name, const QString& caption) {
        return m_registry.Add(new QGroupBox(caption, parent), QString::fromLatin1(name));
    }
    QLabel* Caption(QWidget* parent, int number, const QString& text) {
        return m_registry.Add(new QLabel(text, parent), QStringLiteral("Label%1").arg(number));
    }
    // A text edit of the map, with the map's length limit and initial state.
    QLineEdit* Edit(QWidget* parent, const std::string& name) {
        return Ordered(CreateMapControlAs<QLineEdit>(m_registry, name, parent));
    }
    // A drop-down box of the map: its text is editable, typing never adds an item.
    QComboBox* Box(QWidget* parent, const std::string& name, int widthInCharacters) {
        auto* box = CreateMapControlAs<QComboBox>(m_registry, name, parent);
        // The width follows the longest expected item, not the list of the moment, so that the
        // layout stays put when the catalogue fills the lists.
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(widthInCharacters);
        m_boxes.push_back(box);
        return Ordered(box);
    }
    // Tab moves through the controls in the order they were created.
    void ChainTabOrder() const {
        for (std::size_t i = 1; i < m_order.size(); ++i) {
            QWidget::setTabOrder(m_order[i - 1], m_order[i]);
        }
    }

private:
    template <class T>
    T* Ordered(T* control) {
        m_order.push_back(control);
        return control;
    }

    ComponentRegistry& m_registry;
    std::vector<QComboBox*>& m_boxes;
    std::vector<QWidget*> m_order;
};

QGridLayout* FormGrid(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 14, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    return grid;
}

// A caption in front of its control, which it names for screen readers and focuses by mnemonic.
void Pair(QGridLayout* grid, int row, int column, QLabel* caption, QWidget* control) {
    caption->setBuddy(control);
    grid->addWidget(caption, row, column);
    grid->addWidget(control, row, column + 1);
}

constexpr int kNumberWidth = 2;  // hours, minutes, resend counts
constexpr int kPortWidth = 6;

}  // namespace

void ServerTab::Build() {
    TabBuilder b(m_context.registry, m_boxes);
    QWidget* sheet = &m_sheet;
    auto* outer = new QGridLayout(sheet);
    outer->setContentsMargins(12, 12, 12, 12);
    outer->setHorizontalSpacing(12);
    outer->setVerticalSpacing(12);

    // The report servers.
    QGroupBox* servers = b.Group(sheet, "GroupBoxServer", QStringLiteral("GPRS Server"));
    QGridLayout* sg = FormGrid(servers);
    QLineEdit* address1 = b.Edit(servers, "Edit15");
    QLineEdit* port1 = b.Edit(servers, "Edit16");
    QLineEdit* address2 = b.Edit(servers, "Edit17");
    QLineEdit* port2 = b.Edit(servers, "Edit18");
    QComboBox* resend = b.Box(servers, "ComboBox50", kNumberWidth);
    Pair(sg, 0, 0, b.Caption(servers, 4101, QStringLiteral("Server IP/DNS 1:")), address1);
    Pair(sg, 1, 0, b.Caption(servers, 4102, QStringLiteral("Port 1:")), port1);
    Pair(sg, 2, 0, b.Caption(servers, 4103, QStringLiteral("Server IP/DNS 2:")), address2);
    Pair(sg, 3, 0, b.Caption(servers, 4104, QStringLiteral("Port 2:")), port2);
    Pair(sg, 4, 0, b.Caption(servers, 4105, QStringLiteral("Resend Times:")), resend);
    // Ports and resend counts are short numbers: their boxes stay narrow at the left.
    for (QLineEdit* port : {port1, port2}) {
        port->setMaximumWidth(port->fontMetrics().horizontalAdvance(QLatin1Char('0')) * kPortWidth +
                              16);
    }
    for (QWidget* narrow : {static_cast<QWidget*>(port1), static_cast<QWidget*>(port2),
                            static_cast<QWidget*>(resend)}) {
        sg->setAlignment(narrow, Qt::AlignLeft);
    }
    sg->setColumnStretch(1, 1);
    sg->setRowStretch(5, 1);

    // The access point of the SIM card's data service.
    QGroupBox* apn = b.Group(sheet, "GroupBoxApn", QStringLiteral("GPRS APN"));
    QGridLayout* ag = FormGrid(apn);
    Pair(ag, 0, 0, b.Caption(apn, 4106, QStringLiteral("GPRS APN:")), b.Edit(apn, "Edit19"));
    Pair(ag, 1, 0, b.Caption(apn, 4107, QStringLiteral("Username:")), b.Edit(apn, "Edit20"));
    Pair(ag, 2, 0, b.Caption(apn, 4108, QStringLiteral("Password:")), b.Edit(apn, "Edit21"));
    ag->setColumnStretch(1, 1);

    // Three timers, hour and minute each.
    QGroupBox* timers = b.Group(sheet, "GroupBox3", QStringLiteral("Upload Timers"));
    QGridLayout* tg = FormGrid(timers);
    for (int t = 0; t < kTimerCount; ++t) {
        QLabel* row = b.Caption(timers, 4110 + 2 * t, QStringLiteral("Timer %1: Hour").arg(t + 1));
        QComboBox* hour = b.Box(timers, FieldAt(kTimers + 2 * t).control, kNumberWidth);
        QLabel* minuteCaption = b.Caption(timers, 4111 + 2 * t, QStringLiteral("minute"));
        QComboBox* minute = b.Box(timers, FieldAt(kTimers + 2 * t + 1).control, kNumberWidth);
        Pair(tg, t, 0, row, hour);
        Pair(tg, t, 2, minuteCaption, minute);
        m_rowPartNames.push_back({minute, row, QString(), minuteCaption, QString()});
    }
    tg->setColumnStretch(4, 1);

    // Email account and the two automatic emails.
    QGroupBox* email = b.Group(sheet, "GroupBoxEmail", QStringLiteral("Email"));
    QGridLayout* eg = FormGrid(email);
    Pair(eg, 0, 0, b.Caption(email, 4120, QStringLiteral("Email address 1:")),
         b.Edit(email, "Edit343"));
    Pair(eg, 1, 0, b.Caption(email, 345, QStringLiteral("Email address 2:")),
         b.Edit(email, "Edit344"));
    Pair(eg, 0, 2, b.Caption(email, 4121, QStringLiteral("SMTP Server:")),
         b.Box(email, "ComboBox658", 20));
    Pair(eg, 1, 2, b.Caption(email, 4122, QStringLiteral("Email Account:")),
         b.Edit(email, "Edit346"));
    Pair(eg, 2, 2, b.Caption(email, 4123, QStringLiteral("Email Password:")),
         b.Edit(email, "Edit347"));
    for (int r = 0; r < kEmailRows; ++r) {
        const SettingsField& day = EmailDayField(r + 1);
        QLabel* row =
            b.Caption(email, 4124 + 3 * r, QStringLiteral("Automatically Send Email at:"));
        QComboBox* modeBox = b.Box(email, day.control, 16);
        QComboBox* dayBox = b.Box(email, day.partner, 10);
        // The day box is hidden while no automatic email is chosen; the hour keeps its place.
        QSizePolicy keep = dayBox->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        dayBox->setSizePolicy(keep);
        QLabel* hourCaption = b.Caption(email, 4125 + 3 * r, QStringLiteral("Hour"));
        QComboBox* hour = b.Box(email, FieldAt(kEmailTimes + 2 * r).control, kNumberWidth);
        QLabel* minuteCaption = b.Caption(email, 4126 + 3 * r, QStringLiteral("minute"));
        QComboBox* minute = b.Box(email, FieldAt(kEmailTimes + 2 * r + 1).control, kNumberWidth);
        row->setBuddy(modeBox);
        hourCaption->setBuddy(hour);
        minuteCaption->setBuddy(minute);

        auto* line = new QHBoxLayout;
        line->setSpacing(8);
        for (QWidget* w : {static_cast<QWidget*>(modeBox), static_cast<QWidget*>(dayBox),
                           static_cast<QWidget*>(hourCaption), static_cast<QWidget*>(hour),
                           static_cast<QWidget*>(minuteCaption), static_cast<QWidget*>(minute)}) {
            line->addWidget(w);
        }
        line->addStretch(1);
        eg->addWidget(row, 3 + r, 0);
        eg->addLayout(line, 3 + r, 1, 1, 3);

        const QString number = QString::number(r + 1);
        m_rowPartNames.push_back({modeBox, row, number, nullptr, QString()});
        m_rowPartNames.push_back({dayBox, row, number, nullptr, QStringLiteral("day")});
        m_rowPartNames.push_back({hour, row, number, hourCaption, QString()});
        m_rowPartNames.push_back({minute, row, number, minuteCaption, QString()});
    }
    eg->setColumnStretch(1, 1);
    eg->setColumnStretch(3, 1);

    outer->addWidget(servers, 0, 0, 2, 1);
    outer->addWidget(apn, 0, 1);
    outer->addWidget(timers, 1, 1);
    outer->addWidget(email, 2, 0, 1, 2);
    outer->setColumnStretch(0, 1);
    outer->setColumnStretch(1, 1);
    outer->setRowStretch(3, 1);

    b.ChainTabOrder();
    Relayout();
}

void ServerTab::Relayout() {
    for (const RowPartName& n : m_rowPartNames) {
        QString name = RowTitle(n.row->text());
        if (!n.rowNumber.isEmpty()) {
            name += QLatin1Char(' ') + n.rowNumber;
        }
        const QString part = n.part != nullptr ? n.part->text().simplified() : n.fixedPart;
        if (!part.isEmpty()) {
            name += QLatin1Char(' ') + part;
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
