#include "app/pages/SpeedDialTab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cstdint>

#include "app/ComponentRegistry.h"
#include "app/KeysPicture.h"
#include "app/pages/ReceiversTab.h"
#include "settings/SettingsMap.h"

namespace carecfg {

namespace {

// The speed-dial numbers in the settings record: four 16-byte numbers.
constexpr std::uint32_t kSpeedDialStart = 0xDF4;
constexpr std::uint32_t kSpeedDialEnd = kSpeedDialStart + 4 * 16;

// Label names of this tab.
constexpr int kFirstLabel = 5200;

// The side of the keys picture in pixels.
constexpr int kKeysPictureSide = 200;

}  // namespace

void SpeedDialTab::Build() {
    ComponentRegistry& reg = m_context.registry;
    auto* outer = new QVBoxLayout(&m_sheet);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(&m_sheet);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    outer->addWidget(scroll);
    auto* content = new QWidget;
    scroll->setWidget(content);
    auto* layout = new QGridLayout(content);
    layout->setContentsMargins(8, 8, 8, 8);

    auto* group = reg.Add(new QGroupBox(QStringLiteral("Speed Dial Numbers"), content),
                          QStringLiteral("GroupBoxSpeedDial"));
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(10, 12, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);

    // One row per number, numbered like the key that dials it.
    int row = 0;
    for (const SettingsField& field : SettingsFields()) {
        if (field.offset < kSpeedDialStart || field.offset >= kSpeedDialEnd) {
            continue;
        }
        auto* label = reg.Add(new QLabel(QStringLiteral("SpeedDial Tel No.%1").arg(row + 1), group),
                              QStringLiteral("Label%1").arg(kFirstLabel + row));
        auto* number = CreateMapControlAs<QLineEdit>(reg, field.control, group);
        number->setMinimumWidth(number->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                                    (number->maxLength() + 1) +
                                12);
        label->setBuddy(number);
        grid->addWidget(label, row, 0);
        grid->addWidget(number, row, 1);
        ++row;
    }
    auto* note =
        reg.Add(new QLabel(QStringLiteral("Keys 1 to 4 of the unit dial these numbers."), group),
                QStringLiteral("Label%1").arg(kFirstLabel + 4));
    note->setWordWrap(true);
    grid->addWidget(note, row, 0, 1, 2);
    grid->setRowStretch(row + 1, 1);

    auto* image = reg.Add(new QLabel(group), QStringLiteral("Image1"));
    image->setFixedSize(kKeysPictureSide, kKeysPictureSide);
    image->setAlignment(Qt::AlignCenter);
    image->setAccessibleName(QStringLiteral("The unit's keys 1 to 4"));
    ShowKeys(*image);
    grid->addWidget(image, 0, 2, row + 2, 1, Qt::AlignTop);
    grid->setColumnStretch(1, 1);

    layout->addWidget(group, 0, 0);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(1, 1);
}

void SpeedDialTab::ShowKeys(QLabel& image) {
    // A picture that cannot be decoded leaves the label empty; the numbers work without it.
    const QPixmap keys = KeysPicture::Pixmap();
    if (!keys.isNull()) {
        image.setPixmap(keys.scaled(kKeysPictureSide, kKeysPictureSide, Qt::KeepAspectRatio,
                                    Qt::SmoothTransformation));
    }
}

}  // namespace carecfg
