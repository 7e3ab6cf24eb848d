#include "app/pages/ReceiversTab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "app/ComponentRegistry.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

// Where the receivers' fields lie in the settings record: ten 16-byte numbers, then two flag
// bytes per number.
constexpr std::uint32_t kReceiverNumbersStart = 0x00A;
constexpr std::uint32_t kReceiverFlagsStart = 0x0AA;
constexpr std::uint32_t kReceiverFlagsEnd = kReceiverFlagsStart + 2 * kReceiverCount;

// The grid's column captions, in the order the map lists each row's check boxes.
constexpr std::array<const char*, 10> kFlagColumnCaptions = {
    "Alarm Dial",      "Alarm SMS",
    "Daily SMS",       "Threhold   SMS",
    "Threhold   Dial", "Armed  SMS",
    "DC Loss   SMS",   "Sensor Low Voltage SMS",
    " GPRS Fail SMS",  "Measured Values Alert by SMS"};

// Label names of this tab: captions beside controls, then the grid's row and column captions.
constexpr int kFirstLabel = 5100;
constexpr int kRowLabels = 5110;
constexpr int kColumnLabels = 5130;

QString LabelName(int number) {
    return QStringLiteral("Label%1").arg(number);
}

// The controls of the map's fields that start in [begin, end), in the map's order.
std::vector<const SettingsField*> FieldsIn(std::uint32_t begin, std::uint32_t end) {
    std::vector<const SettingsField*> fields;
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset >= begin && field.offset < end) {
            fields.push_back(&field);
        }
    }
    return fields;
}

QGroupBox* AddGroup(ComponentRegistry& reg, const char* name, const QString& title,
                    QWidget* parent) {
    return reg.Add(new QGroupBox(title, parent), QString::fromLatin1(name));
}

QGridLayout* GroupGrid(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    return grid;
}

QLabel* AddLabel(ComponentRegistry& reg, int number, const QString& text, QWidget* parent) {
    return reg.Add(new QLabel(text, parent), LabelName(number));
}

// Gives an editable box room for a few digits, however short its list still is.
void SizeForDigits(QComboBox* box, int digits) {
    box->setMinimumContentsLength(digits);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

// Gives an edit room for `digits` digits of a telephone number (longer ones scroll).
void SizeForNumber(QLineEdit* edit, int digits) {
    edit->ensurePolished();
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * digits + 14);
}

// Keeps a word-wrapped caption at least as wide as its longest word, so no word is cut.
void FitLongestWord(QLabel* label) {
    label->ensurePolished();
    int widest = 0;
    for (const QString& word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(word));
    }
    label->setMinimumWidth(widest + 2);
}

// Digits of a telephone number an edit shows without scrolling.
constexpr int kShownDigits = 13;

}  // namespace

void ReceiversTab::Build() {
    // The tab scrolls rather than squeezing its groups when the window is smaller than designed.
    auto* outer = new QVBoxLayout(&m_sheet);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&m_sheet);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    scroll->setWidget(content);

    auto* layout = new QGridLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(6);

    // Created in reading order, which is also the order the Tab key visits them.
    layout->addWidget(BuildIdentityGroup(content), 0, 0);
    layout->addWidget(BuildTimeGroup(content), 0, 1);
    layout->addWidget(BuildReceiverGrid(content), 1, 0, 1, 2);
    layout->addWidget(BuildPowerGroup(content), 2, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(3, 1);
    Relayout();
}

