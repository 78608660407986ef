#pragma once

// The page's side of the front end. A page cannot wait for the pilot in the middle of a call,
// so whatever the program would ask is asked by the page before the action that needs it
// (the safety agreement, the statistics offer) and handed in with it; the answer is taken once. A
// file to load the page has read itself, and hands over as though chosen in a dialog. Messages and
// the status line go to the page at once: its message is modal, so nothing else reaches the program
// before the pilot has read it.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/front_end.h"
#include "browser/page_events.h"
#include "browser/statistics_pre_answer.h"

namespace vn340 {

class PageFrontEnd final : public FrontEnd {
  public:
    // Settings files the page saves are written here first, and handed to the page from there.
    PageFrontEnd(PageEvents& events, std::string saveFolder)
        : events_(events), saveFolder_(std::move(saveFolder)) {}

    // The pilot agreed to the safety warning for the next store.
    void agreeToStore(bool dontShowAgain) { agreement_ = dontShowAgain; }
    // An agreement the store did not ask for is not kept for the next one.
    void withdrawAgreement() { agreement_.reset(); }

    void showStatus(std::string_view text) override { events_.status(text); }
    void showMessage(std::string_view text) override { events_.message(text, false); }
    void showSystemMessage(std::string_view text) override { events_.message(text, true); }
    // Detect asks the pilot to unplug and plug the adapter: the page finds its ports through
    // the browser instead, and never starts it.
    PromptAnswer askContinueAbort(std::string_view) override { return PromptAnswer::Abort; }
    // The page picks the name and place of a saved file itself, after the module has written
    // it into a folder of its own.
    bool askOverwrite(std::string_view) override { return true; }
    std::optional<std::string> askSavePath(const FileDialogRequest& request) override;
    std::optional<std::string> askLoadPath(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<bool> askSafetyAgreement() override {
        return std::exchange(agreement_, std::nullopt);
    }
    // The page asks and uploads before the read that hands the word over (see PageStatistics);
    // any other read's offer is skipped and leaves the word on the gyro.
    PilotChoice askStatistics() override { return statistics_.ask(); }
    Submission uploadStatistics(const std::string& line) override {
        return statistics_.upload(line);
    }
    StatisticsPreAnswer& statisticsAnswer() { return statistics_; }

  private:
    PageEvents& events_;
    std::string saveFolder_;
    std::optional<bool> agreement_;
    StatisticsPreAnswer statistics_;
};

}  // namespace vn340
