#pragma once

// The thread that owns the link's results (the GUI thread in the window), as the link's own
// threads reach it: a call posted from any thread runs there later, in the order posted. The
// window posts through Qt's event loop; a test drains a queue of its own.

#include <functional>

namespace vn340 {

class OwnerThread {
  public:
    virtual ~OwnerThread() = default;

    // Runs `call` on the owner's thread, after the calls posted before it. A call the owner
    // never gets to run (it has gone) is destroyed unrun: whatever the call carries learns of
    // it by its destruction, so a thread that waits for the call's answer is not left waiting.
    virtual void post(std::function<void()> call) = 0;
};

}  // namespace vn340
