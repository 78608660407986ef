// The D2XX library seam against the simulated library, as the system's loader loads it: the
// entry points found by name, the device by its description, frames answered by the simulated
// gyro through the library's own thread, and the event that wakes the reader. The same cases run
// against libftd2xx.so through dlopen and against ftd2xx.dll through LoadLibraryW (under Wine).

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "d2xx_sim_control.h"
#include "gyro_sim.h"
#include "link/d2xx_library.h"
#include "protocol/frames.h"

namespace vn340 {
namespace {

using namespace d2xx;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = 5s;

class D2xxLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()) << "the simulated library: " VN340_SIM_D2XX; }
    void TearDown() override {
        if (handle != nullptr) {
            library->close(handle);
        }
    }

    // Loads the library and opens the Vexa-Plug, its events told.
    void open() {
        ASSERT_TRUE(library->load());
        ASSERT_EQ(library->openEx("Vexa-Plug", kFtOpenByDescription, &handle), kFtOk);
        ASSERT_EQ(library->setBaudRate(handle, 9600), kFtOk);
        ASSERT_EQ(library->setEventNotification(handle, kFtEventRxChar), kFtOk);
    }

    bool waiting() {
        Dword queued = 0;
        return library->getQueueStatus(handle, &queued) == kFtOk && queued > 0;
    }

    // Reads as the adapter's thread does, woken by the library's event, until `complete`.
    std::string receive(const std::function<bool(const std::string&)>& complete) {
        std::string text;
        const auto deadline = Clock::now() + kPatience;
        while (!complete(text) && Clock::now() < deadline) {
            library->waitEvent(100ms, [this] { return waiting(); });
            char buffer[64];
            Dword got = 0;
            if (library->read(handle, buffer, sizeof buffer, &got) == kFtOk) {
                text.append(buffer, got);
            }
        }
        return text;
    }

    // Whether a wait that nothing ends passes its limit, and how long it took.
    bool timedWait(std::chrono::milliseconds limit, Clock::duration& took,
                   const std::function<bool()>& ready = nullptr) {
        const auto start = Clock::now();
        const bool ended = library->waitEvent(limit, ready);
        took = Clock::now() - start;
        return ended;
    }

    testing::SimD2xxControl sim{VN340_SIM_D2XX};
    std::unique_ptr<D2xxLibrary> library = loadableD2xxLibrary(VN340_SIM_D2XX);
    FtHandle handle = nullptr;
};

// --- Loading ------------------------------------------------------------------------------

// The names must be found as they are exported, undecorated, or the adapter refuses the library.
TEST_F(D2xxLibraryTest, EveryEntryPointIsFoundAndGoneAfterUnloading) {
    ASSERT_TRUE(library->load());
    ASSERT_TRUE(library->load()) << "loading a loaded library does nothing";
    for (D2xxEntry entry : kD2xxEntries) {
        EXPECT_TRUE(library->has(entry)) << d2xxEntryName(entry);
    }
    EXPECT_TRUE(library->has(D2xxEntry::SetLatencyTimer));
    library->unload();
    for (D2xxEntry entry : kD2xxEntries) {
        EXPECT_FALSE(library->has(entry)) << d2xxEntryName(entry);
    }
    EXPECT_FALSE(library->has(D2xxEntry::SetLatencyTimer));
    EXPECT_EQ(library->openEx("Vexa-Plug", kFtOpenByDescription, &handle), kFtInvalidHandle)
        << "a call without its entry point";
}

TEST_F(D2xxLibraryTest, AMissingLibraryFailsToLoadAndIsNamed) {
    const auto missing = loadableD2xxLibrary("vn340-no-such-d2xx");
    const SysResult loaded = missing->load();
    EXPECT_FALSE(loaded);
    EXPECT_NE(loaded.message.find("vn340-no-such-d2xx"), std::string::npos) << loaded.message;
    EXPECT_FALSE(missing->has(D2xxEntry::Open));
}

