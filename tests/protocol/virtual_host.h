#pragma once

// A sequence host on a virtual clock: timers and the gyro's replies are events at virtual
// milliseconds, so a whole read or write runs in microseconds and every time is exact.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/sequence_engine.h"
#include "support/scripted_pilot.h"

namespace vn340::testing {

// Virtual time in microseconds, so that 9600-baud character times stay exact enough.
using Micros = std::int64_t;
inline constexpr Micros kMs = 1000;

inline constexpr Micros micros(std::chrono::microseconds duration) {
    return duration.count();
}

// The engine's host on the virtual clock, recording what the engine did; its front end and
// screen are the shared scripted pilot's, except that the boxes and the choices take nothing:
// the test edits the model itself.
class VirtualHost : public SequenceHost, public ScriptedPilot {
  public:
    // Answers a frame: pieces of reply text and the delay after the send at which each
    // arrives.
    using Gyro = std::function<std::vector<std::pair<Micros, std::string>>(std::string_view)>;

    void attach(SequenceEngine& engine) { engine_ = &engine; }
    void setGyro(Gyro gyro) { gyro_ = std::move(gyro); }
    void setStatisticsAnswers(std::vector<StatisticsAnswer> script) {
        statisticsAnswers_ = std::move(script);
    }
    // Called while the statistics offer is "open", as the pilot's nested event loop would run.
    void setOnOffer(std::function<void()> action) { onOffer_ = std::move(action); }

    // Runs events in time order until the engine is idle and no timer but the status clear
    // is pending, or until `limit` of virtual time has passed.
    void run(Micros limit = 60'000 * kMs);
    // Runs events up to and including virtual time `until`.
    void runUntil(Micros until);
    // Delivers text as if received now.
    void receive(std::string_view text) { engine_->dispatchReply(text); }

    Micros now() const { return now_; }
    bool timerArmed(SequenceTimer timer) const { return timers_.count(timer) != 0; }

    // What the engine did, beside what the pilot saw.
    std::vector<std::string> frames;
    std::vector<Micros> frameTimes;
    std::vector<Micros> messageTimes;
    int refreshes = 0;  // the boxes shown again
    int takes = 0;      // the boxes taken into the model
    int offers = 0;
    std::vector<SequenceOutcome> outcomes;
    int readCompletes = 0;
    int writeCompletes = 0;
    int writesUnfinished = 0;
    // What the last store found on the gyro when it read its words back.
    std::optional<GyroConfig> gyroHolds;
    bool adapterIsOpen = true;

    // SequenceHost
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        timers_[timer] = now_ + micros(delay);
    }
    void killTimer(SequenceTimer timer) override { timers_.erase(timer); }
    void sendFrame(std::string_view frame) override;
    bool adapterOpen() const override { return adapterIsOpen; }
    StatisticsAnswer offerStatistics() override;
    // Shown as the window shows it, and counted.
    void sequenceEnded(const SequenceOutcome& outcome) override {
        outcomes.push_back(outcome);
        FrontEndOutcomeView(*this).showOutcome(outcome);
        if (outcome.kind != SequenceKind::Store && outcome.result == SequenceResult::Done) {
            readCompletes += outcome.kind == SequenceKind::Read ? 1 : 0;
        }
        if (outcome.kind == SequenceKind::Store && outcome.ranToItsEnd()) {
            ++writeCompletes;
            gyroHolds = outcome.gyro.config;
        }
        if (outcome.storeCutShort()) {
            ++writesUnfinished;
        }
    }

    // The pilot's side: when each message came, and the boxes counted.
    void showMessage(std::string_view text) override {
        messageTimes.push_back(now_);
        ScriptedPilot::showMessage(text);
    }
    std::optional<NumericField> takeBoxes(GyroConfig&) override {
        ++takes;
        return std::nullopt;
    }
    void takeChoices(GyroConfig&) override {}
    void showBoxes(const GyroConfig& config) override {
        ++refreshes;
        ScriptedPilot::showBoxes(config);
    }

  private:
    bool step(Micros limit);

    SequenceEngine* engine_ = nullptr;
    Gyro gyro_;
    std::function<void()> onOffer_;
    std::vector<StatisticsAnswer> statisticsAnswers_;
    Micros now_ = 0;
    std::map<SequenceTimer, Micros> timers_;
    std::multimap<Micros, std::string> arrivals_;
};

}  // namespace vn340::testing
