#pragma once

// The pilot in front of the program, played from a script: every front-end call is answered
// as scripted and recorded, and the screen is a configuration in memory that shows what the
// program put on it and gives back what the test "typed" into it.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/front_end.h"
#include "config/screen.h"
#include "link/port_selector.h"

namespace vn340::testing {

class ScriptedPilot : public FrontEnd, public Screen, public PortSelector {
  public:
    // --- the script ---
    std::optional<std::string> savePath;  // none: the pilot cancels the dialog
    std::optional<std::string> loadPath;
    bool overwrite = true;
    std::deque<PromptAnswer> answers;       // Continue/Abort questions, in turn
    std::optional<bool> safetyAgreement;    // none: "Cancel"; else "Don't show again"
    std::deque<PilotChoice> offers;         // the statistics offers, in turn
    std::deque<Submission> uploads;         // and the uploads' ends
    std::optional<NumericField> refuseBox;  // a box that holds no whole number
    // The comment box's lines as it displays them (a long line wraps); none: no such box.
    std::optional<std::vector<std::string>> commentLines;
    // Runs while a message, a question or the offer is open, as the pilot's event loop would.
    std::function<void()> whileOpen;

    // --- what the pilot saw ---
    // "message:", "system:", "prompt:", "overwrite:", "safety", "offer", "upload:",
    // "notice:<field>:", "shown" (the boxes shown again), "box:<field>" (one box shown again),
    // "select:<field>", in order; a field by its number.
    std::vector<std::string> events;
    std::vector<std::string> messages;  // the program's own messages
    std::vector<std::string> systemMessages;
    std::vector<std::string> statuses;
    std::vector<FileDialogRequest> requests;
    std::vector<bool> controlsEnabled;
    std::vector<bool> gyroButtonsEnabled;
    std::vector<bool> diagnosticsShown;
    int unexpected = 0;  // questions asked with no answer left in the script

    // --- the screen ---
    GyroConfig shown;  // what the boxes and the choices show
    std::string status;
    bool controlsOn = true;
    bool gyroButtonsOn = true;
    int servoFlagBoxes = 0;
    std::set<std::string> portEntries;
    std::optional<std::string> selectedPort;

    // What the pilot saw so far forgotten, so that a long run holds no more than one sequence's.
    void forgetWhatWasSeen() {
        events.clear();
        messages.clear();
        systemMessages.clear();
        statuses.clear();
        requests.clear();
        controlsEnabled.clear();
        gyroButtonsEnabled.clear();
        diagnosticsShown.clear();
    }

    // FrontEnd
    void showStatus(std::string_view text) override {
        status = text;
        statuses.emplace_back(text);
    }
    void showMessage(std::string_view text) override { tell("message:", text); }
    void showSystemMessage(std::string_view text) override {
        systemMessages.emplace_back(text);
        record("system:", text);
    }
    PromptAnswer askContinueAbort(std::string_view text) override {
        record("prompt:", text);
        return next(answers, PromptAnswer::Escape);
    }
    bool askOverwrite(std::string_view question) override {
        record("overwrite:", question);
        return overwrite;
    }
    std::optional<std::string> askSavePath(const FileDialogRequest& request) override {
        requests.push_back(request);
        return savePath;
    }
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override {
        requests.push_back(request);
        return loadPath;
    }
    std::optional<bool> askSafetyAgreement() override {
        record("safety", "");
        return safetyAgreement;
    }
    PilotChoice askStatistics() override {
        record("offer", "");
        return next(offers, PilotChoice{});
    }
    Submission uploadStatistics(const std::string& line) override {
        events.push_back("upload:" + line);
        return next(uploads, Submission{});
    }

