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

StatisticsAnswer offerStatistics(const GyroConfig& config, ProfileStore& prefs, int today,
                                 FrontEnd& frontEnd) {
    // A date further ahead than "do not ask again" puts it is no choice of the pilot's (a
    // damaged file, a clock set back): it would silence the offer for good.
    const int askFrom = prefs.getInt(kSettingsSection, kDateKey, today);
    if (today < askFrom && askFrom <= today + kStatisticsQuietDays) {
        return StatisticsAnswer::Finish;
    }
    prefs.writeInt(kSettingsSection, kDateKey, today);

    const PilotChoice choice = frontEnd.askStatistics();
    if (!choice.send) {
        if (choice.doNotAskAgain) {
            prefs.writeInt(kSettingsSection, kDateKey, today + kStatisticsQuietDays);
        }
        return StatisticsAnswer::Finish;
    }

    const Submission submission = frontEnd.uploadStatistics(statisticsLine(config, choice.answers));
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

}  // namespace vn340
