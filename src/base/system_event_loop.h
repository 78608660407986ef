#pragma once

// The command line's own event loop: a list of timers by the time they fall due, and the calls
// other threads post (the adapter's reader, the system's requests to end). Whoever owns it runs
// it, one turn at a time, until what it waits for has happened. Plain C++, the same on every
// system: the threads that wait on the port and on the system's signals wake it by posting.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "base/event_loop.h"

namespace vn340 {

class SystemEventLoop final : public EventLoop {
  public:
    using Clock = std::chrono::steady_clock;

    SystemEventLoop() = default;
    ~SystemEventLoop() override;
    SystemEventLoop(const SystemEventLoop&) = delete;
    SystemEventLoop& operator=(const SystemEventLoop&) = delete;

    TimerId startTimer(std::chrono::milliseconds delay, Task task) override;
    void cancelTimer(TimerId id) override;
    void post(Task call) override;
    std::chrono::milliseconds steadyNow() const override;

    // One turn: waits, at most until `limit` from now, until a call is posted or a timer falls
    // due, then runs the calls posted so far (in their order) and the timers due (by their time,
    // those due together in the order they were started). A timer started or a call posted
    // during the turn waits for the next one, so a task that starts itself again cannot hold
    // the loop.
    void runOnce(std::chrono::milliseconds limit = std::chrono::hours(1));

  private:
    using Due = std::pair<Clock::time_point, TimerId>;

    void runPosted();
    // The timers due now that were started before `startedBefore`.
    void runDue(TimerId startedBefore);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> posted_;
    // Only the loop's thread touches the timers.
    std::map<Due, Task> timers_;
    std::map<TimerId, Clock::time_point> dueOf_;
    TimerId next_ = 1;
};

}  // namespace vn340
