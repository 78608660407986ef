#pragma once

// "Compare with gyro": the gyro read with exactly the frames of "Read from gyro", but into a
// configuration of its own, so that what the gyro holds can be set beside the screen. The
// program's sequence host still runs the timers and sends the frames, the front end shows the
// status line and the messages, and the screen's controls are switched off meanwhile (so
// nothing else talks to the gyro), but the screen is neither read nor shown again, and the
// statistics word stays on the gyro for the next real read to offer.

#include <string_view>

#include "config/gyro_config.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

class GyroCompareRead final : private SequenceHost, private BlankScreen {
  public:
    // The read's end reaches `host` as a compare read's outcome, whose knowledge is what the
    // gyro holds.
    GyroCompareRead(SequenceHost& host, FrontEnd& frontEnd, Screen& screen);

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
    // SequenceHost: the program's, but the end of the read is this one's own.
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        host_.armTimer(timer, delay);
    }
    void killTimer(SequenceTimer timer) override { host_.killTimer(timer); }
    void sendFrame(std::string_view frame) override { host_.sendFrame(frame); }
    bool adapterOpen() const override { return host_.adapterOpen(); }
    StatisticsAnswer offerStatistics() override { return StatisticsAnswer::Finish; }
    void sequenceEnded(const SequenceOutcome& outcome) override;

    // Screen: the controls are switched as for any read; nothing else of the screen is touched.
    void enableControls(bool on) override { screen_.enableControls(on); }
    void enableGyroButtons(bool on) override { screen_.enableGyroButtons(on); }

    SequenceHost& host_;
    Screen& screen_;
    GyroConfig config_;
    SequenceEngine engine_;
};

}  // namespace vn340
