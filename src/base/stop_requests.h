#pragma once

// The system asking the program to end: Ctrl+C in the terminal, the terminal closed (an ssh
// session dropped, the console window closed), a shutdown or a `kill`. Each request reaches the
// program on its event loop's thread, never inside a signal handler, so that whoever decides can
// let a store finish first. A write to a closed pipe no longer ends the program either: the
// write fails and the program says so.

#include <functional>
#include <memory>

#include "base/event_loop.h"

namespace vn340 {

enum class StopRequest {
    Interrupt,  // Ctrl+C
    HangUp,     // the terminal went
    Terminate,  // a shutdown, or `kill`
};

class StopRequests {
  public:
    using Handler = std::function<void(StopRequest)>;
    virtual ~StopRequests() = default;

    // From now on the system's requests go to `handler`, posted to `loop`, until the returned
    // object is destroyed (a request still on its way then goes unhandled). None when the
    // system cannot tell the program (it is then ended as before). `loop` outlives the result.
    static std::unique_ptr<StopRequests> listen(Handler handler, EventLoop& loop);
};

}  // namespace vn340
