#include "virtual_host.h"

#include <algorithm>

namespace vn340::testing {

void VirtualHost::sendFrame(std::string_view frame) {
    frames.emplace_back(frame);
    frameTimes.push_back(now_);
    if (!gyro_) {
        return;
    }
    for (auto& [delay, text] : gyro_(frame)) {
        arrivals_.emplace(now_ + delay, std::move(text));
    }
}

StatisticsAnswer VirtualHost::offerStatistics() {
    ++offers;
    if (onOffer_) {
        onOffer_();
    }
    if (statisticsAnswers_.empty()) {
        return StatisticsAnswer::Finish;
    }
    const StatisticsAnswer answer = statisticsAnswers_.front();
    statisticsAnswers_.erase(statisticsAnswers_.begin());
    return answer;
}

bool VirtualHost::step(Micros limit) {
    std::optional<Micros> next;
    if (!arrivals_.empty()) {
        next = arrivals_.begin()->first;
    }
    std::optional<SequenceTimer> dueTimer;
    for (const auto& [timer, due] : timers_) {
        if (!next || due < *next) {
            next = due;
            dueTimer = timer;
        }
    }
    if (!next || *next > limit) {
        return false;
    }
    now_ = std::max(now_, *next);
    if (dueTimer) {
        engine_->onTimer(*dueTimer);
    } else {
        const std::string text = arrivals_.begin()->second;
        arrivals_.erase(arrivals_.begin());
        engine_->dispatchReply(text);
    }
    return true;
}

void VirtualHost::run(Micros limit) {
    const Micros end = now_ + limit;
    auto busy = [this] {
        if (!engine_->idle() || !arrivals_.empty()) {
            return true;
        }
        return std::any_of(timers_.begin(), timers_.end(), [](const auto& entry) {
            return entry.first != SequenceTimer::StatusClear;
        });
    };
    while (busy() && step(end)) {
    }
}

void VirtualHost::runUntil(Micros until) {
    while (step(until)) {
    }
    now_ = std::max(now_, until);
}

}  // namespace vn340::testing
