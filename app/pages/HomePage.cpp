#include "app/pages/HomePage.h"

#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "app/ComponentRegistry.h"
#include "app/HomeLayout.h"
#include "app/pages/ResizeWatcher.h"

namespace carecfg {

namespace {

constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 34;

}  // namespace

void HomePage::Build() {
    ComponentRegistry& reg = m_context.registry;
    m_group = reg.AddTheme(new QGroupBox(&m_sheet), QStringLiteral("TeGroupBox1"));
    m_group->setProperty(kFillParentProperty, true);

    m_title = reg.Add(new QLabel(QStringLiteral("Care Unit Configuration"), m_group),
                      QStringLiteral("Label324"));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setProperty("homeTitle", true);
    QFont titleFont = m_title->font();
    titleFont.setPointSize(28);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_clock = reg.Add(new QLabel(m_group), QStringLiteral("Label326"));
    m_clock->setProperty("homeClock", true);

    m_portLabel =
        reg.Add(new QLabel(QStringLiteral("Com Port"), m_group), QStringLiteral("Label1"));

    m_cboxCom = reg.Add(new QComboBox(m_group), QStringLiteral("cbox_com"));
    m_cboxCom->setEditable(true);
    m_cboxCom->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                         QStringLiteral("COM4"), QStringLiteral("COM5"), QStringLiteral("DEMO")});
    m_cboxCom->setCurrentText(QStringLiteral("COM1"));
    m_cboxCom->setFixedWidth(120);

    m_portState = reg.Add(new QLabel(m_group), QStringLiteral("Label327"));
    m_portState->setProperty("portState", true);

    m_portButton = reg.Add(new QToolButton(m_group), QStringLiteral("SpeedButton10"));
    m_portButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_portButton->setProperty("homeButton", true);

    m_button3 =
        reg.Add(new QPushButton(QStringLiteral("Set Clock"), m_group), QStringLiteral("Button3"));
    m_button4 =
        reg.Add(new QPushButton(QStringLiteral("Login"), m_group), QStringLiteral("Button4"));
    for (QWidget* b : {static_cast<QWidget*>(m_portButton), static_cast<QWidget*>(m_button3),
                       static_cast<QWidget*>(m_button4)}) {
        b->setFixedSize(kButtonWidth, kButtonHeight);
    }
    ShowClock();
    new ResizeWatcher(m_group, [this] { Relayout(); });
}

void HomePage::ShowClock() {
    m_clock->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void HomePage::Relayout() {
    if (m_group == nullptr) {
        return;
    }
    const int g = m_group->width();

    QFont titleFont = m_title->font();
    const int titleSize =
        TitleFontSize(g, static_cast<int>(m_title->text().size()), titleFont.pointSize());
    titleFont.setPointSize(titleSize);
    m_title->setFont(titleFont);
    const int titleTop = m_group->height() / 3;
    m_title->setGeometry(0, titleTop, g, m_title->sizeHint().height());

    QFont clockFont = m_clock->font();
    clockFont.setPointSize(ClockFontSize(titleSize));
    m_clock->setFont(clockFont);
    m_clock->adjustSize();
    const int clockTop = titleTop + m_title->height() + 20;
    m_clock->move((g - m_clock->width() - 10) / 2, clockTop);

    m_portLabel->adjustSize();
    m_portState->adjustSize();
    const int rowTop = clockTop + m_clock->height() + 30;
    const int labelLeft =
        RowStart(g, m_portLabel->width() + m_cboxCom->width() + m_portState->width(), 60);
    m_portLabel->move(labelLeft, rowTop);
    m_cboxCom->move(labelLeft + m_portLabel->width() + 20, rowTop - 5);
    m_portState->move(m_cboxCom->x() + m_cboxCom->width() + 20, rowTop);

    const int buttonTop = rowTop + m_portState->height() + 20;
    m_portButton->move(RowStart(g, 3 * m_portButton->width(), 40), buttonTop);
    m_button3->move(m_portButton->x() + m_portButton->width() + 20, buttonTop);
    m_button4->move(m_button3->x() + m_button3->width() + 20, buttonTop);
}

}  // namespace carecfg
