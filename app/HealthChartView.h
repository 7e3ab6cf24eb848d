#pragma once

#include <QChartView>
#include <QImage>
#include <QString>

#include <array>

#include "app/ChartTitles.h"
#include "health/HealthChart.h"

class QDateTimeAxis;
class QLineSeries;
class QPainter;
class QValueAxis;

namespace carecfg {

// The widget of one health chart: the four line series of a HealthChartModel over a time axis of
// whole days and a value axis, drawn flat, without animation, zoom or panning. Bank 1 is black,
// bank 2 pink, both with small round markers; the two threshold lines are red and left out of
// the legend. The axis titles and the legend names of the banks come from the caption applier.
//
// The series lie on a value axis in chart time (health/HealthTime.h: the wall-clock time of the
// reading counted as if it were UTC), which draws the day grid and its minor ticks; a date-time
// axis beside it only writes the day labels ("M.dd", one per day). That axis labels in local
// time, so its range starts at local noon of the window's first day: every label then names the
// day under it whatever the time zone, and a daylight-saving change inside the window moves no
// reading and no label.
class HealthChartView : public QChartView, public ChartTitles {
    Q_OBJECT
public:
    explicit HealthChartView(QWidget* parent = nullptr);

    // Shows the model: its points in time order, its time window and value range, or ranges
    // fitted to the points where an axis of the model is automatic (an axis keeps its range
    // while there is no point to fit).
    void Show(const HealthChartModel& model);
    // Shows the time window of the model alone, as a scroll leaves it.
    void ShowTimeWindow(const HealthChartModel& model);
    // The unit written after the value axis title ("Systolic (mmHg)"); empty: the title alone.
    void SetValueUnit(const QString& unit);
    // The decimals of the value axis labels: those of the readings.
    void SetValueDecimals(int decimals);

    const HealthChartModel& Model() const { return m_model; }
    QLineSeries* Series(int index) const;
    QValueAxis* TimeAxis() const { return m_timeAxis; }   // chart time in ms; grid and ticks
    QDateTimeAxis* DayAxis() const { return m_dayAxis; }  // the day labels
    QValueAxis* ValueAxis() const { return m_valueAxis; }
    // The time window shown, in date-time numbers (days), and the value range shown.
    AxisRange TimeWindow() const { return m_window; }
    AxisRange ValueRange() const { return m_values; }

    QString LeftAxisTitle() const { return m_leftTitle; }
    QString SeriesTitle(int index) const;

    // The chart drawn at `size` pixels on a white ground, as shown or, with `wholePeriod`, over
    // the days of all its points. The widget itself is left as it is.
    QImage Picture(QSize size, bool wholePeriod = false) const;
    // The same drawn into `target` of the painter, laid out at the target's size.
    void Render(QPainter& painter, const QRectF& target, bool wholePeriod = false) const;

    // What the caption applier sets.
    void SetLeftAxisTitle(const QString& title) override;
    void SetBottomAxisTitle(const QString& title) override;
    int SeriesCount() const override;
    void SetSeriesTitle(int index, const QString& title) override;

private:
    void ApplyTimeWindow(const AxisRange& days);
    void ApplyValueRange(AxisRange range);
    void ShowLeftTitle();

    HealthChartModel m_model;
    std::array<QLineSeries*, kHealthSeriesCount> m_series{};
    QValueAxis* m_timeAxis = nullptr;
    QDateTimeAxis* m_dayAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
    AxisRange m_window;
    AxisRange m_values;
    QString m_leftTitle;
    QString m_unit;
};

}  // namespace carecfg
