#pragma once

// The statistics offer on the page. The window asks the pilot and uploads in the middle of its
// read; a page cannot wait there, so its reads leave the word on the gyro, and the offer comes
// after: the same due rule and "DATE" writes as the window's, the dialog on the page, the
// upload fetched by the page and judged here with the window's messages, and after an accepted
// upload a second read that hands the word over with the offer answered ahead, so the engine
// clears it exactly as it does for the window.

#include <chrono>
#include <optional>
#include <string>

#include "base/signal.h"
#include "browser/page_events.h"
#include "browser/statistics_pre_answer.h"
#include "config/profile_store.h"
#include "session/config_controller.h"

namespace vn340 {

// What the page is to fetch: a GET of `url` (always https), the answer's first sign within
// `receiveLimit`, all of it within `wholeLimit`.
struct StatisticsRequest {
    std::string url;
    std::chrono::milliseconds receiveLimit{};
    std::chrono::milliseconds wholeLimit{};
};

// What the page's fetch brought. Not fetched: no answer the page could read (a network error,
// a refusal of the browser's, a time-out), with a short error text. Cancelled: the pilot
// stopped it before its answer came.
struct FetchedAnswer {
    bool fetched = false;
    bool cancelled = false;
    int status = 0;
    std::string body;
    std::string errorText;
};

class PageStatistics {
  public:
    // All of them outlive this.
    PageStatistics(ConfigController& controller, Platform& platform, PageEvents& events,
                   FrontEnd& frontEnd, StatisticsPreAnswer& preAnswer);
    PageStatistics(const PageStatistics&) = delete;
    PageStatistics& operator=(const PageStatistics&) = delete;

    // The pilot's own read is starting: when it ends well with a statistics word, the offer is
    // made if it is due.
    void readStarting();
    // How the pilot closed the offer. After "Send", what the page is to fetch; none otherwise,
    // and none when no offer is open.
    std::optional<StatisticsRequest> answer(const PilotChoice& choice);
    // The end of the page's fetch of the request.
    void fetched(const FetchedAnswer& answer);

  private:
    enum class Stage { None, PilotRead, Asking, Uploading, Clearing };

    void sequenceEnded(const SequenceOutcome& outcome);
    void offerIfDue();
    void clearOnGyro();
    ProfileStore& preferences();

    ConfigController& controller_;
    Platform& platform_;
    PageEvents& events_;
    FrontEnd& frontEnd_;
    StatisticsPreAnswer& preAnswer_;
    ProfileStore prefs_;
    Stage stage_ = Stage::None;
    // The configuration the offer is for, as read, and the day it was made.
    GyroConfig offered_;
    int offerDay_ = 0;
    // The dialog's fields as the pilot last left them, shown again at the next offer.
    StatisticsAnswers answers_;
    bool doNotAskAgain_ = false;
    std::string line_;
    Connection ended_;
};

}  // namespace vn340
