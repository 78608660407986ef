#include "statistics/statistics_offer.h"

#include "config/preferences.h"

namespace vn340 {

Submission judgeSubmission(bool fetched, int httpStatus, std::string_view lastText,
                           std::string_view answer) {
    if (!fetched) {
        return {SubmitResult::RequestFailed, std::string(lastText)};
    }
    if (httpStatus >= 200 && httpStatus <= 299 && isAcceptedAnswer(answer)) {
        return {SubmitResult::Accepted, {}};
    }
    return {SubmitResult::InvalidAnswer, std::string(kInvalidAnswerText)};
}

std::string statistics_text::requestFailed(std::string_view errorText) {
    return "There was an error submitting your gyro data, check internet access and firewall "
           "settings and try again. \n\n" +
           std::string(errorText) + ".";
}

bool statisticsOfferDue(ProfileStore& prefs, int today) {
    // A date further ahead than "do not ask again" puts it is no choice of the pilot's (a
    // damaged file, a clock set back): it would silence the offer for good.
    const int askFrom = prefs.getInt(kSettingsSection, kDateKey, today);
    if (today < askFrom && askFrom <= today + kStatisticsQuietDays) {
        return false;
    }
    prefs.writeInt(kSettingsSection, kDateKey, today);
    return true;
}

void statisticsSkipped(ProfileStore& prefs, int today, bool doNotAskAgain) {
    if (doNotAskAgain) {
        prefs.writeInt(kSettingsSection, kDateKey, today + kStatisticsQuietDays);
    }
}

StatisticsAnswer answerSubmission(const Submission& submission, FrontEnd& frontEnd) {
    switch (submission.result) {
        case SubmitResult::Accepted:
            frontEnd.showMessage(statistics_text::kSubmitted);
            return StatisticsAnswer::ClearWord;
        case SubmitResult::RequestFailed:
            frontEnd.showMessage(statistics_text::requestFailed(submission.errorText));
            break;
        case SubmitResult::InvalidAnswer:
            frontEnd.showMessage(statistics_text::kTryAgain);
            break;
        case SubmitResult::Cancelled:
            // The pilot knows; nothing failed that needs telling.
            return StatisticsAnswer::Finish;
    }
    return StatisticsAnswer::OfferAgain;
}

StatisticsAnswer offerStatistics(const GyroConfig& config, ProfileStore& prefs, int today,
                                 FrontEnd& frontEnd) {
    if (!statisticsOfferDue(prefs, today)) {
        return StatisticsAnswer::Finish;
    }
    const PilotChoice choice = frontEnd.askStatistics();
    if (!choice.send) {
        statisticsSkipped(prefs, today, choice.doNotAskAgain);
        return StatisticsAnswer::Finish;
    }
    return answerSubmission(frontEnd.uploadStatistics(statisticsLine(config, choice.answers)),
                            frontEnd);
}

}  // namespace vn340
