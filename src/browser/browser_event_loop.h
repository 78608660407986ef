#pragma once

// The page's event loop is the browser's own: a timer is the browser's timeout, and a call
// posted runs as a timeout of no delay. The browser edition runs on one thread, so a post
// needs no lock; what has not run when the loop goes is cancelled and destroyed unrun.

#include <map>
#include <memory>

#include "base/event_loop.h"

namespace vn340 {

class BrowserEventLoop final : public EventLoop {
  public:
    BrowserEventLoop() = default;
    ~BrowserEventLoop() override;
    BrowserEventLoop(const BrowserEventLoop&) = delete;
    BrowserEventLoop& operator=(const BrowserEventLoop&) = delete;

    TimerId startTimer(std::chrono::milliseconds delay, Task task) override;
    void cancelTimer(TimerId id) override;
    void post(Task call) override { startTimer(std::chrono::milliseconds(0), std::move(call)); }
    std::chrono::milliseconds steadyNow() const override;

  private:
    // What the browser's timeout carries back: the loop and which of its timers fell due.
    struct Ticket {
        BrowserEventLoop* loop;
        TimerId id;
    };
    struct Pending {
        Task task;
        long timeout;
        std::unique_ptr<Ticket> ticket;
    };

    static void fire(void* ticket);

    std::map<TimerId, Pending> pending_;
    TimerId next_ = 1;
};

}  // namespace vn340
