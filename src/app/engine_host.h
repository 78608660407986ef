#pragma once

// The sequence engine's host in the window: its numbered timers as Qt timers, the frames
// through the adapter link, the status line, the controls and the data exchange through the
// window's view, the messages and the statistics offer through the window's dialogs.

#include <functional>
#include <utility>

#include "app/sequence_timers.h"
#include "protocol/sequence_engine.h"

class QObject;

namespace vn340 {

class AdapterLink;
class ConfigView;
class ProfileStore;
class WindowDialogs;
struct GyroConfig;

class EngineHost : public SequenceHost {
  public:
    // `model` is the engine's configuration; the timers are children of `timerOwner`.
    EngineHost(ConfigView& view, WindowDialogs& dialogs, AdapterLink& link, GyroConfig& model,
               ProfileStore& prefs, QObject* timerOwner);

    // The engine the timers hand their expiries to; set before it first runs.
    void attach(SequenceEngine& engine) { engine_ = &engine; }
    // While `side` runs, the timers and received text are its own, not the attached engine's.
    void divert(SequenceEngine* side) { side_ = side; }
    SequenceEngine& active() const { return sideRunning() ? *side_ : *engine_; }
    // Told when a read or a store has ended well, and when a store that had begun writing
    // ended early.
    void onReadComplete(std::function<void()> listener) { readComplete_ = std::move(listener); }
    void onWriteComplete(std::function<void(const GyroConfig&)> listener) {
        writeComplete_ = std::move(listener);
    }
    void onWriteUnfinished(std::function<void()> listener) {
        writeUnfinished_ = std::move(listener);
    }
    // A read of the gyro's own runs beside the attached engine.
    bool sideRunning() const { return side_ != nullptr && !side_->idle(); }

    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override;
    void killTimer(SequenceTimer timer) override;
    void sendFrame(std::string_view frame) override;
    void setStatus(std::string_view text) override;
    void showStatus(std::string_view text) override;
    void showMessage(std::string_view text) override;
    void enableControls(bool enable) override;
    void enableGyroButtons(bool enable) override;
    bool adapterOpen() const override;
    void takeControlsIntoFields() override;
    void refreshControls() override;
    StatisticsAnswer offerStatistics() override;
    void diagnosticsMenuChanged(bool running) override;
    void readComplete() override;
    void writeComplete(const GyroConfig& gyroHolds) override;
    void writeUnfinished() override;

  private:
    ConfigView& view_;
    WindowDialogs& dialogs_;
    AdapterLink& link_;
    GyroConfig& model_;
    ProfileStore& prefs_;
    SequenceEngine* engine_ = nullptr;
    SequenceEngine* side_ = nullptr;
    SequenceTimers timers_;
    std::function<void()> readComplete_;
    std::function<void(const GyroConfig&)> writeComplete_;
    std::function<void()> writeUnfinished_;
};

}  // namespace vn340
