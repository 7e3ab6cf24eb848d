#include "app/HealthChartView.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "health/HealthTime.h"

namespace carecfg {

namespace {

constexpr int kWindowTicks = kChartWindowDays + 1;  // one label per day of the window
constexpr int kMinorTicks = 4;
// Round markers of radius 2 pixels on the reading lines.
constexpr qreal kMarkerDiameter = 4.0;
// Labels at most this many to a window, however many days it spans.
constexpr double kMostLabels = 10.0;
constexpr int kLabelPointSize = 8;

const QColor kBank1Colour(0, 0, 0);
const QColor kBank2Colour(255, 128, 255);
const QColor kThresholdColour(255, 0, 0);
const QColor kGridColour(0xc8, 0xc8, 0xc8);
const QColor kMinorGridColour(0xea, 0xea, 0xea);

// The local time at which the day axis shows a date-time number: noon of its calendar day plus
// the part of the day past midnight. Noon keeps the label on its day through any daylight-saving
// shift; the order of two numbers is kept, so the range steps stay valid for this axis too.
QDateTime LabelTime(double dateTime) {
    const double day = std::floor(dateTime);
    const QDate date = QDateTime::fromMSecsSinceEpoch(ChartTimeOf(day), Qt::UTC).date();
    const QDateTime noon(date, QTime(12, 0));
    return noon.addMSecs(ChartTimeOf(dateTime) - ChartTimeOf(day));
}

// Days from the first to the last point time of every series, widened to whole days and then to
// a whole number of label steps; nothing without a point.
std::optional<AxisRange> FittedWindow(const HealthChartModel& model) {
    double first = std::numeric_limits<double>::infinity();
    double last = -std::numeric_limits<double>::infinity();
    for (const auto& series : model.series) {
        for (const HealthPoint& p : series) {
            if (std::isfinite(p.time)) {
                first = std::min(first, p.time);
                last = std::max(last, p.time);
            }
        }
    }
    if (first > last) {
        return std::nullopt;
    }
    const double start = std::floor(first);
    const double days = std::max(1.0, std::ceil(last) - start);
    const double step = std::ceil(days / kMostLabels);
    return AxisRange{start, start + step * std::ceil(days / step)};
}

// The span of every point value, with a little room above and below; nothing without a point.
std::optional<AxisRange> FittedValues(const HealthChartModel& model) {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    for (const auto& series : model.series) {
        for (const HealthPoint& p : series) {
            if (std::isfinite(p.value)) {
                low = std::min(low, p.value);
                high = std::max(high, p.value);
            }
        }
    }
    if (low > high) {
        return std::nullopt;
    }
    const double margin = (high - low) * 0.05;
    return AxisRange{low - margin, high + margin};
}

QFont LabelFont() {
    QFont font;
    font.setPointSize(kLabelPointSize);
    return font;
}

}  // namespace

HealthChartView::HealthChartView(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setDropShadowEnabled(false);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setTitle(QString());
    chart->setMargins(QMargins(2, 0, 6, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setLocalizeNumbers(true);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setInteractive(false);
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundBrush(Qt::white);

    m_dayAxis = new QDateTimeAxis;
    m_dayAxis->setFormat(QStringLiteral("M.dd"));
    m_dayAxis->setTickCount(kWindowTicks);
    m_dayAxis->setGridLineVisible(false);
    m_dayAxis->setLabelsFont(LabelFont());
    m_dayAxis->setTitleFont(LabelFont());
    m_dayAxis->setTitleVisible(false);
    m_timeAxis = new QValueAxis;
    m_timeAxis->setTickCount(kWindowTicks);
    m_timeAxis->setMinorTickCount(kMinorTicks);
    m_timeAxis->setLabelsVisible(false);
    m_timeAxis->setLineVisible(false);
    m_timeAxis->setTitleVisible(false);
    m_timeAxis->setGridLineColor(kGridColour);
    m_timeAxis->setMinorGridLineColor(kMinorGridColour);
    m_valueAxis = new QValueAxis;
    m_valueAxis->setLabelsFont(LabelFont());
    m_valueAxis->setTitleFont(LabelFont());
    m_valueAxis->setGridLineColor(kGridColour);
    chart->addAxis(m_dayAxis, Qt::AlignBottom);
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);

    // The window of a chart without readings: days 0 to 10 of the date-time scale.
    m_window = {0.0, static_cast<double>(kChartWindowDays)};
    m_timeAxis->setRange(static_cast<qreal>(ChartTimeOf(m_window.minimum)),
                         static_cast<qreal>(ChartTimeOf(m_window.maximum)));
    m_dayAxis->setRange(LabelTime(m_window.minimum), LabelTime(m_window.maximum));
    m_values = {0.0, 1.0};
    m_valueAxis->setRange(m_values.minimum, m_values.maximum);

    const QColor colours[kHealthSeriesCount] = {kBank1Colour, kBank2Colour, kThresholdColour,
                                                kThresholdColour};
    for (std::size_t i = 0; i < kHealthSeriesCount; ++i) {
        auto* series = new QLineSeries;
        chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_valueAxis);
        // Colours after addSeries: the theme recolours a series it is given.
        series->setPen(QPen(colours[i], 1.0));
        series->setColor(colours[i]);
        const bool reading = i == kBank1Series || i == kBank2Series;
        series->setPointsVisible(reading);
        if (reading) {
            series->setMarkerSize(kMarkerDiameter);
            series->setName(QStringLiteral("Bank %1").arg(i + 1));
        } else {
            for (QLegendMarker* marker : chart->legend()->markers(series)) {
                marker->setVisible(false);
            }
        }
        m_series[i] = series;
    }
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->legend()->setFont(LabelFont());
    chart->legend()->setContentsMargins(0, 0, 0, 0);
    ShowLeftTitle();
}

QLineSeries* HealthChartView::Series(int index) const {
    if (index < 0 || index >= static_cast<int>(m_series.size())) {
        return nullptr;
    }
    return m_series[static_cast<std::size_t>(index)];
}

void HealthChartView::Show(const HealthChartModel& model) {
    m_model = model;
    for (std::size_t i = 0; i < kHealthSeriesCount; ++i) {
        QList<QPointF> points;
        const std::vector<HealthPoint> sorted = SortedByTime(model.series[i]);
        points.reserve(static_cast<qsizetype>(sorted.size()));
        for (const HealthPoint& p : sorted) {
            points.append(QPointF(static_cast<qreal>(ChartTimeOf(p.time)), p.value));
        }
        m_series[i]->replace(points);
    }
    ShowTimeWindow(model);
    if (!model.valueAxis.automatic) {
        ApplyValueRange(model.valueAxis.range);
    } else if (const auto fitted = FittedValues(model)) {
        ApplyValueRange(*fitted);
    }
}

void HealthChartView::ShowTimeWindow(const HealthChartModel& model) {
    m_model.timeAxis = model.timeAxis;
    m_model.scroll = model.scroll;
    if (!model.timeAxis.automatic) {
        ApplyTimeWindow(model.timeAxis.range);
    } else if (const auto fitted = FittedWindow(m_model)) {
        ApplyTimeWindow(*fitted);
    }
}

// Sets both time axes to the window, then one label per day, or per a few days for a window
// fitted to many. A window that the range steps reject (inverted, not finite) is not shown. Each
// axis takes both ends in one call: it never holds a maximum below its minimum, and it lays out
// its labels once instead of once per end.
void HealthChartView::ApplyTimeWindow(const AxisRange& days) {
    if (!RangeSteps(m_window, days)) {
        return;
    }
    m_window = days;
    const double span = std::round(days.maximum - days.minimum);
    int ticks = kWindowTicks;
    int minor = kMinorTicks;
    if (span > kMostLabels && span < 1.0e6) {
        const double step = std::ceil(span / kMostLabels);
        if (std::fmod(span, step) == 0.0) {
            ticks = static_cast<int>(span / step) + 1;
            minor = step <= 5.0 ? static_cast<int>(step) - 1 : 0;
        }
    } else if (span >= 1.0 && span < kMostLabels) {
        ticks = static_cast<int>(span) + 1;
    }
    m_timeAxis->setTickCount(ticks);
    m_timeAxis->setMinorTickCount(minor);
    m_dayAxis->setTickCount(ticks);
    m_timeAxis->setRange(static_cast<qreal>(ChartTimeOf(days.minimum)),
                         static_cast<qreal>(ChartTimeOf(days.maximum)));
    m_dayAxis->setRange(LabelTime(days.minimum), LabelTime(days.maximum));
}

// The value range, checked by the same range steps and set in one call; a range of no height
// is shown one unit above and below its value.
void HealthChartView::ApplyValueRange(AxisRange range) {
    if (range.minimum == range.maximum) {
        range.minimum -= 1.0;
        range.maximum += 1.0;
    }
    if (!RangeSteps(m_values, range)) {
        return;
    }
    m_valueAxis->setRange(range.minimum, range.maximum);
    m_values = range;
}

void HealthChartView::SetValueUnit(const QString& unit) {
    m_unit = unit;
    ShowLeftTitle();
}

void HealthChartView::SetValueDecimals(int decimals) {
    m_valueAxis->setLabelFormat(decimals > 0 ? QStringLiteral("%.1f") : QStringLiteral("%.0f"));
}

void HealthChartView::ShowLeftTitle() {
    QString title = m_leftTitle;
    QString shown = m_leftTitle.toHtmlEscaped();
    if (!m_unit.isEmpty()) {
        title = title.isEmpty() ? m_unit : QStringLiteral("%1 (%2)").arg(title, m_unit);
        // The unit on a line of its own keeps the title within a low chart.
        shown = shown.isEmpty() ? m_unit.toHtmlEscaped()
                                : QStringLiteral("%1<br>(%2)").arg(shown, m_unit.toHtmlEscaped());
    }
    m_valueAxis->setTitleText(shown);
    m_valueAxis->setTitleVisible(!title.isEmpty());
    setAccessibleName(title);
}

QString HealthChartView::SeriesTitle(int index) const {
    const QLineSeries* series = Series(index);
    return series != nullptr ? series->name() : QString();
}

void HealthChartView::SetLeftAxisTitle(const QString& title) {
    m_leftTitle = title;
    ShowLeftTitle();
}

void HealthChartView::SetBottomAxisTitle(const QString& title) {
    m_dayAxis->setTitleText(title);
    m_dayAxis->setTitleVisible(!title.isEmpty());
}

int HealthChartView::SeriesCount() const {
    return static_cast<int>(m_series.size());
}

void HealthChartView::SetSeriesTitle(int index, const QString& title) {
    if (QLineSeries* series = Series(index)) {
        series->setName(title);
    }
}

QImage HealthChartView::Picture(QSize size, bool wholePeriod) const {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Render(painter, QRectF(QPointF(0, 0), QSizeF(size)), wholePeriod);
    painter.end();
    return image;
}

// A copy of the chart that is never shown is laid out at the target's size and drawn; the
// widget on the page keeps its size and window.
void HealthChartView::Render(QPainter& painter, const QRectF& target, bool wholePeriod) const {
    HealthChartView copy;
    copy.m_leftTitle = m_leftTitle;
    copy.m_unit = m_unit;
    copy.ShowLeftTitle();
    copy.m_valueAxis->setLabelFormat(m_valueAxis->labelFormat());
    copy.SetBottomAxisTitle(m_dayAxis->isTitleVisible() ? m_dayAxis->titleText() : QString());
    for (int i = 0; i < SeriesCount(); ++i) {
        copy.SetSeriesTitle(i, SeriesTitle(i));
    }
    HealthChartModel model = m_model;
    const AxisRange window = wholePeriod ? FittedWindow(m_model).value_or(m_window) : m_window;
    model.timeAxis = {window, false};
    model.valueAxis = {m_values, false};
    copy.Show(model);
    QChart* chart = copy.chart();
    chart->resize(target.size());
    chart->layout()->activate();
    copy.scene()->render(&painter, target, chart->geometry());
}

}  // namespace carecfg
