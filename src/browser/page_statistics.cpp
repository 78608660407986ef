#include "browser/page_statistics.h"

#include <utility>

#include "statistics/statistics_dialog_texts.h"
#include "statistics/statistics_line.h"
#include "statistics/statistics_offer.h"
#include "statistics/statistics_service.h"

namespace vn340 {
namespace {

// The line carries the pilot's email address: it never travels unencrypted.
static_assert(kStatisticsService.starts_with("https://"));

// At most the dialog's limit of characters, so a page that lets more through sends no more
// than the window would; the text is cut only between characters of UTF-8.
std::string limited(std::string text) {
    int characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const bool starts = (static_cast<unsigned char>(text[at]) & 0xC0U) != 0x80U;
        if (starts && ++characters > statistics_dialog::kAnswerLimit) {
            text.resize(at);
            break;
        }
    }
    return text;
}

}  // namespace

PageStatistics::PageStatistics(ConfigController& controller, Platform& platform, PageEvents& events,
                               FrontEnd& frontEnd, StatisticsPreAnswer& preAnswer)
    : controller_(controller),
      platform_(platform),
      events_(events),
      frontEnd_(frontEnd),
      preAnswer_(preAnswer),
      prefs_(platform.files()) {
    ended_ = controller_.outcomeShown.connect(
        [this](const SequenceOutcome& outcome) { sequenceEnded(outcome); });
}

void PageStatistics::readStarting() {
    if (stage_ == Stage::None) {
        stage_ = Stage::PilotRead;
    }
}

std::optional<StatisticsRequest> PageStatistics::answer(const PilotChoice& choice) {
    if (stage_ != Stage::Asking) {
        return std::nullopt;
    }
    answers_ = {limited(choice.answers.helicopter), limited(choice.answers.servo),
                limited(choice.answers.email)};
    doNotAskAgain_ = choice.doNotAskAgain;
    if (!choice.send) {
        statisticsSkipped(preferences(), offerDay_, choice.doNotAskAgain);
        stage_ = Stage::None;
        events_.filesWritten();
        return std::nullopt;
    }
    stage_ = Stage::Uploading;
    line_ = statisticsLine(offered_, answers_);
    return StatisticsRequest{std::string(kStatisticsService) + statisticsRequestTarget(line_),
                             kStatisticsReceiveTimeout, kStatisticsUploadLimit};
}

void PageStatistics::fetched(const FetchedAnswer& answer) {
    if (stage_ != Stage::Uploading) {
        return;
    }
    const Submission submission = answer.cancelled ? Submission{SubmitResult::Cancelled, {}}
                                                   : judgeSubmission(answer.fetched, answer.status,
                                                                     answer.errorText, answer.body);
    if (submission.result == SubmitResult::Accepted) {
        clearOnGyro();
        return;
    }
    stage_ = Stage::None;
    if (answerSubmission(submission, frontEnd_) == StatisticsAnswer::OfferAgain) {
        offerIfDue();
    }
}

void PageStatistics::sequenceEnded(const SequenceOutcome& outcome) {
    if (outcome.kind != SequenceKind::Read) {
        return;
    }
    if (stage_ == Stage::PilotRead) {
        stage_ = Stage::None;
        if (outcome.result == SequenceResult::Done && controller_.model().statisticsWord != 0) {
            offered_ = controller_.model();
            offerIfDue();
        }
    } else if (stage_ == Stage::Clearing) {
        stage_ = Stage::None;
        // The service has the line whatever this read found; its offer, when it built the
        // same line, has told the pilot so already.
        if (!preAnswer_.cleared()) {
            frontEnd_.showMessage(statistics_text::kSubmitted);
        }
        preAnswer_.disarm();
    }
}

void PageStatistics::offerIfDue() {
    offerDay_ = platform_.today();
    const bool due = statisticsOfferDue(preferences(), offerDay_);
    events_.filesWritten();
    if (due) {
        stage_ = Stage::Asking;
        events_.statisticsOffered(answers_, doNotAskAgain_);
    }
}

void PageStatistics::clearOnGyro() {
    if (controller_.busy() || !controller_.adapterOpen()) {
        // Nothing can clear the word now; it stays, and the next read offers it again.
        stage_ = Stage::None;
        answerSubmission({SubmitResult::Accepted, {}}, frontEnd_);
        return;
    }
    stage_ = Stage::Clearing;
    preAnswer_.arm(answers_, line_);
    controller_.readFromGyro(StatisticsWord::HandOver);
    events_.viewChanged();
}

ProfileStore& PageStatistics::preferences() {
    // Bound anew each time: the controller finds the file as it starts.
    prefs_.setPath(controller_.preferencesFile());
    return prefs_;
}

}  // namespace vn340
