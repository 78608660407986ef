#include "app/live_signals_plot.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QResizeEvent>
#include <QValueAxis>

#include "app/qt_text.h"
#include "protocol/memory_map.h"

namespace vn340 {
namespace {

// Room for the value labels and titles beside the plot area, the same in every plot.
constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 52;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 8;
constexpr int kTimeLabelsMargin = 40;

const QColor kCurveColours[] = {QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x50, 0x10)};

// The plot area is set, not laid out from the labels, so that the plots line up.
class AlignedChartView : public QChartView {
  public:
    AlignedChartView(QChart* chart, int bottomMargin, QWidget* parent)
        : QChartView(chart, parent), bottomMargin_(bottomMargin) {}

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QChartView::resizeEvent(event);
        const QRectF all = chart()->rect();
        chart()->setPlotArea(all.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -bottomMargin_));
    }

  private:
    int bottomMargin_;
};

// Labels every `tick` counted from 0.
void setTicks(QValueAxis& axis, int tick) {
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0);
    axis.setTickInterval(tick);
}

int timeTick(LiveMillis span) {
    return span <= LiveMillis(10'000) ? 2 : span <= LiveMillis(30'000) ? 5 : 20;
}

}  // namespace

LivePlot::LivePlot(const QString& name, std::vector<Curve> curves, bool timeLabels, QWidget* parent)
    : name_(name) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins());
    view_ = new AlignedChartView(chart, timeLabels ? kTimeLabelsMargin : kBottomMargin, parent);
    view_->setObjectName(name.toLower() + QStringLiteral("Plot"));
    view_->setAccessibleName(name + QStringLiteral(" plot"));
    view_->setRenderHint(QPainter::Antialiasing, false);
    view_->setFocusPolicy(Qt::NoFocus);

    time_ = new QValueAxis(chart);
    time_->setLabelFormat(QStringLiteral("%d"));
    time_->setLabelsVisible(timeLabels);
    if (timeLabels)
        time_->setTitleText(QStringLiteral("Seconds before the newest round"));
    chart->addAxis(time_, Qt::AlignBottom);

    for (std::size_t i = 0; i < curves.size() && i < 2; ++i) {
        auto* series = new QLineSeries(chart);
        series->setName(curves[i].axisTitle);
        QPen pen(kCurveColours[i]);
        pen.setWidth(i == 0 ? 2 : 1);
        series->setPen(pen);
        chart->addSeries(series);
        auto* axis = new QValueAxis(chart);
        axis->setLabelFormat(QStringLiteral("%d"));
        axis->setTitleText(curves[i].axisTitle);
        axis->setLabelsColor(kCurveColours[i]);
        axis->setTitleBrush(kCurveColours[i]);
        chart->addAxis(axis, i == 0 ? Qt::AlignLeft : Qt::AlignRight);
        series->attachAxis(time_);
        series->attachAxis(axis);
        curves_.push_back({curves[i], series, axis, std::nullopt});
    }

    valueText_ = new QLabel(parent);
    valueText_->setObjectName(name.toLower() + QStringLiteral("Value"));
    valueText_->setMinimumWidth(valueText_->fontMetrics().horizontalAdvance(
        QStringLiteral("Rudder = 0000 \u00b5s (100%)")));
    QFont bigger = valueText_->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.2);
    valueText_->setFont(bigger);
    show({}, LiveMillis(0), spanLength(kDefaultLiveSpan));
}

QString LivePlot::valueDescription(const LiveSignals& values) const {
    QString text = name_ + QStringLiteral(" = ");
    for (std::size_t i = 0; i < curves_.size(); ++i) {
        const Curve& curve = curves_[i].curve;
        const int value = curveValue(curve.curve, values);
        // The gain percent reads as the status line has it, "(100%)".
        const QString shown = curve.curve == LiveCurve::GainPercent
                                  ? QString::number(value)
                                  : fromStd(liveSignalText(static_cast<std::uint16_t>(value)));
        text += i == 0 ? shown + curve.unit : QStringLiteral(" (") + shown + curve.unit + ')';
    }
    return text;
}

void LivePlot::show(std::span<const LiveSample> samples, LiveMillis end, LiveMillis span) {
    if (shownSpan_ != span) {
        shownSpan_ = span;
        time_->setRange(-span.count() / 1000.0, 0);
        setTicks(*time_, timeTick(span));
    }
    for (Shown& shown : curves_) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(samples.size()));
        for (const LiveSample& sample : samples) {
            points.append(QPointF((sample.time - end).count() / 1000.0,
                                  curveValue(shown.curve.curve, sample.values)));
        }
        shown.series->replace(points);
        const AxisRange range = fitAxis(shown.curve.curve, samples);
        if (shown.range != range) {
            shown.range = range;
            shown.axis->setRange(range.low, range.high);
            setTicks(*shown.axis, range.tick);
        }
    }
    const QString text = samples.empty() ? name_ + QStringLiteral(" = \u2013")
                                         : valueDescription(samples.back().values);
    valueText_->setText(text);
    view_->setAccessibleDescription(text);
}

}  // namespace vn340
