// Qt's event loop as the program's: timers in the order they fall due, one cancelled not run,
// one started from a running task, and calls posted from another thread in the order posted;
// the loop's own time, which the tips measure by.

#include "desktop/qt_event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "eventually.h"

namespace vn340 {
namespace {

using namespace std::chrono_literals;
using testing::eventually;

TEST(QtEventLoopTest, TimersAndPostedCallsRunOnTheLoopInTheirOrder) {
    QtEventLoop loop;
    std::vector<std::string> timed;
    std::vector<std::string> posted;
    loop.startTimer(20ms, [&] { timed.push_back("20 ms"); });
    const EventLoop::TimerId cancelled =
        loop.startTimer(5ms, [&] { timed.push_back("cancelled"); });
    loop.startTimer(1ms, [&] {
        timed.push_back("1 ms");
        loop.startTimer(0ms, [&] { timed.push_back("started by 1 ms"); });
    });
    loop.cancelTimer(cancelled);
    std::thread other([&] {
        for (const char* call : {"posted 1", "posted 2"}) {
            loop.post([&posted, call] { posted.push_back(call); });
        }
    });
    other.join();
    ASSERT_TRUE(eventually([&] { return timed.size() == 3 && posted.size() == 2; }));
    EXPECT_EQ(timed, (std::vector<std::string>{"1 ms", "started by 1 ms", "20 ms"}));
    EXPECT_EQ(posted, (std::vector<std::string>{"posted 1", "posted 2"}));
}

// The time a timer waited has passed on the loop's clock by the time it runs.
TEST(QtEventLoopTest, TheLoopsTimeRunsOnWhileATimerWaits) {
    QtEventLoop loop;
    const std::chrono::milliseconds started = loop.steadyNow();
    std::chrono::milliseconds ran{-1};
    loop.startTimer(20ms, [&] { ran = loop.steadyNow(); });
    ASSERT_TRUE(eventually([&] { return ran.count() >= 0; }));
    EXPECT_GE(ran - started, 20ms);
}

}  // namespace
}  // namespace vn340
