#pragma once

// The sequence engine's numbered timers on the program's event loop.

#include <map>

#include "base/event_loop.h"
#include "session/timers.h"

namespace vn340 {

class LoopTimers final : public Timers {
  public:
    // `loop` outlives this.
    LoopTimers(EventLoop& loop, Expiry expiry);
    ~LoopTimers() override;

    void arm(SequenceTimer timer, std::chrono::milliseconds delay) override;
    void kill(SequenceTimer timer) override;
    bool isArmed(SequenceTimer timer) const override;

  private:
    EventLoop& loop_;
    Expiry expiry_;
    std::map<SequenceTimer, EventLoop::TimerId> armed_;
};

}  // namespace vn340
