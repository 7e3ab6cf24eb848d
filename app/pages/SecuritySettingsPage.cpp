#include "app/pages/SecuritySettingsPage.h"

#include "app/pages/MapControls.h"
#include "app/pages/SpokenNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ComponentRegistry.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

// Widths of the zone list's columns in pixels, shared by the head and every row so that the
// captions stand over their controls.
struct ZoneColumns {
    int number = 58;
    int status = 84;
    int type = 150;  // "Emergency button" whole, beside the drop-down arrow
    int name = 170;
    int alert = 84;
    int siren = 92;
    int blockTitle = 64;
    int blockNumber = 50;
    int blockChoice = 124;
    int spacing = 6;
    int margin = 8;  // left and right of the head and of each row
    int NumberPair() const { return 2 * blockNumber + spacing; }
};
constexpr ZoneColumns kColumns{};

// This page's own labels (captions that the settings map does not name): Label1800..Label1899.
constexpr int kHeadLabel = 1800;       // column captions 1800..1816
constexpr int kArmingLabel = 1820;     // captions of the arming group 1820..1823
constexpr int kZone0TypeLabel = 1824;  // stands where zone 0 has no type box

// A zone's three blocks are watch periods: start hour and minute, end hour and minute, days.
const char* const kBlockCaptions[3] = {"Starts (h:min)", "Ends (h:min)", "Days"};
const char* const kBlockBoxSpoken[5] = {"starts hour", "starts minute", "ends hour", "ends minute",
                                        "days"};

QString LabelName(int number) {
    return QStringLiteral("Label%1").arg(number);
}

QString ZoneSpoken(int zone, const QString& what) {
    return QStringLiteral("Zone %1 %2").arg(zone).arg(what);
}

void FixWidth(QWidget* widget, int width, bool keepPlaceWhenHidden = false) {
    widget->setFixedWidth(width);
    if (keepPlaceWhenHidden) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
    }
}

// Shows the block captions of the zone list's head while any zone row shows its block title,
// so that the list is only as wide as blocks make it when some zone has them.
class BlockHeadFollower : public QObject {
public:
    BlockHeadFollower(QWidget* head, const std::vector<QWidget*>& titles)
        : QObject(head), m_head(head) {
        for (QWidget* title : titles) {
            m_titles.emplace_back(title);
            title->installEventFilter(this);
        }
        Follow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
            Follow();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Follow() {
        const bool any = std::any_of(m_titles.begin(), m_titles.end(), [](const auto& title) {
            return title != nullptr && !title->isHidden();
        });
        if (m_head->isHidden() == any) {
            m_head->setVisible(any);
        }
    }

    QWidget* m_head;
    std::vector<QPointer<QWidget>> m_titles;
};

// A zone row: a group box drawn as a thin band, every second one tinted, its caption at the
// left in the zone number column. Framed boxes with their caption above would make the list of
// 33 rows twice as tall.
class ZoneRowBox : public QGroupBox {
public:
    ZoneRowBox(const QString& title, bool tinted, QWidget* parent)
        : QGroupBox(title, parent), m_tinted(tinted) {
        setContentsMargins(0, 0, 0, 0);
    }

protected:
    bool event(QEvent* event) override {
        const bool handled = QGroupBox::event(event);
        // The group box makes room for a frame and a caption above whenever its style, font or
        // caption changes; the band has neither.
        if (event->type() == QEvent::ContentsRectChange && contentsMargins() != QMargins()) {
            setContentsMargins(0, 0, 0, 0);
        }
        return handled;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPalette& colours = palette();
        painter.fillRect(rect(),
                         colours.color(m_tinted ? QPalette::AlternateBase : QPalette::Base));
        painter.setPen(colours.color(QPalette::Midlight));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
        painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                     QPalette::WindowText));
        painter.drawText(QRect(kColumns.margin, 0, kColumns.number, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    }

private:
    bool m_tinted;
};

}  // namespace

