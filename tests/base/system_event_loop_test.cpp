// The command line's event loop: timers by their time and then their start, cancelled ones
// never run, a task that starts another leaves it for the next turn, and a call posted from
// another thread wakes a loop that waits.

#include "base/system_event_loop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vn340 {
namespace {

using std::chrono::milliseconds;

// Turns until `done`, each waiting no more than a few seconds, so that a lost wake-up fails
// instead of hanging.
template <typename Done>
void turnUntil(SystemEventLoop& loop, Done done) {
    for (int turn = 0; turn < 100 && !done(); ++turn) {
        loop.runOnce(std::chrono::seconds(5));
    }
}

TEST(SystemEventLoopTest, TimersRunByTheirTimeThenInTheOrderTheyWereStarted) {
    SystemEventLoop loop;
    std::vector<std::string> ran;
    loop.startTimer(milliseconds(6), [&] { ran.push_back("late"); });
    const auto cancelled = loop.startTimer(milliseconds(2), [&] { ran.push_back("cancelled"); });
    loop.startTimer(milliseconds(2), [&] { ran.push_back("first of two"); });
    loop.startTimer(milliseconds(2), [&] { ran.push_back("second of two"); });
    loop.post([&] { ran.push_back("posted"); });
    loop.cancelTimer(cancelled);
    loop.cancelTimer(cancelled);  // again: nothing happens
    turnUntil(loop, [&] { return ran.size() >= 4; });
    EXPECT_EQ(ran, (std::vector<std::string>{"posted", "first of two", "second of two", "late"}));
}

TEST(SystemEventLoopTest, ATimerStartedOrCancelledByAnotherTakesEffectAtOnce) {
    SystemEventLoop loop;
    std::vector<std::string> ran;
    EventLoop::TimerId later = 0;
    loop.startTimer(milliseconds(0), [&] {
        ran.push_back("first");
        loop.cancelTimer(later);
        // Due at once, but it waits for the next turn: a task that starts itself again cannot
        // hold the loop.
        loop.startTimer(milliseconds(0), [&] { ran.push_back("started inside"); });
    });
    later = loop.startTimer(milliseconds(0), [&] { ran.push_back("cancelled inside"); });
    loop.runOnce(milliseconds(0));
    EXPECT_EQ(ran, std::vector<std::string>{"first"});
    loop.runOnce(milliseconds(0));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "started inside"}));
}

TEST(SystemEventLoopTest, ACallPostedFromAnotherThreadWakesTheWaitingLoop) {
    SystemEventLoop loop;
    std::thread::id ranOn;
    std::thread poster(
        [&loop, &ranOn] { loop.post([&ranOn] { ranOn = std::this_thread::get_id(); }); });
    turnUntil(loop, [&] { return ranOn != std::thread::id(); });
    poster.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id()) << "run on the loop's thread";
}

TEST(SystemEventLoopTest, ATurnWithNothingDueEndsAtItsLimitWithoutRunningLaterTimers) {
    SystemEventLoop loop;
    bool ran = false;
    loop.startTimer(std::chrono::hours(1), [&ran] { ran = true; });
    loop.runOnce(milliseconds(1));
    EXPECT_FALSE(ran);
}

TEST(SystemEventLoopTest, ACallNeverRunIsDestroyedWithTheLoop) {
    auto carried = std::make_shared<int>(0);
    const std::weak_ptr<int> watch = carried;
    {
        SystemEventLoop loop;
        loop.post([carried = std::move(carried)] {});
    }
    EXPECT_TRUE(watch.expired()) << "whoever waits for its answer learns of it";
}

}  // namespace
}  // namespace vn340
