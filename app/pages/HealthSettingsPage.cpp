#include "app/pages/HealthSettingsPage.h"

#include "app/pages/MapControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/ComponentRegistry.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

// One line of the temperature group: its caption, the drop-down box, and the caption that
// follows the box (the unit, or the rest of the sentence the box stands in).
struct TemperatureRow {
    int captionLabel;
    const char* caption;
    const char* box;
    int trailingLabel;
    const char* trailing;
};

constexpr TemperatureRow kTemperatureRows[] = {
    {3001, "Temperature High Threshold", "ComboBox87", 3002, "Degree"},
    {3003, "Temperature Low Threshold", "ComboBox88", 3004, "Degree"},
    {3005, "Temperature exceeds high threshold more than", "ComboBox86", 3006,
     "minutes, send SMS to alarm numbers."},
    {3007, "After R5 Received Blood Pressure data,delay", "ComboBox85", 3008,
     "minutes no any new data, will upload data to monitoring center over GPRS."},
};

// The column captions of the threshold group, left to right above the three box columns.
struct ColumnCaption {
    int label;
    const char* caption;
};

constexpr ColumnCaption kThresholdColumns[] = {
    {3010, "Units"}, {3011, "High Threshold"}, {3012, "Low Threshold"}};

// One health quantity of the threshold group: its row caption, the unit selector, the high and
// the low threshold box, and the hidden check box that holds the unit flag.
struct ThresholdRow {
    int captionLabel;
    const char* caption;
    const char* unitBox;
    const char* highBox;
    const char* lowBox;
    const char* flagBox;  // null: the quantity has one unit only
};

constexpr ThresholdRow kThresholdRows[] = {
    {3013, "Systolic ", "ComboBox43", "ComboBox652", "ComboBox653", "CheckBox81"},
    {3014, "Heart Rate", "ComboBox44", "ComboBox650", "ComboBox651", nullptr},
    {3015, "Glucose", "ComboBox45", "ComboBox654", "ComboBox655", "CheckBox82"},
    {3016, "Weight", "ComboBox46", "ComboBox656", "ComboBox657", "CheckBox83"},
};

// Grid column of the hidden unit flags, behind the three box columns.
constexpr int kFlagColumn = 4;
// Characters every box of the page is wide enough for: a unit ("mmol/L") or a value.
constexpr int kBoxChars = 8;
// Widest the caption column grows before a caption wraps onto a second line, so the boxes and
// the captions behind them keep their room at the designed window size.
constexpr int kCaptionColumnMaxWidth = 300;

QString LabelName(int number) {
    return QStringLiteral("Label%1").arg(number);
}

QLabel* AddLabel(ComponentRegistry& reg, int number, const char* text, QWidget& parent) {
    return reg.Add(new QLabel(QString::fromUtf8(text), &parent), LabelName(number));
}

// A drop-down box of the map, registered under its name. An editable box takes typed values
// (never inserted into its list); a box that is not editable offers its items only.
QComboBox* AddBox(ComponentRegistry& reg, const char* name, bool editable, int chars,
                  QWidget& parent) {
    auto* box = CreateMapControlAs<QComboBox>(reg, name, &parent);
    if (!editable) {
        // Choosing only: the map's boxes are created editable.
        box->setEditable(false);
    }
    box->setMinimumContentsLength(chars);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

QCheckBox* AddCheck(ComponentRegistry& reg, const char* name, QWidget& parent) {
    auto* check = CreateMapControlAs<QCheckBox>(reg, name, &parent);
    return check;
}

QGridLayout* GroupGrid(QGroupBox& group) {
    auto* grid = new QGridLayout(&group);
    grid->setContentsMargins(12, 16, 12, 12);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    return grid;
}

}  // namespace

void HealthSettingsPage::Build() {
    // The page scrolls when the window is made smaller than its groups need.
    auto* outer = new QVBoxLayout(&m_sheet);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&m_sheet);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);
    BuildTemperatureGroup(*content, *column);
    BuildThresholdGroup(*content, *column);
    column->addStretch(1);
    scroll->setWidget(content);

    NameControls();
    AlignBoxColumns();
}