// Creates the settings map's controls of this page and this page's labels under their names,
// with the kind, length limit and initial state the map gives, and registers them.
class SecuritySettingsPage::ControlFactory {
public:
    ControlFactory(ComponentRegistry& registry, SpokenNames& spoken)
        : m_registry(registry), m_spoken(spoken) {}

    // Names a control of a zone row for screen readers.
    void Speak(QWidget* control, const QString& spoken) { m_spoken.Name(control, spoken); }

    QLineEdit* Edit(const std::string& name, QWidget* parent) {
        return CreateMapControlAs<QLineEdit>(m_registry, name, parent);
    }
    // An editable drop-down box: the unit's values may be typed as well as chosen.
    QComboBox* Box(const std::string& name, QWidget* parent) {
        return CreateMapControlAs<QComboBox>(m_registry, name, parent);
    }
    QCheckBox* Check(const std::string& name, const QString& caption, QWidget* parent) {
        auto* check = CreateMapControlAs<QCheckBox>(m_registry, name, parent);
        check->setText(caption);
        return check;
    }
    QLabel* MapLabel(const std::string& name, const QString& caption, QWidget* parent) {
        auto* label = CreateMapControlAs<QLabel>(m_registry, name, parent);
        label->setText(caption);
        return label;
    }
    // A caption of this page that the map does not name.
    QLabel* Label(int number, const QString& caption, QWidget* parent) {
        return m_registry.Add(new QLabel(caption, parent), LabelName(number));
    }
    template <class T>
    T* Group(T* group, const QString& name) {
        return m_registry.Add(group, name);
    }

private:
    ComponentRegistry& m_registry;
    SpokenNames& m_spoken;
};

void SecuritySettingsPage::Build() {
    ControlFactory controls(m_context.registry, *new SpokenNames(m_sheet));
    auto* page = new QVBoxLayout(&m_sheet);
    page->setContentsMargins(12, 8, 12, 12);
    page->setSpacing(10);
    BuildArmingGroup(controls, *page);
    BuildZoneList(controls, *page);
    Relayout();
}

