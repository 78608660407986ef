#include "session/loop_timers.h"

#include <utility>

namespace vn340 {

LoopTimers::LoopTimers(EventLoop& loop, Expiry expiry) : loop_(loop), expiry_(std::move(expiry)) {}

LoopTimers::~LoopTimers() {
    for (const auto& [timer, id] : armed_) {
        loop_.cancelTimer(id);
    }
}

void LoopTimers::arm(SequenceTimer timer, std::chrono::milliseconds delay) {
    kill(timer);
    armed_[timer] = loop_.startTimer(delay, [this, timer] {
        armed_.erase(timer);
        expiry_(timer);
    });
}

void LoopTimers::kill(SequenceTimer timer) {
    if (const auto found = armed_.find(timer); found != armed_.end()) {
        loop_.cancelTimer(found->second);
        armed_.erase(found);
    }
}

bool LoopTimers::isArmed(SequenceTimer timer) const {
    return armed_.count(timer) != 0;
}

}  // namespace vn340
