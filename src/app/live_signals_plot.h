#pragma once

// One of the stacked plots of the live-signals window: one or two curves against the seconds
// before the newest round, and the newest values as text beside the chart. Every plot's value
// axes take the same room, so the stacked time axes line up.

#include <QString>

#include <optional>
#include <span>
#include <vector>

#include "live/live_scale.h"

class QChartView;
class QLabel;
class QLineSeries;
class QValueAxis;
class QWidget;

namespace vn340 {

class LivePlot {
  public:
    struct Curve {
        LiveCurve curve;
        QString unit;  // after the value: " \u00b5s", "%", or nothing
        QString axisTitle;
    };

    // `name` is the plot's ("Gyro"); a second curve goes on a value axis of its own at the
    // right. Only a plot with `timeLabels` labels its time axis. The chart and its value text
    // are children of `parent`.
    LivePlot(const QString& name, std::vector<Curve> curves, bool timeLabels, QWidget* parent);

    // The rounds of the span that ends at `end`.
    void show(std::span<const LiveSample> samples, LiveMillis end, LiveMillis span);

    QChartView* view() const { return view_; }
    QLabel* valueText() const { return valueText_; }
    // "Gyro = 0512", "Gain = 2020 \u00b5s (100%)".
    QString valueDescription(const LiveSignals& values) const;

  private:
    struct Shown {
        Curve curve;
        QLineSeries* series;
        QValueAxis* axis;
        std::optional<AxisRange> range;
    };

    QString name_;
    QChartView* view_;
    QLabel* valueText_;
    QValueAxis* time_;
    std::optional<LiveMillis> shownSpan_;
    std::vector<Shown> curves_;
};

}  // namespace vn340
