// The engine's numbered timers on an event loop: arming again restarts, killing is always
// safe, and a timer armed from its own expiry runs again.

#include "session/loop_timers.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/virtual_platform.h"

namespace vn340::testing {
namespace {

TEST(LoopTimersTest, EachNumberIsOneTimerThatArmingRestarts) {
    VirtualClock clock;
    std::vector<std::pair<Micros, SequenceTimer>> fired;
    std::unique_ptr<LoopTimers> timers;
    timers = std::make_unique<LoopTimers>(clock, [&](SequenceTimer timer) {
        fired.emplace_back(clock.now(), timer);
        // A step that arms its own timer again, as the engine's steps do.
        if (timer == SequenceTimer::ReadStep && fired.size() < 3) {
            timers->arm(SequenceTimer::ReadStep, std::chrono::milliseconds(1));
        }
    });
    timers->arm(SequenceTimer::Timeout, std::chrono::milliseconds(2000));
    timers->arm(SequenceTimer::Timeout, std::chrono::milliseconds(3000));  // restarted
    timers->arm(SequenceTimer::ReadStep, std::chrono::milliseconds(1));
    timers->arm(SequenceTimer::StatusClear, std::chrono::milliseconds(5));
    timers->kill(SequenceTimer::StatusClear);
    timers->kill(SequenceTimer::WriteStep);  // never armed
    EXPECT_TRUE(timers->isArmed(SequenceTimer::Timeout));
    EXPECT_FALSE(timers->isArmed(SequenceTimer::StatusClear));
    clock.runUntil(10'000 * kMs);
    EXPECT_EQ(fired, (std::vector<std::pair<Micros, SequenceTimer>>{
                         {1 * kMs, SequenceTimer::ReadStep},
                         {2 * kMs, SequenceTimer::ReadStep},
                         {3 * kMs, SequenceTimer::ReadStep},
                         {3000 * kMs, SequenceTimer::Timeout}}));
    EXPECT_FALSE(timers->isArmed(SequenceTimer::Timeout));

    timers->arm(SequenceTimer::DiagStep, std::chrono::milliseconds(1));
    timers.reset();
    clock.runUntil(20'000 * kMs);
    EXPECT_EQ(fired.size(), 4u) << "the timers go with their owner";
}

}  // namespace
}  // namespace vn340::testing
