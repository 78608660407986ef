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

namespace vn340::testing {

// Virtual time in microseconds, so that 9600-baud character times stay exact enough.
using Micros = std::int64_t;
inline constexpr Micros kMs = 1000;

inline constexpr Micros micros(std::chrono::microseconds duration) {
    return duration.count();
}

class VirtualHost : public SequenceHost {
  public:
    // Answers a frame: pieces of reply text and the delay after the send at which each
    // arrives.
    using Gyro = std::function<std::vector<std::pair<Micros, std::string>>(std::string_view)>;

    explicit VirtualHost(GyroConfig& config) : config_(config) {}

    void attach(SequenceEngine& engine) { engine_ = &engine; }
    void setGyro(Gyro gyro) { gyro_ = std::move(gyro); }
    void setStatisticsAnswers(std::vector<StatisticsAnswer> answers) {
        statisticsAnswers_ = std::move(answers);
    }
    // Called while a message or the statistics offer is "open", as the pilot's nested event
    // loop would run.
    void setOnMessage(std::function<void()> action) { onMessage_ = std::move(action); }
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

    // What the engine did.
    std::vector<std::string> frames;
    std::vector<Micros> frameTimes;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    std::vector<Micros> messageTimes;
    std::vector<bool> controlsEnabled;
    std::vector<bool> gyroButtonsEnabled;
    std::vector<bool> diagnosticsMenu;
    int refreshes = 0;  // full refreshes of the controls
    int takes = 0;
    int offers = 0;
    int readCompletes = 0;
    int writeCompletes = 0;
    int writesUnfinished = 0;
    // What the last store found on the gyro when it read its words back.
    std::optional<GyroConfig> gyroHolds;
    int statusShows = 0;  // the status line shown alone
    std::string status;
    // How the controls stand now.
    bool controlsOn = true;
    bool gyroButtonsOn = true;
    bool adapterIsOpen = true;

    // SequenceHost
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        timers_[timer] = now_ + micros(delay);
    }
    void killTimer(SequenceTimer timer) override { timers_.erase(timer); }
    void sendFrame(std::string_view frame) override;
    void setStatus(std::string_view text) override {
        status = text;
        statuses.emplace_back(text);
    }
    void showStatus(std::string_view text) override {
        setStatus(text);
        ++statusShows;
    }
    void showMessage(std::string_view text) override {
        messages.emplace_back(text);
        messageTimes.push_back(now_);
        if (onMessage_) {
            onMessage_();
        }
    }
    void enableControls(bool enable) override {
        controlsEnabled.push_back(enable);
        controlsOn = gyroButtonsOn = enable;
    }
    void enableGyroButtons(bool enable) override {
        gyroButtonsEnabled.push_back(enable);
        gyroButtonsOn = enable;
    }
    bool adapterOpen() const override { return adapterIsOpen; }
    void takeControlsIntoFields() override { ++takes; }
    void refreshControls() override { ++refreshes; }
    StatisticsAnswer offerStatistics() override;
    void diagnosticsMenuChanged(bool running) override { diagnosticsMenu.push_back(running); }
    void readComplete() override { ++readCompletes; }
    void writeComplete(const GyroConfig& holds) override {
        ++writeCompletes;
        gyroHolds = holds;
    }
    void writeUnfinished() override { ++writesUnfinished; }

  private:
    bool step(Micros limit);

    GyroConfig& config_;
    SequenceEngine* engine_ = nullptr;
    Gyro gyro_;
    std::function<void()> onMessage_;
    std::function<void()> onOffer_;
    std::vector<StatisticsAnswer> statisticsAnswers_;
    Micros now_ = 0;
    std::map<SequenceTimer, Micros> timers_;
    std::multimap<Micros, std::string> arrivals_;
};

}  // namespace vn340::testing
