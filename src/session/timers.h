#pragma once

// The sequence engine's numbered one-shot timers: arming a timer again restarts it, and
// killing one is always safe. Qt's timers run them in the program; a virtual clock runs them
// in the tests.

#include <chrono>
#include <functional>

#include "protocol/sequence_engine.h"

namespace vn340 {

class Timers {
  public:
    using Expiry = std::function<void(SequenceTimer)>;

    virtual ~Timers() = default;
    virtual void arm(SequenceTimer timer, std::chrono::milliseconds delay) = 0;
    virtual void kill(SequenceTimer timer) = 0;
    virtual bool isArmed(SequenceTimer timer) const = 0;
};

}  // namespace vn340