TEST_F(D2xxLibraryTest, TheDeviceOpensByItsWholeDescriptionOnly) {
    ASSERT_TRUE(library->load());
    EXPECT_EQ(library->openEx("Vexa-Plu", kFtOpenByDescription, &handle), kFtDeviceNotFound);
    EXPECT_FALSE(sim.deviceOpen());
    ASSERT_EQ(library->openEx("Vexa-Plug", kFtOpenByDescription, &handle), kFtOk);
    EXPECT_TRUE(sim.deviceOpen());
    EXPECT_EQ(library->close(handle), kFtOk);
    handle = nullptr;
    EXPECT_FALSE(sim.deviceOpen());
}

// --- Frames through the simulated adapter -----------------------------------------------

TEST_F(D2xxLibraryTest, TheIdentificationIsAnsweredThroughTheLibrarysEvent) {
    open();
    Dword written = 0;
    const std::string frame(kReadProductIdFrame);
    ASSERT_EQ(library->write(handle, frame.data(), static_cast<Dword>(frame.size()), &written),
              kFtOk);
    EXPECT_EQ(written, frame.size());
    EXPECT_EQ(sim.written(), frame);
    const std::string reply =
        receive([](const std::string& text) { return identificationReplyComplete(text); });
    EXPECT_EQ(reply.substr(0, 13), "000801F7.0340");
}

TEST_F(D2xxLibraryTest, AParameterReadBringsTheGyrosWord) {
    open();
    constexpr int kParameter = 3;
    const std::string frame = parameterReadFrame(kParameter);
    Dword written = 0;
    ASSERT_EQ(library->write(handle, frame.data(), static_cast<Dword>(frame.size()), &written),
              kFtOk);
    const std::string reply =
        receive([](const std::string& text) { return parameterReplyComplete(text); });
    const WordReply word = decodeWordReply(dropLeading(reply, kWordReplyLeading));
    EXPECT_TRUE(word.passed) << reply;
    EXPECT_EQ(word.value, factoryMemory().at(parameterAddress(kParameter))) << reply;
}

// --- The event ------------------------------------------------------------------------------

// The chip holds a lone byte until its latency timer ticks, so the byte is not there yet when
// the wait begins: only the library's signal can end it before its limit.
TEST_F(D2xxLibraryTest, ArrivingBytesEndTheWait) {
    open();
    Clock::duration took{};
    ASSERT_TRUE(sim.inject("x"));
    EXPECT_TRUE(timedWait(10s, took, [this] { return waiting(); }));
    EXPECT_LT(took, kPatience);
    char byte = 0;
    Dword got = 0;
    ASSERT_EQ(library->read(handle, &byte, 1, &got), kFtOk);
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(byte, 'x');
}

// The reader may be anywhere when it is woken: before its wait, in it or on another thread.
TEST_F(D2xxLibraryTest, AWakeUpIsNeverLostAndCountsOnce) {
    open();
    Clock::duration took{};
    library->wakeEvent();
    EXPECT_TRUE(timedWait(10s, took)) << "woken before the wait";
    EXPECT_LT(took, kPatience);
    EXPECT_FALSE(timedWait(0ms, took)) << "the wake-up was spent";

    std::thread waker([this] { library->wakeEvent(); });
    EXPECT_TRUE(timedWait(10s, took)) << "woken from another thread";
    waker.join();
    EXPECT_LT(took, kPatience);
}

TEST_F(D2xxLibraryTest, AWaitEndsAtOnceWhenReadyAndElseLastsItsLimit) {
    open();
    Clock::duration took{};
    EXPECT_TRUE(timedWait(10s, took, [] { return true; }));
    EXPECT_LT(took, kPatience);
    EXPECT_FALSE(timedWait(60ms, took, [] { return false; }));
    // Timers of a busy system fire late, never more than a tick early.
    EXPECT_GE(took, 40ms);
}

// Notification set up anew (a reopened device) starts from no wake-up.
TEST_F(D2xxLibraryTest, SettingUpTheNotificationForgetsAnEarlierWakeUp) {
    open();
    library->wakeEvent();
    ASSERT_EQ(library->setEventNotification(handle, kFtEventRxChar), kFtOk);
    Clock::duration took{};
    EXPECT_FALSE(timedWait(0ms, took));
}

}  // namespace
}  // namespace vn340