QGroupBox* ReceiversTab::BuildIdentityGroup(QWidget* parent) {
    ComponentRegistry& reg = m_context.registry;
    QGroupBox* group = AddGroup(reg, "GroupBox1", QStringLiteral("Unit"), parent);
    QGridLayout* grid = GroupGrid(group);

    QLabel* idLabel = AddLabel(reg, kFirstLabel, QStringLiteral("Device ID:"), group);
    auto* deviceId = CreateMapControlAs<QLineEdit>(reg, "Edit337", group);
    QLabel* idNote = AddLabel(reg, kFirstLabel + 1, QStringLiteral("(Max. 9digits)"), group);
    idLabel->setBuddy(deviceId);
    grid->addWidget(idLabel, 0, 0);
    grid->addWidget(deviceId, 0, 1);
    grid->addWidget(idNote, 0, 2);

    QLabel* simLabel = AddLabel(reg, kFirstLabel + 2, QStringLiteral("R5 Simcard Number:"), group);
    auto* sim = CreateMapControlAs<QLineEdit>(reg, "Edit366", group);
    auto* simOption = CreateMapControlAs<QCheckBox>(reg, "CheckBox80", group);
    simOption->setText(QStringLiteral("Use SIM number"));
    simLabel->setBuddy(sim);
    SizeForNumber(sim, kShownDigits);
    grid->addWidget(simLabel, 1, 0);
    grid->addWidget(sim, 1, 1);
    grid->addWidget(simOption, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QGroupBox* ReceiversTab::BuildTimeGroup(QWidget* parent) {
    ComponentRegistry& reg = m_context.registry;
    QGroupBox* group = AddGroup(reg, "GroupBox39", QStringLiteral("Daily SMS Time"), parent);
    QGridLayout* grid = GroupGrid(group);
    const std::array<std::pair<const char*, const char*>, 2> rows = {
        {{"ComboBox47", "Hour"}, {"ComboBox49", "Minute"}}};
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        QLabel* label =
            AddLabel(reg, kFirstLabel + 3 + row, QString::fromLatin1(rows[row].second), group);
        auto* box = CreateMapControlAs<QComboBox>(reg, rows[row].first, group);
        SizeForDigits(box, 3);
        label->setBuddy(box);
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
    }
    return group;
}

QGroupBox* ReceiversTab::BuildReceiverGrid(QWidget* parent) {
    ComponentRegistry& reg = m_context.registry;
    QGroupBox* group = AddGroup(reg, "GroupBox2", QStringLiteral("Alarm Receivers"), parent);
    QGridLayout* grid = GroupGrid(group);
    grid->setVerticalSpacing(2);

    // Column captions: the numbers, then one report type per column.
    QLabel* numberCaption = AddLabel(reg, kColumnLabels, QStringLiteral("Telephone Number"), group);
    grid->addWidget(numberCaption, 0, 1, Qt::AlignLeft | Qt::AlignBottom);
    for (std::size_t c = 0; c < kFlagColumnCaptions.size(); ++c) {
        QLabel* caption = AddLabel(reg, kColumnLabels + 1 + static_cast<int>(c),
                                   QString::fromLatin1(kFlagColumnCaptions[c]), group);
        caption->setWordWrap(true);
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        caption->setStyleSheet(QStringLiteral("font-size: 8pt;"));
        grid->addWidget(caption, 0, 2 + static_cast<int>(c));
        grid->setColumnStretch(2 + static_cast<int>(c), 1);
        m_columnCaptions.push_back(caption);
    }

    // One row per receiver: its caption, its number, then the check boxes of its two flag bytes.
    const auto numbers = FieldsIn(kReceiverNumbersStart, kReceiverFlagsStart);
    const auto flags = FieldsIn(kReceiverFlagsStart, kReceiverFlagsEnd);
    for (int n = 0; n < static_cast<int>(numbers.size()); ++n) {
        const int row = 1 + n;
        QLabel* rowCaption =
            AddLabel(reg, kRowLabels + n, QStringLiteral("Tel No.%1").arg(n + 1), group);
        auto* number = CreateMapControlAs<QLineEdit>(reg, numbers[n]->control, group);
        SizeForNumber(number, kShownDigits);
        rowCaption->setBuddy(number);
        grid->addWidget(rowCaption, row, 0);
        grid->addWidget(number, row, 1);

        std::size_t column = 0;
        for (const SettingsField* flag : flags) {
            if ((flag->offset - kReceiverFlagsStart) / 2 != static_cast<std::uint32_t>(n)) {
                continue;
            }
            if (column >= m_columnCaptions.size()) {
                throw std::logic_error("a receiver flag without a column caption: " +
                                       flag->control);
            }
            auto* box = CreateMapControlAs<QCheckBox>(reg, flag->control, group);
            grid->addWidget(box, row, 2 + static_cast<int>(column), Qt::AlignHCenter);
            m_cells.push_back({box, rowCaption, m_columnCaptions[column]});
            ++column;
        }
    }
    grid->setColumnStretch(1, 2);
    return group;
}

QGroupBox* ReceiversTab::BuildPowerGroup(QWidget* parent) {
    ComponentRegistry& reg = m_context.registry;
    QGroupBox* group = AddGroup(reg, "GroupBox22", QStringLiteral("External Power"), parent);
    QGridLayout* grid = GroupGrid(group);

    QLabel* lead =
        AddLabel(reg, kFirstLabel + 5, QStringLiteral("When External DC Loss more than "), group);
    auto* minutes = CreateMapControlAs<QComboBox>(reg, "ComboBox40", group);
    SizeForDigits(minutes, 3);
    m_dcLossTail = AddLabel(reg, kFirstLabel + 6,
                            QStringLiteral("Minutes then send SMS to Alarm Telephones."), group);
    lead->setBuddy(minutes);
    grid->addWidget(lead, 0, 0);
    grid->addWidget(minutes, 0, 1);
    grid->addWidget(m_dcLossTail, 0, 2);
    grid->setColumnStretch(3, 1);

    // The unit's output signal on alarm: kept in the settings but not offered to the user.
    auto* output = CreateMapControlAs<QCheckBox>(reg, "CheckBox79", group);
    QLabel* outputLabel =
        AddLabel(reg, kFirstLabel + 7, QStringLiteral("Output signal on alarm"), group);
    outputLabel->setBuddy(output);
    outputLabel->setHidden(true);
    grid->addWidget(output, 1, 0, Qt::AlignRight);
    grid->addWidget(outputLabel, 1, 1, 1, 2);
    return group;
}

void ReceiversTab::Relayout() {
    for (QLabel* caption : m_columnCaptions) {
        FitLongestWord(caption);
    }
    for (const GridCell& cell : m_cells) {
        const QString name =
            cell.row->text().simplified() + QLatin1Char(' ') + cell.column->text().simplified();
        if (cell.box->accessibleName() != name) {
            cell.box->setAccessibleName(name);
        }
    }
    if (m_dcLossTail != nullptr) {
        if (auto* minutes = m_context.registry.Find<QComboBox>(QStringLiteral("ComboBox40"))) {
            minutes->setAccessibleDescription(m_dcLossTail->text().simplified());
        }
    }
}

}  // namespace carecfg
