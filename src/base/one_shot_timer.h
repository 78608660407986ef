#pragma once

// A timer that runs its task once, on the program's event loop: started again before it falls
// due, only the new start counts. The widgets' delays (a tip's show and hide delays, its fade
// steps, a notice's time) are such timers, and take their time from whatever loop they are
// given: the window's, or a test's virtual clock.

#include <chrono>
#include <optional>

#include "base/event_loop.h"

namespace vn340 {

class OneShotTimer {
  public:
    // `loop` outlives the timer.
    explicit OneShotTimer(EventLoop& loop) : loop_(loop) {}
    ~OneShotTimer() { stop(); }

    OneShotTimer(const OneShotTimer&) = delete;
    OneShotTimer& operator=(const OneShotTimer&) = delete;

    // Runs `task` once, `delay` from now, in place of whatever was started before.
    void start(std::chrono::milliseconds delay, EventLoop::Task task) {
        stop();
        armed_ = loop_.startTimer(delay, [this, task = std::move(task)] {
            armed_.reset();
            task();
        });
    }
    void stop() {
        if (armed_) {
            loop_.cancelTimer(*armed_);
            armed_.reset();
        }
    }
    bool isActive() const { return armed_.has_value(); }

  private:
    EventLoop& loop_;
    std::optional<EventLoop::TimerId> armed_;
};

}  // namespace vn340
