#pragma once

// "Compare with gyro": the gyro read with exactly the frames of "Read from gyro", but into a
// configuration of its own, so that what the gyro holds can be set beside the screen. The
// program's sequence host still runs the timers, sends the frames, shows the status line and
// the messages and switches the controls off meanwhile (so nothing else talks to the gyro),
// but the screen is neither read nor refreshed, and the statistics word stays on the gyro for
// the next real read to offer.

#include <functional>
#include <string_view>

#include "config/gyro_config.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

class GyroCompareRead final : private SequenceHost {
  public:
    // Receives the configuration the gyro holds when the read has ended well; a read that
    // fails ends with the engine's message and nothing else.
    using Completion = std::function<void(const GyroConfig& gyro)>;

    GyroCompareRead(SequenceHost& host, Completion onComplete);

    // Starts from `base` (the screen's configuration), so what the gyro does not hold, the
    // comments, stays as the screen has it.
    void start(const GyroConfig& base);
    bool running() const { return !engine_.idle(); }

    // While running, received text and the engine's timers come here rather than to the
    // screen's engine.
    void dispatchReply(std::string_view text) { engine_.dispatchReply(text); }
    void onTimer(SequenceTimer timer) { engine_.onTimer(timer); }

    const GyroConfig& config() const { return config_; }
    SequenceEngine& engine() { return engine_; }

  private:
    // SequenceHost: the program's host, less everything that touches the screen.
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        host_.armTimer(timer, delay);
    }
    void killTimer(SequenceTimer timer) override { host_.killTimer(timer); }
    void sendFrame(std::string_view frame) override { host_.sendFrame(frame); }
    void setStatus(std::string_view text) override { host_.showStatus(text); }
    void showStatus(std::string_view text) override { host_.showStatus(text); }
    void showMessage(std::string_view text) override { host_.showMessage(text); }
    void enableControls(bool enable) override { host_.enableControls(enable); }
    void enableGyroButtons(bool enable) override { host_.enableGyroButtons(enable); }
    bool adapterOpen() const override { return host_.adapterOpen(); }
    void takeControlsIntoFields() override {}
    void refreshControls() override {}
    StatisticsAnswer offerStatistics() override { return StatisticsAnswer::Finish; }
    void diagnosticsMenuChanged(bool) override {}
    void readComplete() override;

    SequenceHost& host_;
    Completion onComplete_;
    GyroConfig config_;
    SequenceEngine engine_{config_, *this};
};

}  // namespace vn340
