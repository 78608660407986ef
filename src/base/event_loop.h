#pragma once

// Where the program waits. One thread runs the loop, and everything the program does happens in
// answer to a timer that fell due or a call posted to the loop, never by waiting elsewhere. The
// window's loop is Qt's, the command line's is ours (system_event_loop.h), the tests' is a
// virtual clock: the code above cannot tell them apart.

#include <chrono>
#include <cstdint>
#include <functional>

namespace vn340 {

class EventLoop {
  public:
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;

    virtual ~EventLoop() = default;

    // Runs `task` once on the loop's thread, `delay` from now (at once when it is zero, after
    // what is already due). Loop's thread only.
    virtual TimerId startTimer(std::chrono::milliseconds delay, Task task) = 0;
    // The timer does not run; cancelling one that has run, or was cancelled, does nothing.
    virtual void cancelTimer(TimerId id) = 0;
    // From any thread: runs `call` on the loop's thread soon, after the calls posted before it.
    // A call the loop never gets to run (it has gone) is destroyed unrun, so that whatever the
    // call carries learns of it and nobody is left waiting for its answer.
    virtual void post(Task call) = 0;
    // The loop's own time, the one its timers keep: it never goes back, and only the difference
    // of two readings means anything.
    virtual std::chrono::milliseconds steadyNow() const = 0;
};

}  // namespace vn340
