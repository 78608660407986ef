// The USB adapter's receive path against the library double: what each event status reads, and
// that no character waits for a notification the library's event never gave.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>

#include <string>
#include <vector>

#include "fake_d2xx_library.h"
#include "link/qt_owner_thread.h"
#include "link/usb_adapter.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

using test::FakeD2xxLibrary;
using Dword = d2xx::Dword;

constexpr UsbLineSettings kLine{"Vexa-Plug", 9600};

class UsbAdapterEventsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(adapter.open(true)); }
    void TearDown() override { adapter.close(); }

    // Starts the notification thread; each Special_Change reads into `chunks` and then runs
    // `afterRead` on the GUI thread.
    void listen() {
        adapter.setInUse(true);
        ASSERT_TRUE(adapter.startNotificationThread(owner, [this] {
            ++calls;
            adapter.onUsbData([this](std::string_view text) { chunks.emplace_back(text); });
            if (afterRead) {
                afterRead();
            }
        }));
        // Started and waiting: an arrival now can only reach it through the event.
        ASSERT_TRUE(QTest::qWaitFor([&] { return library.parked(); }, 5000));
    }

    std::string joined() const {
        std::string text;
        for (const auto& chunk : chunks) {
            text += chunk;
        }
        return text;
    }

    FakeD2xxLibrary library;
    testing::ScriptedPilot host;
    UsbAdapter adapter{host, library, kLine};
    QObject context;
    QtOwnerThread owner{&context};
    std::vector<std::string> chunks;
    std::function<void()> afterRead;
    int calls = 0;
};

TEST_F(UsbAdapterEventsTest, ReceivedCharactersAreReadWhateverElseTheEventReports) {
    struct Row {
        const char* what;
        Dword status;
        bool read;
    };
    const Row rows[] = {
        {"received characters", d2xx::kFtEventRxChar, true},
        {"received characters and modem status", d2xx::kFtEventRxChar | d2xx::kFtEventModemStatus,
         true},
        {"modem status alone", d2xx::kFtEventModemStatus, false},
        {"no event", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        chunks.clear();
        library.arrive("000801F7.0340C4");
        library.setEventStatus(row.status);
        EXPECT_EQ(adapter.onUsbData([this](std::string_view text) { chunks.emplace_back(text); }),
                  0);
        EXPECT_EQ(joined(), row.read ? "000801F7.0340C4" : "");
        EXPECT_EQ(library.queued(), row.read ? 0u : 15u) << "what is not read stays queued";
        library.setEventStatus(d2xx::kFtEventRxChar);
        adapter.onUsbData([](std::string_view) {});
    }
}

// The library signals its event when characters come, also while the notification thread
// waits for the GUI thread; that signal reaches nobody.
TEST_F(UsbAdapterEventsTest,
       CharactersThatCameDuringTheLastNotificationAreReadWithoutAnotherSignal) {
    afterRead = [this] {
        if (chunks.size() == 1) {
            library.arrive("0340C4");
        }
    };
    listen();
    library.arrive("000801F7.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return chunks.size() >= 2; }, 5000)) << joined();
    EXPECT_EQ(chunks, (std::vector<std::string>{"000801F7.", "0340C4"}));
}

TEST_F(UsbAdapterEventsTest, BytesLeftByAModemStatusNotificationDoNotKeepTheThreadCalling) {
    library.arrive("left");
    library.setEventStatus(d2xx::kFtEventModemStatus);
    listen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls >= 1; }, 5000));
    EXPECT_TRUE(chunks.empty());
    // Parked on the event again, instead of notifying about the same bytes over and over.
    ASSERT_TRUE(QTest::qWaitFor([&] { return library.parked(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    library.arrive("+");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !chunks.empty(); }, 5000));
    EXPECT_EQ(chunks, std::vector<std::string>{"left+"});
}

}  // namespace
}  // namespace vn340
