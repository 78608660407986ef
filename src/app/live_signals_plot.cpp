#include "app/live_signals_plot.h"

#include <QChart>
#include <QChartView>
#include <QFontDatabase>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>

#include "app/qt_text.h"
#include "protocol/memory_map.h"

namespace vn340 {
namespace {

const QColor kCurveColours[] = {QColor(0x1f, 0x5f, 0xbf), QColor(0xc0, 0x50, 0x10)};

// The stacked plots line up because every one has a titled value axis on either side whose
// labels take the same room: four digits of a fixed-width font on the left (the gyro signal
// written as the status line writes it, "0498"), at most three on the right. A plot of one
// curve has an empty axis on the right that takes that room and shows nothing.
QValueAxis* valueAxis(QChart& chart, const QString& title, const QColor& colour, Qt::Alignment side,
                      const char* format = "%d") {
    auto* axis = new QValueAxis(&chart);
    axis->setLabelFormat(QString::fromLatin1(format));
    axis->setLabelsFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    axis->setTitleText(title);
    axis->setLabelsColor(colour);
    axis->setTitleBrush(colour);
    chart.addAxis(axis, side);
    return axis;
}

void addRoomKeeper(QChart& chart, const QString& title) {
    QValueAxis* axis = valueAxis(chart, title, Qt::transparent, Qt::AlignRight);
    axis->setRange(0, 100);
    axis->setLineVisible(false);
    axis->setGridLineVisible(false);
}

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
    view_ = new QChartView(chart, parent);
    view_->setObjectName(name.toLower() + QStringLiteral("Plot"));
    view_->setAccessibleName(name + QStringLiteral(" plot"));
    view_->setRenderHint(QPainter::Antialiasing, false);
    view_->setFocusPolicy(Qt::NoFocus);

    time_ = new QValueAxis(chart);
    time_->setLabelFormat(QStringLiteral("%d"));
    time_->setLabelsVisible(timeLabels);
    if (timeLabels) {
        time_->setTitleText(QStringLiteral("Seconds before the newest round"));
    }
    chart->addAxis(time_, Qt::AlignBottom);

    for (std::size_t i = 0; i < curves.size() && i < 2; ++i) {
        auto* series = new QLineSeries(chart);
        series->setName(curves[i].axisTitle);
        QPen pen(kCurveColours[i]);
        pen.setWidth(i == 0 ? 2 : 1);
        series->setPen(pen);
        chart->addSeries(series);
        QValueAxis* axis = valueAxis(*chart, curves[i].axisTitle, kCurveColours[i],
                                     i == 0 ? Qt::AlignLeft : Qt::AlignRight,
                                     curves[i].curve == LiveCurve::Gyro ? "%04d" : "%d");
        series->attachAxis(time_);
        series->attachAxis(axis);
        curves_.push_back({curves[i], series, axis, std::nullopt});
    }
    if (curves_.size() == 1) {
        addRoomKeeper(*chart, curves_.front().curve.axisTitle);
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
