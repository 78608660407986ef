#include "session/platform.h"

#include <chrono>

#include "session/loop_timers.h"

namespace vn340 {

int Platform::today() {
    const LocalTime now = localNow();
    const std::chrono::sys_days day{std::chrono::year{now.year} / static_cast<unsigned>(now.month) /
                                    static_cast<unsigned>(now.day)};
    return static_cast<int>(day.time_since_epoch().count());
}

std::unique_ptr<Timers> Platform::makeTimers(Timers::Expiry expiry) {
    return std::make_unique<LoopTimers>(loop(), std::move(expiry));
}

}  // namespace vn340
