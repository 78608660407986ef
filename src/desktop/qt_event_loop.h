#pragma once

// The program's event loop as Qt runs it, for the window: timers are precise single-shot Qt
// timers, and calls posted from other threads are queued calls into the loop's thread.

#include <QObject>

#include <map>

#include "base/event_loop.h"

class QTimer;

namespace vn340 {

class QtEventLoop final : public EventLoop {
  public:
    // On the thread that makes it.
    QtEventLoop() = default;
    ~QtEventLoop() override;

    TimerId startTimer(std::chrono::milliseconds delay, Task task) override;
    void cancelTimer(TimerId id) override;
    void post(Task call) override;
    std::chrono::milliseconds steadyNow() const override;

  private:
    // What the timers and the queued calls belong to: when it goes, the calls still queued go
    // unrun, as Qt drops them.
    QObject context_;
    TimerId next_ = 1;
    std::map<TimerId, QTimer*> timers_;
};

}  // namespace vn340
