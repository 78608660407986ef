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

// The engine's host, front end and screen at once, recording what the engine did.
class VirtualHost : public SequenceHost, public FrontEnd, public Screen {
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
    int refreshes = 0;  // the boxes shown again
    int takes = 0;      // the boxes taken into the model
    int offers = 0;
    int readCompletes = 0;
    int writeCompletes = 0;
    int writesUnfinished = 0;
    // What the last store found on the gyro when it read its words back.
    std::optional<GyroConfig> gyroHolds;
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
    bool adapterOpen() const override { return adapterIsOpen; }
    StatisticsAnswer offerStatistics() override;
    void readComplete() override { ++readCompletes; }
    void writeComplete(const GyroConfig& holds) override {
        ++writeCompletes;
        gyroHolds = holds;
    }
    void writeUnfinished() override { ++writesUnfinished; }

    // FrontEnd: the status line and the messages; the engine asks nothing else.
    void showStatus(std::string_view text) override {
        status = text;
        statuses.emplace_back(text);
    }
    void showMessage(std::string_view text) override {
        messages.emplace_back(text);
        messageTimes.push_back(now_);
        if (onMessage_) {
            onMessage_();
        }
    }
    void showSystemMessage(std::string_view text) override { showMessage(text); }
    PromptAnswer askContinueAbort(std::string_view) override { return PromptAnswer::Escape; }
    bool askOverwrite(std::string_view) override { return false; }
    std::optional<std::string> askSavePath(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> askLoadPath(const FileDialogRequest&) override { return {}; }
    std::optional<bool> askSafetyAgreement() override { return {}; }
    PilotChoice askStatistics() override { return {}; }
    Submission uploadStatistics(const std::string&) override { return {}; }

    // Screen: the controls switched, the boxes taken and shown; the rest shows nothing.
    void enableControls(bool enable) override {
        controlsEnabled.push_back(enable);
        controlsOn = gyroButtonsOn = enable;
    }
    void enableGyroButtons(bool enable) override {
        gyroButtonsEnabled.push_back(enable);
        gyroButtonsOn = enable;
    }
    void showDiagnosticsRunning(bool running) override { diagnosticsMenu.push_back(running); }
    std::optional<NumericField> takeBoxes(GyroConfig&) override {
        ++takes;
        return std::nullopt;
    }
    void showBoxes(const GyroConfig&) override { ++refreshes; }
    void showBox(NumericField, const GyroConfig&) override {}
    void selectBox(NumericField) override {}
    void takeChoices(GyroConfig&) override {}
    void showChoices(const GyroConfig&) override {}
    void setServoFlagBoxes(int) override {}
    void repaintPictures() override {}
    void showFieldNotice(NumericField, std::string_view) override {}
    std::optional<std::vector<std::string>> commentDisplayLines(const std::string&) override {
        return std::nullopt;
    }

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