void SecuritySettingsPage::BuildArmingGroup(ControlFactory& controls, QBoxLayout& page) {
    auto* group = controls.Group(new QGroupBox(QStringLiteral("Arming"), &m_sheet),
                                 QStringLiteral("GroupBox40"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 16, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);

    // Each delay: caption, box (in seconds), unit.
    struct Delay {
        const char* box;
        const char* caption;
    };
    const Delay delays[] = {{"ComboBox83", "Armed Delay Time"},
                            {"ComboBox84", "Entrance Delay Time"}};
    int column = 0;
    for (std::size_t i = 0; i < std::size(delays); ++i) {
        const int label = kArmingLabel + 2 * static_cast<int>(i);
        QLabel* caption = controls.Label(label, QString::fromLatin1(delays[i].caption), group);
        QComboBox* box = controls.Box(delays[i].box, group);
        box->setFixedWidth(88);
        caption->setBuddy(box);
        QLabel* unit = controls.Label(label + 1, QStringLiteral("S"), group);
        grid->addWidget(caption, 0, column);
        grid->addWidget(box, 0, column + 1);
        grid->addWidget(unit, 0, column + 2);
        grid->setColumnMinimumWidth(column + 3, 24);
        column += 4;
    }
    grid->setColumnStretch(column, 1);

    auto* checks = new QHBoxLayout;
    checks->setSpacing(24);
    const std::pair<const char*, const char*> flags[] = {
        {"CheckBox22", "Armed Disarm send SMS"},
        {"CheckBox23", "Armed Disarm send GPRS"},
        {"CheckBox27", "Alarm Start Microphone to Listen"}};
    for (const auto& [name, caption] : flags) {
        checks->addWidget(controls.Check(name, QString::fromLatin1(caption), group));
    }
    checks->addStretch(1);
    grid->addLayout(checks, 1, 0, 1, column + 1);
    page.addWidget(group);
}

void SecuritySettingsPage::BuildZoneList(ControlFactory& controls, QBoxLayout& page) {
    auto* group = controls.Group(new QGroupBox(QStringLiteral("Zones"), &m_sheet),
                                 QStringLiteral("GroupBoxZones"));
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(1, 14, 1, 1);
    column->setSpacing(0);

    // The head scrolls sideways with the rows (never by itself) and stays above them.
    m_head = new QScrollArea(group);
    m_head->setObjectName(QStringLiteral("ZoneHead"));
    m_head->setFrameShape(QFrame::NoFrame);
    m_head->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_head->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_head->setFocusPolicy(Qt::NoFocus);
    m_head->setWidgetResizable(true);
    m_head->setWidget(BuildZoneHead(controls));
    column->addWidget(m_head);

    auto* rowArea = new QScrollArea(group);
    rowArea->setObjectName(QStringLiteral("ZoneRows"));
    rowArea->setAccessibleName(QStringLiteral("Zones"));
    rowArea->setFrameShape(QFrame::NoFrame);
    rowArea->setWidgetResizable(true);
    auto* content = new QWidget;
    rowArea->setWidget(content);
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    for (int zone = 0; zone <= kZoneCount; ++zone) {
        BuildZoneRow(controls, zone, *rows);
    }
    rows->addStretch(1);
    column->addWidget(rowArea, 1);

    QObject::connect(rowArea->horizontalScrollBar(), &QScrollBar::valueChanged,
                     m_head->horizontalScrollBar(), &QScrollBar::setValue);
    new BlockHeadFollower(m_blockHead, m_blockTitles);
    page.addWidget(group, 1);
}

QWidget* SecuritySettingsPage::BuildZoneHead(ControlFactory& controls) {
    auto* head = new QWidget;
    auto* grid = new QGridLayout(head);
    grid->setContentsMargins(kColumns.margin, 4, kColumns.margin, 4);
    grid->setHorizontalSpacing(kColumns.spacing);
    grid->setVerticalSpacing(0);
    auto caption = [&](int number, const char* text, int width) {
        QLabel* label = controls.Label(number, QString::fromLatin1(text), head);
        label->setFixedWidth(width);
        label->setWordWrap(true);
        return label;
    };
    const std::pair<const char*, int> columns[] = {
        {"Zone No.", kColumns.number},   {"Status", kColumns.status},
        {"Zone Type", kColumns.type},    {"   Zone Name", kColumns.name},
        {"Alert times", kColumns.alert}, {"Siren Sound", kColumns.siren}};
    int number = kHeadLabel;
    for (int i = 0; i < static_cast<int>(std::size(columns)); ++i) {
        grid->addWidget(caption(number++, columns[i].first, columns[i].second), 0, i);
        if (i == 4 || i == 5) {
            grid->addWidget(caption(number++, "20S/Time", columns[i].second), 1, i);
        }
    }

    m_blockHead = new QWidget(head);
    auto* blocks = new QHBoxLayout(m_blockHead);
    blocks->setContentsMargins(0, 0, 0, 0);
    blocks->setSpacing(kColumns.spacing);
    for (int q = 0; q < 3; ++q) {
        blocks->addSpacing(kColumns.blockTitle + kColumns.spacing);  // over the block's title
        for (int i = 0; i < 3; ++i) {
            const int width = i < 2 ? kColumns.NumberPair() : kColumns.blockChoice;
            blocks->addWidget(caption(number++, kBlockCaptions[i], width));
        }
    }
    grid->addWidget(m_blockHead, 0, 6, 2, 1, Qt::AlignTop);
    // Room for the rows' vertical scroll bar and more, so the head can scroll as far as the rows.
    grid->addItem(new QSpacerItem(head->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 64, 0,
                                  QSizePolicy::Fixed, QSizePolicy::Minimum),
                  0, 7);
    grid->setColumnStretch(8, 1);
    return head;
}

void SecuritySettingsPage::BuildZoneRow(ControlFactory& controls, int zone, QBoxLayout& rows) {
    // Zone 0's row is GroupBox48; zones 1..16 are GroupBox6..21, zones 17..32 GroupBox23..38.
    const int groupNumber = zone == 0 ? 48 : zone <= 16 ? 5 + zone : 6 + zone;
    // Its caption names the zone; it stands in the zone number column.
    auto* row = controls.Group(
        new ZoneRowBox(QStringLiteral("Zone %1").arg(zone), zone % 2 == 1, rows.parentWidget()),
        QStringLiteral("GroupBox%1").arg(groupNumber));
    rows.addWidget(row);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(kColumns.margin, 3, kColumns.margin, 3);
    line->setSpacing(kColumns.spacing);
    auto place = [&](QWidget* widget, int width, bool keepPlaceWhenHidden = false) {
        FixWidth(widget, width, keepPlaceWhenHidden);
        line->addWidget(widget);
    };

    // No layout spacing follows a spacer item: it is part of the spacer.
    line->addSpacing(kColumns.number + kColumns.spacing);
    QCheckBox* disable = controls.Check(ZoneDisableBox(zone), QStringLiteral("Disable"), row);
    controls.Speak(disable, ZoneSpoken(zone, QStringLiteral("Disable")));
    place(disable, kColumns.status);

    if (zone == 0) {
        // Zone 0's type is fixed: a caption stands in the column, its box stays hidden.
        place(controls.Label(kZone0TypeLabel, QStringLiteral("Fixed type"), row), kColumns.type);
        line->addWidget(controls.Box(ZoneTypeBox(0), row));
    } else {
        QComboBox* type = controls.Box(ZoneTypeBox(zone), row);
        controls.Speak(type, ZoneSpoken(zone, QStringLiteral("Zone Type")));
        place(type, kColumns.type);
    }
    QLineEdit* name = controls.Edit(ZoneNameEdit(zone), row);
    controls.Speak(name, ZoneSpoken(zone, QStringLiteral("Zone Name")));
    place(name, kColumns.name, true);
    if (zone == 0) {
        line->addWidget(controls.Edit("Edit380", row));
    }
    QComboBox* alert = controls.Box(ZoneAlertBox(zone), row);
    controls.Speak(alert, ZoneSpoken(zone, QStringLiteral("Alert times")));
    place(alert, kColumns.alert, true);
    QComboBox* siren = controls.Box(ZoneSirenBox(zone), row);
    controls.Speak(siren, ZoneSpoken(zone, QStringLiteral("Siren Sound")));
    place(siren, kColumns.siren, true);

    for (int q = 0; q < 3; ++q) {
        const QString block = QStringLiteral("Watch period %1").arg(q + 1);
        if (zone > 0) {
            QLabel* title = controls.MapLabel(ZoneBlockLabel(zone, q), block, row);
            title->setWordWrap(true);
            place(title, kColumns.blockTitle);
            m_blockTitles.push_back(title);
        }
        for (int item = 0; item < 5; ++item) {
            QComboBox* box = controls.Box(ZoneBlockBox(zone, q, item), row);
            controls.Speak(box, ZoneSpoken(zone, block + QLatin1Char(' ') +
                                                     QString::fromLatin1(kBlockBoxSpoken[item])));
            place(box, item < 4 ? kColumns.blockNumber : kColumns.blockChoice);
        }
    }
    line->addStretch(1);
}

void SecuritySettingsPage::Relayout() {
    if (m_head == nullptr || m_head->widget() == nullptr) {
        return;
    }
    m_head->setFixedHeight(m_head->widget()->sizeHint().height());
}

}  // namespace carecfg
