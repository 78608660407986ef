#pragma once

// The statistics offer answered before the read that makes it. The page cannot wait for the
// pilot inside a read, so it asks first and uploads itself; a second read then hands the word
// over, and this answers its offer with what the pilot chose and what the service took, so the
// engine clears the word as after any accepted upload. Only the line that was uploaded counts
// as sent: a read that builds another one (another gyro plugged in meanwhile) leaves its word.

#include <optional>
#include <string>
#include <utility>

#include "base/front_end.h"

namespace vn340 {

class StatisticsPreAnswer {
  public:
    // The pilot sent `answers` and the service accepted `line`.
    void arm(const StatisticsAnswers& answers, std::string line) {
        armed_ = Armed{answers, std::move(line)};
        cleared_ = false;
    }
    void disarm() { armed_.reset(); }
    // Whether the read's offer built the line that was uploaded, and so clears the word.
    bool cleared() const { return cleared_; }

    // "Send" until the upload has been answered; an offer after that is a skip, so an offer
    // made again can never loop.
    PilotChoice ask() const {
        if (!armed_) {
            return {};
        }
        return {true, armed_->answers, false};
    }
    // Accepted for the uploaded line only, and once. Any other counts as never sent
    // (cancelled), which ends the read without a word to the pilot and leaves the word.
    Submission upload(const std::string& line) {
        if (armed_ && line == armed_->line) {
            cleared_ = true;
            armed_.reset();
            return {SubmitResult::Accepted, {}};
        }
        armed_.reset();
        return {SubmitResult::Cancelled, {}};
    }

  private:
    struct Armed {
        StatisticsAnswers answers;
        std::string line;
    };
    std::optional<Armed> armed_;
    bool cleared_ = false;
};

}  // namespace vn340