void HealthSettingsPage::BuildTemperatureGroup(QWidget& parent, QVBoxLayout& column) {
    ComponentRegistry& reg = m_context.registry;
    auto* group = reg.Add(new QGroupBox(QStringLiteral("Temperature"), &parent),
                          QStringLiteral("GroupBox43"));
    QGridLayout* grid = GroupGrid(*group);
    grid->setColumnStretch(2, 1);
    m_temperatureGrid = grid;

    int row = 0;
    for (const TemperatureRow& r : kTemperatureRows) {
        QLabel* caption = AddLabel(reg, r.captionLabel, r.caption, *group);
        QComboBox* box = AddBox(reg, r.box, true, kBoxChars, *group);
        QLabel* trailing = AddLabel(reg, r.trailingLabel, r.trailing, *group);
        trailing->setWordWrap(true);
        caption->setBuddy(box);
        caption->setWordWrap(true);
        m_rowCaptions.push_back(caption);
        grid->addWidget(caption, row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(trailing, row, 2);
        m_captioned.push_back({box, {}, nullptr, trailing});
        ++row;
    }
    column.addWidget(group);
}

void HealthSettingsPage::BuildThresholdGroup(QWidget& parent, QVBoxLayout& column) {
    ComponentRegistry& reg = m_context.registry;
    auto* group = reg.Add(new QGroupBox(QStringLiteral("Health Thresholds"), &parent),
                          QStringLiteral("GroupBox45"));
    QGridLayout* grid = GroupGrid(*group);
    grid->setColumnStretch(kFlagColumn, 1);
    m_thresholdGrid = grid;

    std::vector<const QLabel*> columnCaptions;
    int col = 1;
    for (const ColumnCaption& c : kThresholdColumns) {
        QLabel* label = AddLabel(reg, c.label, c.caption, *group);
        grid->addWidget(label, 0, col);
        columnCaptions.push_back(label);
        ++col;
    }

    // Row by row, so the keyboard moves along a quantity's unit, high and low box in turn.
    int row = 1;
    for (const ThresholdRow& r : kThresholdRows) {
        QLabel* caption = AddLabel(reg, r.captionLabel, r.caption, *group);
        caption->setWordWrap(true);
        m_rowCaptions.push_back(caption);
        grid->addWidget(caption, row, 0);
        // The unit changes by choosing an item only: its key presses are swallowed too.
        QComboBox* unit = AddBox(reg, r.unitBox, false, kBoxChars, *group);
        QComboBox* high = AddBox(reg, r.highBox, true, kBoxChars, *group);
        QComboBox* low = AddBox(reg, r.lowBox, true, kBoxChars, *group);
        QComboBox* const boxes[] = {unit, high, low};
        for (int i = 0; i < 3; ++i) {
            grid->addWidget(boxes[i], row, 1 + i);
            // Screen readers on Linux speak a drop-down box by its value and the labels that
            // name it, not by its accessible name: a hidden label holds the row and column
            // captions for them. It is no component, so the catalogue does not reach it.
            auto* nameLabel = new QLabel(group);
            nameLabel->setHidden(true);
            nameLabel->setBuddy(boxes[i]);
            m_captioned.push_back({boxes[i], {caption, columnCaptions[i]}, nameLabel, nullptr});
        }
        if (r.flagBox != nullptr) {
            grid->addWidget(AddCheck(reg, r.flagBox, *group), row, kFlagColumn);
        }
        ++row;
    }
    column.addWidget(group);
}

void HealthSettingsPage::Relayout() {
    NameControls();
    AlignBoxColumns();
}

void HealthSettingsPage::AlignBoxColumns() {
    int width = 0;
    for (const QLabel* caption : m_rowCaptions) {
        width = std::max(width, caption->fontMetrics().horizontalAdvance(caption->text()));
    }
    width = std::min(width, kCaptionColumnMaxWidth);
    for (QLabel* caption : m_rowCaptions) {
        caption->setMaximumWidth(width);
    }
    for (QGridLayout* grid : {m_temperatureGrid, m_thresholdGrid}) {
        if (grid != nullptr) {
            grid->setColumnMinimumWidth(0, width);
        }
    }
}

void HealthSettingsPage::NameControls() {
    for (const CaptionedControl& c : m_captioned) {
        if (!c.nameParts.empty()) {
            QStringList parts;
            for (const QLabel* label : c.nameParts) {
                const QString text = label->text().simplified();
                if (!text.isEmpty()) {
                    parts.push_back(text);
                }
            }
            const QString name = parts.join(QLatin1Char(' '));
            c.control->setAccessibleName(name);
            if (c.nameLabel != nullptr) {
                c.nameLabel->setText(name);
            }
        }
        if (c.description != nullptr) {
            c.control->setAccessibleDescription(c.description->text().simplified());
        }
    }
}

}  // namespace carecfg