    // Screen
    void enableControls(bool on) override {
        controlsEnabled.push_back(on);
        controlsOn = gyroButtonsOn = on;
    }
    void enableGyroButtons(bool on) override {
        gyroButtonsEnabled.push_back(on);
        gyroButtonsOn = on;
    }
    void showDiagnosticsRunning(bool running) override { diagnosticsShown.push_back(running); }
    std::optional<NumericField> takeBoxes(GyroConfig& config) override {
        if (refuseBox) {
            tell("message:", "Please enter an integer.");
            return refuseBox;
        }
        copyBoxes(shown, config);
        return std::nullopt;
    }
    void showBoxes(const GyroConfig& config) override {
        copyBoxes(config, shown);
        events.emplace_back("shown");
    }
    void showBox(NumericField field, const GyroConfig& config) override {
        shown.*numberOf(field) = config.*numberOf(field);
        events.push_back("box:" + std::to_string(static_cast<int>(field)));
    }
    void selectBox(NumericField field) override {
        events.push_back("select:" + std::to_string(static_cast<int>(field)));
    }
    void takeChoices(GyroConfig& config) override { copyChoices(shown, config); }
    void showChoices(const GyroConfig& config) override { copyChoices(config, shown); }
    void setServoFlagBoxes(int servoFlags) override { servoFlagBoxes = servoFlags; }
    void repaintPictures() override {}
    void showFieldNotice(NumericField field, std::string_view notice) override {
        events.push_back("notice:" + std::to_string(static_cast<int>(field)) + ":" +
                         std::string(notice));
    }
    std::optional<std::vector<std::string>> commentDisplayLines(const std::string&) override {
        return commentLines;
    }

    // PortSelector
    void clearSelector() override {
        portEntries.clear();
        selectedPort.reset();
    }
    void addSelectorEntry(std::string_view name) override { portEntries.emplace(name); }
    void removeSelectorEntry(std::string_view name) override {
        portEntries.erase(std::string(name));
        if (selectedPort == name) {
            selectedPort.reset();
        }
    }
    void selectEntry(std::string_view name) override {
        if (portEntries.count(std::string(name)) != 0) {
            selectedPort = std::string(name);
        } else {
            selectedPort.reset();
        }
    }
    std::optional<std::string> selectedEntry() const override { return selectedPort; }

    // The member a number box shows.
    static int GyroConfig::*numberOf(NumericField field) {
        switch (field) {
            case NumericField::HighEndpoint:
                return &GyroConfig::highEndpoint;
            case NumericField::LowEndpoint:
                return &GyroConfig::lowEndpoint;
            case NumericField::CwStopGain:
                return &GyroConfig::cwStopGain;
            case NumericField::CcwStopGain:
                return &GyroConfig::ccwStopGain;
            case NumericField::StickDeadband:
                return &GyroConfig::stickDeadband;
            case NumericField::AvcsExpo:
                return &GyroConfig::avcsExpo;
            case NumericField::RateExpo:
                return &GyroConfig::rateExpo;
            case NumericField::AvcsSensitivity:
                return &GyroConfig::avcsSensitivity;
            case NumericField::MidpointTrim:
                break;
        }
        return &GyroConfig::midpointTrim;
    }

  private:
    void record(const char* kind, std::string_view text) {
        events.push_back(kind + std::string(text));
        if (whileOpen) {
            whileOpen();
        }
    }
    void tell(const char* kind, std::string_view text) {
        messages.emplace_back(text);
        record(kind, text);
    }
    template <typename T>
    T next(std::deque<T>& script, T otherwise) {
        if (script.empty()) {
            ++unexpected;
            return otherwise;
        }
        T answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
    static void copyBoxes(const GyroConfig& from, GyroConfig& to) {
        for (int i = 0; i < kNumericFieldCount; ++i) {
            const auto field = static_cast<NumericField>(i);
            to.*numberOf(field) = from.*numberOf(field);
        }
        to.firmwareVersion = from.firmwareVersion;
        to.loaderVersion = from.loaderVersion;
        to.serialNumber = from.serialNumber;
        to.userComments = from.userComments;
    }
    static void copyChoices(const GyroConfig& from, GyroConfig& to) {
        to.servoModel = from.servoModel;
        to.servoType = from.servoType;
        to.servoSpeed = from.servoSpeed;
        to.accelProfile = from.accelProfile;
        to.decelProfile = from.decelProfile;
        to.direction = from.direction;
    }
};

}  // namespace vn340::testing
