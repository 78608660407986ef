#pragma once

// "Live signals": the gyro, rudder and gain signals of every diagnostics round as three
// stacked plots on one time axis, scrolling as the rounds arrive, with the newest values beside
// them; a pause that freezes the plots while the rounds go on, the span of time shown, and a
// recording of every round to a CSV file.
//
// Opening the window starts diagnostics unless they run already; closing it stops them only if
// it started them (and the pilot has not stopped them since). A paused window draws nothing.

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/one_shot_timer.h"
#include "base/signal.h"
#include "live/live_recording.h"
#include "live/live_scale.h"
#include "live/live_trace.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace vn340 {

class ConfigController;
class FrontEnd;
class LivePlot;
class Platform;

namespace live_signals_text {
inline constexpr char kTitle[] = "Live signals";
inline constexpr char kPause[] = "Pause";
inline constexpr char kRecord[] = "Record\u2026";
inline constexpr char kStopRecording[] = "Stop recording";
}  // namespace live_signals_text

class LiveSignalsWindow : public QDialog {
    Q_OBJECT
  public:
    // `toggleDiagnostics` is the main window's diagnostics command; `frontEnd` asks for the
    // recording's file and tells of its failures; `platform` gives the files and the clock.
    LiveSignalsWindow(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                      std::function<void()> toggleDiagnostics, QWidget* parent);
    ~LiveSignalsWindow() override;

    // Shows the window and starts diagnostics unless they run already.
    void start();
    // Escape and the close box.
    void reject() override;

    void setPaused(bool paused);
    void setSpan(LiveSpan span);
    // "Record…" and "Stop recording".
    void toggleRecording();

    const LiveTrace& trace() const { return trace_; }
    const LivePlot& plot(LiveCurve curve) const;
    bool paused() const { return paused_; }
    const LiveRecording* recording() const { return recording_.get(); }

  private:
    void buildControls();
    void roundArrived(const LiveSignals& values);
    void redraw();
    // Writes what the recording holds, and comes back a flush interval later while it goes on.
    void flushRecording();
    void stopRecording();

    ConfigController& controller_;
    Connections connections_;
    FrontEnd& frontEnd_;
    Platform& platform_;
    std::function<void()> toggleDiagnostics_;
    bool startedDiagnostics_ = false;

    LiveTrace trace_;
    LiveSpan span_ = kDefaultLiveSpan;
    bool paused_ = false;
    // The plots show the span that ends here while paused.
    LiveMillis pausedAt_{0};
    std::unique_ptr<LiveRecording> recording_;

    std::vector<std::unique_ptr<LivePlot>> plots_;  // gyro, rudder, gain
    QPushButton* pause_;
    QComboBox* spanChoice_;
    QPushButton* record_;
    QLabel* recordingText_;
    OneShotTimer flushTimer_;
};

}  // namespace vn340
