#include "browser/page_statistics_script.h"

#include <string>
#include <string_view>

#include "statistics/statistics_dialog_texts.h"

namespace vn340 {
namespace {

using emscripten::val;

val text(std::string_view s) {
    return val(std::string(s));
}

// Anything but an object reads as an empty one.
val objectOf(const val& value) {
    return value.typeOf().as<std::string>() == "object" && !value.isNull() ? value : val::object();
}

std::string textOf(const val& object, const char* key) {
    const val value = object[key];
    return value.isString() ? value.as<std::string>() : std::string();
}

bool flagOf(const val& object, const char* key) {
    const val value = object[key];
    return value.isTrue();
}

int numberOf(const val& object, const char* key) {
    const val value = object[key];
    return value.isNumber() ? value.as<int>() : 0;
}

}  // namespace

val statisticsOfferValue(const StatisticsAnswers& answers, bool doNotAskAgain) {
    namespace words = statistics_dialog;
    val labels = val::object();
    labels.set("helicopter", text(words::kHelicopterLabel));
    labels.set("servo", text(words::kServoLabel));
    labels.set("email", text(words::kEmailLabel));
    val shown = val::object();
    shown.set("helicopter", answers.helicopter);
    shown.set("servo", answers.servo);
    shown.set("email", answers.email);
    val offer = val::object();
    offer.set("title", text(words::kTitle));
    offer.set("intro", text(words::kIntro));
    offer.set("emailNote", text(words::kEmailNote));
    offer.set("serialNote", text(words::kSerialNote));
    offer.set("labels", labels);
    offer.set("doNotAsk", text(words::kDoNotAsk));
    offer.set("send", text(words::kSend));
    offer.set("skip", text(words::kSkip));
    offer.set("sendingTitle", text(words::kSendingTitle));
    offer.set("cancel", text(words::kCancel));
    offer.set("limit", words::kAnswerLimit);
    offer.set("answers", shown);
    offer.set("doNotAskAgain", doNotAskAgain);
    return offer;
}

PilotChoice pilotChoiceOf(const val& answer) {
    const val object = objectOf(answer);
    return {flagOf(object, "send"),
            {textOf(object, "helicopter"), textOf(object, "servo"), textOf(object, "email")},
            flagOf(object, "doNotAskAgain")};
}

val statisticsRequestValue(const std::optional<StatisticsRequest>& request) {
    if (!request) {
        return val::null();
    }
    val value = val::object();
    value.set("url", request->url);
    value.set("receiveMs", static_cast<double>(request->receiveLimit.count()));
    value.set("wholeMs", static_cast<double>(request->wholeLimit.count()));
    return value;
}

FetchedAnswer fetchedAnswerOf(const val& answer) {
    const val object = objectOf(answer);
    FetchedAnswer fetched;
    fetched.fetched = flagOf(object, "fetched");
    fetched.cancelled = flagOf(object, "cancelled");
    fetched.status = numberOf(object, "status");
    fetched.body = textOf(object, "body");
    fetched.errorText = textOf(object, "error");
    return fetched;
}

}  // namespace vn340
