#include "app/live_signals_window.h"

#include <QChartView>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include <chrono>
#include <utility>

#include "app/live_signals_plot.h"
#include "app/qt_text.h"
#include "base/paths.h"
#include "session/config_controller.h"
#include "session/platform.h"

namespace vn340 {
namespace {

constexpr LiveSpan kSpans[] = {LiveSpan::TenSeconds, LiveSpan::ThirtySeconds, LiveSpan::TwoMinutes};
const char* const kSpanTexts[] = {"10 s", "30 s", "2 min"};

// Written to the file at least this often, so that a recording survives the program being
// killed with at most this much missing.
constexpr auto kFlushInterval = std::chrono::milliseconds(1000);

int indexOf(LiveSpan span) {
    return static_cast<int>(span);
}

}  // namespace

LiveSignalsWindow::LiveSignalsWindow(ConfigController& controller, FrontEnd& frontEnd,
                                     Platform& platform, std::function<void()> toggleDiagnostics,
                                     QWidget* parent)
    : QDialog(parent),
      controller_(controller),
      frontEnd_(frontEnd),
      platform_(platform),
      toggleDiagnostics_(std::move(toggleDiagnostics)),
      flushTimer_(platform.loop()) {
    using namespace live_signals_text;
    setObjectName(QStringLiteral("liveSignalsWindow"));
    setWindowTitle(QString::fromUtf8(kTitle));
    setModal(false);
    setSizeGripEnabled(true);

    const QString micros = QStringLiteral(" \u00b5s");
    plots_.push_back(std::make_unique<LivePlot>(
        QStringLiteral("Gyro"),
        std::vector<LivePlot::Curve>{{LiveCurve::Gyro, {}, QStringLiteral("signal")}}, false,
        this));
    plots_.push_back(std::make_unique<LivePlot>(
        QStringLiteral("Rudder"),
        std::vector<LivePlot::Curve>{{LiveCurve::Rudder, micros, QStringLiteral("\u00b5s")}}, false,
        this));
    plots_.push_back(std::make_unique<LivePlot>(
        QStringLiteral("Gain"),
        std::vector<LivePlot::Curve>{
            {LiveCurve::Gain, micros, QStringLiteral("\u00b5s")},
            {LiveCurve::GainPercent, QStringLiteral("%"), QStringLiteral("%")}},
        true, this));
    buildControls();

    connections_ += controller_.liveSignalsArrived.connect(
        [this](const LiveSignals& round) { roundArrived(round); });
    resize(820, 600);
}

LiveSignalsWindow::~LiveSignalsWindow() {
    // The rows not yet written go to the file; nobody is left to hear of a failure.
    if (recording_) {
        recording_->flush();
    }
}

void LiveSignalsWindow::buildControls() {
    using namespace live_signals_text;
    auto* grid = new QGridLayout(this);
    for (int row = 0; row < static_cast<int>(plots_.size()); ++row) {
        grid->addWidget(plots_[row]->view(), row, 0);
        grid->addWidget(plots_[row]->valueText(), row, 1);
        grid->setRowStretch(row, 1);
    }
    grid->setColumnStretch(0, 1);

    pause_ = new QPushButton(QString::fromUtf8(kPause), this);
    pause_->setObjectName(QStringLiteral("pause"));
    pause_->setAccessibleName(QString::fromUtf8(kPause));
    pause_->setCheckable(true);
    pause_->setAutoDefault(false);
    connect(pause_, &QPushButton::toggled, this, &LiveSignalsWindow::setPaused);
    // Space pauses wherever the focus is, at once: a button's own shortcut would click it with
    // a delay, and a focused button would take Space for itself.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] { setPaused(!paused_); });

    auto* spanLabel = new QLabel(QStringLiteral("&Show the last"), this);
    spanChoice_ = new QComboBox(this);
    spanChoice_->setObjectName(QStringLiteral("span"));
    spanChoice_->setAccessibleName(QStringLiteral("Show the last"));
    for (const char* text : kSpanTexts) {
        spanChoice_->addItem(QString::fromUtf8(text));
    }
    spanChoice_->setCurrentIndex(indexOf(span_));
    spanLabel->setBuddy(spanChoice_);
    connect(spanChoice_, &QComboBox::activated, this,
            [this](int index) { setSpan(kSpans[index]); });

    record_ = new QPushButton(QString::fromUtf8(kRecord), this);
    record_->setObjectName(QStringLiteral("record"));
    record_->setAccessibleName(QString::fromUtf8(kRecord));
    record_->setAutoDefault(false);
    connect(record_, &QPushButton::clicked, this, &LiveSignalsWindow::toggleRecording);

    recordingText_ = new QLabel(this);
    recordingText_->setObjectName(QStringLiteral("recordingText"));

    auto* row = new QHBoxLayout;
    row->addWidget(pause_);
    row->addSpacing(12);
    row->addWidget(spanLabel);
    row->addWidget(spanChoice_);
    row->addSpacing(12);
    row->addWidget(record_);
    row->addWidget(recordingText_, 1);
    grid->addLayout(row, static_cast<int>(plots_.size()), 0, 1, 2);
}

const LivePlot& LiveSignalsWindow::plot(LiveCurve curve) const {
    switch (curve) {
        case LiveCurve::Gyro:
            return *plots_[0];
        case LiveCurve::Rudder:
            return *plots_[1];
        case LiveCurve::Gain:
        case LiveCurve::GainPercent:
            break;
    }
    return *plots_[2];
}

void LiveSignalsWindow::start() {
    show();
    raise();
    activateWindow();
    if (!controller_.engine().diagnosticsRunning()) {
        toggleDiagnostics_();
        // A read or a store under way keeps diagnostics off.
        startedDiagnostics_ = controller_.engine().diagnosticsRunning();
    }
}

void LiveSignalsWindow::reject() {
    stopRecording();
    if (startedDiagnostics_ && controller_.engine().diagnosticsRunning()) {
        toggleDiagnostics_();
    }
    startedDiagnostics_ = false;
    QDialog::reject();
}

void LiveSignalsWindow::roundArrived(const LiveSignals& values) {
    if (!isVisible()) {
        return;
    }
    // The last round after the pilot stopped diagnostics: they are no longer ours to stop.
    if (!controller_.engine().diagnosticsRunning()) {
        startedDiagnostics_ = false;
    }
    const LiveSample sample{platform_.steadyNow(), values};
    trace_.add(sample);
    if (recording_) {
        recording_->add(sample);
    }
    if (!paused_) {
        redraw();
    }
}

void LiveSignalsWindow::redraw() {
    if (trace_.empty()) {
        return;
    }
    const LiveMillis end = paused_ ? pausedAt_ : trace_.newest().time;
    const LiveMillis span = spanLength(span_);
    const std::vector<LiveSample> shown = trace_.within(span, end);
    for (const auto& plot : plots_) {
        plot->show(shown, end, span);
    }
}

void LiveSignalsWindow::setPaused(bool paused) {
    if (paused == paused_) {
        return;
    }
    paused_ = paused;
    pause_->setChecked(paused);
    if (paused) {
        pausedAt_ = trace_.empty() ? LiveMillis(0) : trace_.newest().time;
    } else {
        redraw();
    }
}

void LiveSignalsWindow::setSpan(LiveSpan span) {
    span_ = span;
    spanChoice_->setCurrentIndex(indexOf(span));
    // The pilot's own choice is drawn at once, paused or not.
    redraw();
}

void LiveSignalsWindow::toggleRecording() {
    using namespace live_signals_text;
    if (recording_) {
        stopRecording();
        return;
    }
    recording_ =
        startLiveRecording(frontEnd_, platform_.files(), controller_.preferences().lastDirectory,
                           [this] { return platform_.steadyNow(); });
    if (!recording_) {
        return;
    }
    record_->setText(QString::fromUtf8(kStopRecording));
    record_->setAccessibleName(QString::fromUtf8(kStopRecording));
    recordingText_->setText(
        QStringLiteral("Recording every round to %1").arg(fromStd(fileNameOf(recording_->path()))));
    flushTimer_.start(kFlushInterval, [this] { flushRecording(); });
}

void LiveSignalsWindow::flushRecording() {
    if (!recording_) {
        return;
    }
    if (const SysResult written = recording_->flush(); !written) {
        stopRecording();
        frontEnd_.showMessage(recordingStoppedMessage(written.message));
        return;
    }
    flushTimer_.start(kFlushInterval, [this] { flushRecording(); });
}

void LiveSignalsWindow::stopRecording() {
    using namespace live_signals_text;
    flushTimer_.stop();
    if (!recording_) {
        return;
    }
    // Gone before the last rows are written: a failure of theirs does not come back here.
    const std::unique_ptr<LiveRecording> ended = std::move(recording_);
    const SysResult written = ended->flush();
    record_->setText(QString::fromUtf8(kRecord));
    record_->setAccessibleName(QString::fromUtf8(kRecord));
    recordingText_->setText(QStringLiteral("%1 rounds recorded to %2")
                                .arg(ended->rows())
                                .arg(fromStd(fileNameOf(ended->path()))));
    if (!written) {
        frontEnd_.showMessage(recordingStoppedMessage(written.message));
    }
}

}  // namespace vn340
