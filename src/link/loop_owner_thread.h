#pragma once

// The owner's thread as the program's event loop has it: a call posted from the link's threads
// runs on the loop's thread.

#include <utility>

#include "base/event_loop.h"
#include "link/owner_thread.h"

namespace vn340 {

class LoopOwnerThread final : public OwnerThread {
  public:
    // `loop` outlives this.
    explicit LoopOwnerThread(EventLoop& loop) : loop_(loop) {}

    void post(std::function<void()> call) override { loop_.post(std::move(call)); }

  private:
    EventLoop& loop_;
};

}  // namespace vn340
