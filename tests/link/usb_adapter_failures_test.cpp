// The USB adapter against a D2XX library made to order: each way the library or the device can
// refuse, with the pilot's messages in their order, and what the adapter keeps.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "fake_d2xx_library.h"
#include "link/usb_adapter.h"
#include "support/queued_owner_thread.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

using test::FakeD2xxLibrary;

using Shown = std::vector<std::string>;  // what the pilot saw, in order

constexpr UsbLineSettings kLine{"Vexa-Plug", 9600, 2};

std::string message(std::string_view text) {
    return "message:" + std::string(text);
}
std::string box(std::string_view text) {
    return "system:" + std::string(text);
}

TEST(UsbAdapterFailuresTest, EveryRefusalFailsWithItsMessagesAndKeepsNothing) {
    struct Row {
        const char* what;
        void (*make)(FakeD2xxLibrary&);
        Shown loud;
        Shown quiet;
    };
    const auto load = message(usb_text::unableToLoad());
    const std::vector<Row> rows = {
        {"library missing", [](FakeD2xxLibrary& l) { l.loadable = false; }, {load}, {}},
        {"an early entry point missing",
         [](FakeD2xxLibrary& l) { l.missing = {D2xxEntry::Write}; },
         {load},
         {}},
        {"FT_SetEventNotification missing",
         [](FakeD2xxLibrary& l) { l.missing = {D2xxEntry::SetEventNotification}; },
         {box(usb_text::kNoSetEventNotification), load},
         {box(usb_text::kNoSetEventNotification)}},
        {"FT_GetStatus missing",
         [](FakeD2xxLibrary& l) { l.missing = {D2xxEntry::GetStatus}; },
         {box(usb_text::kNoGetStatus), load},
         {box(usb_text::kNoGetStatus)}},
        {"FT_ClrRts missing",
         [](FakeD2xxLibrary& l) { l.missing = {D2xxEntry::ClrRts}; },
         {box(usb_text::kNoClrRts), load},
         {box(usb_text::kNoClrRts)}},
        {"the first missing one decides",
         [](FakeD2xxLibrary& l) {
             l.missing = {D2xxEntry::ClrRts, D2xxEntry::GetStatus};
         },
         {box(usb_text::kNoGetStatus), load},
         {box(usb_text::kNoGetStatus)}},
        {"no device",
         [](FakeD2xxLibrary& l) { l.failing[D2xxEntry::OpenEx] = d2xx::kFtDeviceNotFound; },
         {message(usb_text::kUnableToFind)},
         {}},
        {"baud rate refused",
         [](FakeD2xxLibrary& l) { l.failing[D2xxEntry::SetBaudRate] = d2xx::kFtInvalidBaudRate; },
         {message(usb_text::kBaudRefused)},
         {}},
    };
    for (const Row& row : rows) {
        for (const bool quiet : {false, true}) {
            SCOPED_TRACE(std::string(row.what) + (quiet ? ", quiet" : ", with messages"));
            FakeD2xxLibrary library;
            row.make(library);
            testing::ScriptedPilot host;
            UsbAdapter adapter(host, library, kLine);
            const SysResult opened = adapter.open(quiet);
            EXPECT_FALSE(opened);
            EXPECT_EQ(message(opened.message), row.loud.back()) << "the pilot's text, even quiet";
            EXPECT_EQ(host.events, quiet ? row.quiet : row.loud);
            EXPECT_FALSE(adapter.isOpen());
            EXPECT_FALSE(adapter.inUse());
            EXPECT_FALSE(library.deviceOpen);
            EXPECT_FALSE(library.loaded);
        }
    }
}

