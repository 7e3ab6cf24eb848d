#pragma once

#include <QString>

namespace carecfg {

// What a chart offers the caption applier: the titles of its two axes and the legend titles of
// its series. A chart page implements it beside its chart view; the applier finds it on the
// registered component with a cross cast.
class ChartTitles {
public:
    virtual ~ChartTitles() = default;

    virtual void SetLeftAxisTitle(const QString& title) = 0;
    virtual void SetBottomAxisTitle(const QString& title) = 0;
    virtual int SeriesCount() const = 0;
    // Called only for indexes below SeriesCount().
    virtual void SetSeriesTitle(int index, const QString& title) = 0;
};

}  // namespace carecfg
