// The USB adapter against the simulated D2XX library, loaded as the program loads the vendor's:
// the data path runs through the library's own thread, and the stop through its event.

#include <stdlib.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "d2xx_sim_control.h"
#include "link/qt_owner_thread.h"
#include "link/usb_adapter.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

constexpr UsbLineSettings kLine{"Vexa-Plug", 9600};

// Sets an environment variable for one test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) { ::setenv(name, value, 1); }
    ~ScopedEnv() { ::unsetenv(name_); }

  private:
    const char* name_;
};

class UsbAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()) << "the simulated library: " VN340_SIM_D2XX; }

    // Opens the complete library's device, marks it in use and starts the thread, whose
    // Special_Change reads into `chunks`.
    void openAndListen(UsbAdapter& adapter) {
        ASSERT_TRUE(adapter.open(false));
        adapter.setInUse(true);
        ASSERT_TRUE(adapter.startNotificationThread(owner, [this, &adapter] { handle(adapter); }));
    }

    void handle(UsbAdapter& adapter) {
        ++calls;
        adapter.onUsbData([this](std::string_view text) { chunks.emplace_back(text); });
    }

    std::string received() const {
        std::string text;
        for (const auto& chunk : chunks) {
            text += chunk;
        }
        return text;
    }

    bool waitReceived(std::size_t count) {
        return QTest::qWaitFor([&] { return received().size() >= count; }, 5000);
    }

    testing::SimD2xxControl sim{VN340_SIM_D2XX};
    std::unique_ptr<D2xxLibrary> library = loadableD2xxLibrary(VN340_SIM_D2XX);
    testing::ScriptedPilot host;
    QObject context;
    QtOwnerThread owner{&context};
    std::vector<std::string> chunks;
    int calls = 0;
};

// --- Receiving ---------------------------------------------------------------------------

// The chip hands the bytes on in packets and the rest at its latency tick, so how many wait at
// one notification depends on when the reader wakes; whatever waits is read in pieces of 200.
TEST_F(UsbAdapterTest, WaitingBytesAreReadInPiecesOfTwoHundredAtMost) {
    UsbAdapter adapter(host, *library, kLine);
    openAndListen(adapter);
    std::string sent;
    for (int i = 0; i < 450; ++i) {
        sent += static_cast<char>('A' + i % 26);
    }
    ASSERT_TRUE(sim.inject(sent));
    ASSERT_TRUE(waitReceived(450));
    const auto largest =
        std::max_element(chunks.begin(), chunks.end(),
                         [](const auto& a, const auto& b) { return a.size() < b.size(); });
    EXPECT_EQ(largest->size(), 200u) << "more than 400 bytes wait at the first notification";
    EXPECT_EQ(received(), sent);
    adapter.close();
}

TEST_F(UsbAdapterTest, BytesNeitherPrintableNorWhiteSpaceBecomeQuestionMarks) {
    UsbAdapter adapter(host, *library, kLine);
    openAndListen(adapter);
    const std::string sent("AB\0\x01\x7F\x80\xFF \t\n\v\f\r~z", 15);
    ASSERT_TRUE(sim.inject(sent));
    ASSERT_TRUE(waitReceived(sent.size()));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks.front(), std::string("AB????? \t\n\v\f\r~z"));
    adapter.close();
}

// The simulator takes its options from the environment, as the program started by a test does.
TEST_F(UsbAdapterTest, WrittenFrameIsAnsweredByTheSimulatedGyroStartedAsTheEnvironmentSays) {
    struct Row {
        const char* options;  // none: the simulator's own
        const char* identification;
    };
    const Row rows[] = {{nullptr, "000801F7.0340"},
                        {"--no-pace --product 0x0341", "000801F7.0341"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.identification);
        std::optional<ScopedEnv> options;
        if (row.options != nullptr) {
            options.emplace("VN340_SIM_OPTIONS", row.options);
        }
        chunks.clear();
        UsbAdapter adapter(host, *library, kLine);
        openAndListen(adapter);
        adapter.write("000801F7aa");
        EXPECT_EQ(sim.written(), "000801F7aa");
        ASSERT_TRUE(waitReceived(15));
        EXPECT_EQ(received().substr(0, 13), row.identification);
        adapter.close();
    }
}

TEST_F(UsbAdapterTest, ClosedAdapterIgnoresWritesAndReads) {
    UsbAdapter adapter(host, *library, kLine);
    adapter.write("x");
    EXPECT_EQ(adapter.onUsbData([this](std::string_view text) { chunks.emplace_back(text); }), 0);
    EXPECT_TRUE(chunks.empty());
    adapter.close();
    EXPECT_TRUE(host.events.empty());
}

// --- Stopping ----------------------------------------------------------------------------

TEST_F(UsbAdapterTest, CloseWhileASpecialChangeWaitsForTheGuiThreadNeverHangs) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        UsbAdapter adapter(host, *library, kLine);
        openAndListen(adapter);
        const auto before = calls;
        ASSERT_TRUE(sim.inject("pending reply"));
        // The GUI thread does not run its queue here: the thread's call stays unanswered.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (adapter.notificationsPosted() == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_GE(adapter.notificationsPosted(), 1u);
        adapter.close();
        EXPECT_FALSE(adapter.notificationThreadRunning());
        EXPECT_FALSE(sim.deviceOpen());
        // The abandoned call finds the adapter closed and does nothing.
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, before);
    }
}

TEST_F(UsbAdapterTest, CloseWhileRepliesStreamInNeverHangs) {
    std::string stream;
    for (int i = 0; i < 600; ++i) {
        stream += static_cast<char>('a' + i % 26);
    }
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        chunks.clear();
        UsbAdapter adapter(host, *library, kLine);
        openAndListen(adapter);
        ASSERT_TRUE(sim.inject(stream, 50));  // 30 ms of bytes
        for (int frame = 0; frame < 5; ++frame) {
            adapter.write("000801F7aa");
        }
        // Close at a different point of the stream each round.
        const std::size_t until = static_cast<std::size_t>(round % 8) * 60;
        if (until > 0) {
            ASSERT_TRUE(waitReceived(until));
        }
        adapter.close();
        EXPECT_FALSE(adapter.notificationThreadRunning());
        EXPECT_FALSE(sim.deviceOpen());
        QCoreApplication::processEvents();
    }
}

TEST_F(UsbAdapterTest, CloseFromWithinTheSpecialChangeHandlerNeverHangs) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        UsbAdapter adapter(host, *library, kLine);
        ASSERT_TRUE(adapter.open(true));
        adapter.setInUse(true);
        bool closedInside = false;
        ASSERT_TRUE(adapter.startNotificationThread(owner, [&] {
            adapter.onUsbData([&](std::string_view) {
                // A message loop in the consumer lets
                // the pilot choose another port.
                adapter.close();
                closedInside = true;
            });
        }));
        std::string many(450, 'x');
        ASSERT_TRUE(sim.inject(many));
        ASSERT_TRUE(QTest::qWaitFor([&] { return closedInside; }, 5000));
        EXPECT_FALSE(adapter.isOpen());
        EXPECT_FALSE(adapter.notificationThreadRunning());
        EXPECT_FALSE(sim.deviceOpen());
    }
}

TEST_F(UsbAdapterTest, CloseRightAfterStartingTheThreadWaitsForIt) {
    for (int round = 0; round < 50; ++round) {
        UsbAdapter adapter(host, *library, kLine);
        openAndListen(adapter);
        adapter.close();
        EXPECT_FALSE(adapter.notificationThreadRunning());
        EXPECT_FALSE(sim.deviceOpen());
    }
}

}  // namespace
}  // namespace vn340
