#pragma once

// The statistics offer's values as the page's script sees them: the offer it shows, the
// pilot's answer, the request it fetches and what the fetch brought.

#include <emscripten/val.h>

#include <optional>

#include "base/front_end.h"
#include "browser/page_statistics.h"

namespace vn340 {

// {title, intro, emailNote, serialNote, labels: {helicopter, servo, email}, doNotAsk, send,
// skip, sendingTitle, cancel, limit, answers: {helicopter, servo, email}, doNotAskAgain}.
emscripten::val statisticsOfferValue(const StatisticsAnswers& answers, bool doNotAskAgain);

// From {send, helicopter, servo, email, doNotAskAgain}; what is missing or of another type
// counts as empty or false, so anything else is a skip.
PilotChoice pilotChoiceOf(const emscripten::val& answer);

// {url, receiveMs, wholeMs}, or null.
emscripten::val statisticsRequestValue(const std::optional<StatisticsRequest>& request);

// From {fetched, cancelled, status, body, error}; what is missing counts as not fetched.
FetchedAnswer fetchedAnswerOf(const emscripten::val& answer);

}  // namespace vn340
