#include "browser/browser_event_loop.h"

#include <emscripten.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace vn340 {
namespace {

using std::chrono::milliseconds;

// The browser's loop turns only while the test waits on it: emscripten_sleep hands control
// back to Node's event loop for that long.
void letTheBrowserRun(milliseconds time) {
    emscripten_sleep(static_cast<unsigned>(time.count()));
}

TEST(BrowserEventLoop, TimersRunByTimeThenInStartOrderAndPostsComeFirst) {
    BrowserEventLoop loop;
    std::string ran;
    loop.startTimer(milliseconds(30), [&] { ran += "c"; });
    loop.startTimer(milliseconds(10), [&] { ran += "a"; });
    loop.startTimer(milliseconds(10), [&] { ran += "b"; });
    loop.post([&] { ran += "p"; });
    letTheBrowserRun(milliseconds(80));
    EXPECT_EQ(ran, "pabc");
}

TEST(BrowserEventLoop, ACancelledTimerNeverRunsAndCancellingTwiceIsHarmless) {
    BrowserEventLoop loop;
    int runs = 0;
    const EventLoop::TimerId id = loop.startTimer(milliseconds(5), [&] { ++runs; });
    loop.cancelTimer(id);
    loop.cancelTimer(id);
    loop.startTimer(milliseconds(5), [&] { runs += 10; });
    letTheBrowserRun(milliseconds(40));
    EXPECT_EQ(runs, 10);
}

TEST(BrowserEventLoop, ATaskMayCancelItselfAndStartTheNext) {
    BrowserEventLoop loop;
    int runs = 0;
    EventLoop::TimerId first = 0;
    first = loop.startTimer(milliseconds(0), [&] {
        ++runs;
        loop.cancelTimer(first);
        loop.startTimer(milliseconds(0), [&] { ++runs; });
    });
    letTheBrowserRun(milliseconds(40));
    EXPECT_EQ(runs, 2);
}

TEST(BrowserEventLoop, WhatHasNotRunGoesWithTheLoop) {
    int runs = 0;
    {
        BrowserEventLoop loop;
        loop.startTimer(milliseconds(5), [&] { ++runs; });
        loop.post([&] { ++runs; });
    }
    letTheBrowserRun(milliseconds(40));
    EXPECT_EQ(runs, 0);
}

TEST(BrowserEventLoop, ItsClockKeepsTheTimersTime) {
    BrowserEventLoop loop;
    const milliseconds started = loop.steadyNow();
    milliseconds ranAt{0};
    loop.startTimer(milliseconds(25), [&] { ranAt = loop.steadyNow(); });
    letTheBrowserRun(milliseconds(80));
    EXPECT_GE(ranAt - started, milliseconds(24));
}

}  // namespace
}  // namespace vn340