// The latency timer is asked for where the library can, and its absence or refusal costs
// only speed: the open succeeds and the pilot is told nothing. The close releases the device.
TEST(UsbAdapterFailuresTest, OpensTheDeviceByItsDescriptionAtItsBaudRateAndLatency) {
    struct Row {
        const char* what;
        void (*make)(FakeD2xxLibrary&);
        d2xx::Uchar latency;
    };
    const Row rows[] = {
        {"latency timer set", [](FakeD2xxLibrary&) {}, 2},
        {"library without the call",
         [](FakeD2xxLibrary& l) { l.missing = {D2xxEntry::SetLatencyTimer}; }, 16},
        {"chip refuses it",
         [](FakeD2xxLibrary& l) {
             l.failing[D2xxEntry::SetLatencyTimer] = d2xx::kFtInvalidParameter;
         },
         16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeD2xxLibrary library;
        row.make(library);
        testing::ScriptedPilot host;
        UsbAdapter adapter(host, library, kLine);
        EXPECT_TRUE(adapter.open(false));
        EXPECT_TRUE(host.events.empty());
        EXPECT_EQ(library.description, "Vexa-Plug");
        EXPECT_EQ(library.flags, d2xx::kFtOpenByDescription);
        EXPECT_EQ(library.baud, 9600u);
        EXPECT_EQ(library.latency, row.latency);
        EXPECT_TRUE(adapter.isOpen());
        EXPECT_TRUE(library.deviceOpen);
        EXPECT_FALSE(adapter.inUse()) << "the caller decides";
        adapter.setInUse(true);
        adapter.close();
        EXPECT_FALSE(adapter.inUse());
        EXPECT_FALSE(adapter.isOpen());
        EXPECT_FALSE(library.deviceOpen);
        EXPECT_FALSE(library.loaded);
        adapter.close();  // closing again does nothing
    }
}

TEST(UsbAdapterFailuresTest, NotificationThatCannotBeHadIsNotValid) {
    struct Row {
        const char* what;
        std::optional<D2xxEntry> missing;
        d2xx::FtStatus notification;
    };
    const Row rows[] = {
        {"entry point missing", D2xxEntry::SetEventNotification, d2xx::kFtOk},
        {"notification refused", std::nullopt, d2xx::kFtIoError},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeD2xxLibrary library;
        if (row.missing) {
            library.missing = {*row.missing};
        }
        library.failing[D2xxEntry::SetEventNotification] = row.notification;
        testing::ScriptedPilot host;
        UsbAdapter adapter(host, library, kLine);
        adapter.open(true);
        host.events.clear();
        testing::QueuedOwnerThread owner;
        const SysResult started = adapter.startNotificationThread(owner, [] {});
        EXPECT_FALSE(started);
        EXPECT_EQ(host.events, Shown{box(usb_text::kNotificationNotValid)});
        EXPECT_FALSE(adapter.notificationThreadRunning());
    }
}

TEST(UsbAdapterFailuresTest, FailedStatusQueryOrReadDeliversNothing) {
    for (const D2xxEntry failing : {D2xxEntry::GetStatus, D2xxEntry::Read}) {
        SCOPED_TRACE(std::string(d2xxEntryName(failing)));
        FakeD2xxLibrary library;
        testing::ScriptedPilot host;
        UsbAdapter adapter(host, library, kLine);
        ASSERT_TRUE(adapter.open(true));
        library.failing[failing] = d2xx::kFtIoError;
        library.arrive("000801F7.0340");
        std::vector<std::string> chunks;
        EXPECT_EQ(adapter.onUsbData([&](std::string_view text) { chunks.emplace_back(text); }), 0);
        EXPECT_TRUE(chunks.empty());
        EXPECT_TRUE(host.events.empty()) << "not reported to the pilot";
    }
}

// The owner's thread may go while a Special_Change call waits for it (in the window: Qt drops
// the queued calls of a destroyed context object). The notification thread waiting for that
// call is released, and goes round again for the bytes still waiting.
TEST(UsbAdapterFailuresTest, CallTheOwnerDropsUnrunReleasesTheWaitingThread) {
    FakeD2xxLibrary library;
    testing::ScriptedPilot host;
    UsbAdapter adapter{host, library, kLine};
    testing::QueuedOwnerThread owner;
    ASSERT_TRUE(adapter.open(true));
    int calls = 0;
    ASSERT_TRUE(adapter.startNotificationThread(owner, [&] { ++calls; }));
    library.arrive("000801F7.0340C4");
    ASSERT_TRUE(owner.waitPosts(1, std::chrono::seconds(5)));
    owner.drop();
    EXPECT_TRUE(owner.waitPosts(2, std::chrono::seconds(5)));
    adapter.close();
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vn340
