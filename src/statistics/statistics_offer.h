#pragma once

// The offer after a read that found statistics waiting on the gyro: whether to ask today (the
// "DATE" preference spaces the offers), what to send when the pilot says "Send", and what to
// tell the pilot afterwards. The offer, the upload and the messages belong to the front end,
// so this runs the same against the window and against a test.

#include <string>
#include <string_view>

#include "base/front_end.h"
#include "config/gyro_config.h"
#include "config/profile_store.h"
#include "protocol/sequence_engine.h"
#include "statistics/statistics_line.h"

namespace vn340 {

inline constexpr std::string_view kInvalidAnswerText =
    "Error: An invalid response was returned by the server";

// What a finished fetch means for the line: no answer is a failed request with the fetcher's
// last text. Only a success status (2xx) with "OK" in its text is an acceptance: an error page
// or a redirect that was not followed may well hold "OK" ("TOKEN") and has not taken the line.
// Every other answer is an invalid one.
Submission judgeSubmission(bool fetched, int httpStatus, std::string_view lastText,
                           std::string_view answer);

// A skip with "Do not ask next time" keeps the offer away for this many days.
inline constexpr int kStatisticsQuietDays = 30;

namespace statistics_text {
inline constexpr std::string_view kSubmitted =
    "\nInformation successfully submitted. \n\nThank you";
inline constexpr std::string_view kTryAgain =
    "There was an error submitting your gyro data, please try again.\n\nIf problems persist for "
    "more than a day, please inform Tarvel RC.";
// "... try again. \n\n<error text>."
std::string requestFailed(std::string_view errorText);
}  // namespace statistics_text

// The offer's steps, for a front end that cannot wait for the pilot inside one call (the page);
// offerStatistics runs them in one go.
//
// Whether the offer is due `today`; when it is, "DATE" becomes today, so an offer made again
// after a failed upload is due at once.
bool statisticsOfferDue(ProfileStore& prefs, int today);
// The pilot closed the offer without "Send": with "Do not ask next time" ticked, no offer for
// kStatisticsQuietDays.
void statisticsSkipped(ProfileStore& prefs, int today, bool doNotAskAgain);
// Tells the pilot how the upload ended (nothing for a cancelled one) and what follows for the
// word: ClearWord, OfferAgain or Finish.
StatisticsAnswer answerSubmission(const Submission& submission, FrontEnd& frontEnd);

// The hand-over of the read sequence when the statistics word is not 0. `today` is the number
// of whole days since 1 January 1970, local time. Answers ClearWord after an accepted upload,
// OfferAgain after a failed one (the pilot has been told), and Finish when the offer is not
// due or the pilot skipped it. A "DATE" that cannot be written only means the pilot may be
// asked again sooner.
StatisticsAnswer offerStatistics(const GyroConfig& config, ProfileStore& prefs, int today,
                                 FrontEnd& frontEnd);

}  // namespace vn340
