// A read of the gyro and a store with its read-back, end to end over the system's serial port:
// the program's serial port and sequence engine on one side, the gyro simulator on the other,
// and between them the system's own port calls (Win32 ones under Wine, with a COM port mapped
// to the simulator's pseudo-terminal). What is read must be what the same engine reads from a
// simulator in memory started alike.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>

#include "gyro_sim.h"
#include "link/serial_port.h"
#include "protocol/sequence_engine.h"
#include "sim_gyro.h"
#include "sim_line.h"
#include "sim_options.h"
#include "support/queued_owner_thread.h"
#include "support/scripted_pilot.h"
#include "virtual_host.h"

namespace vn340 {
namespace {

using Clock = std::chrono::steady_clock;
using testing::QueuedOwnerThread;

// The engine's host on the port: real timers, run on the test's thread between the port's
// notifications.
class PortHost final : public SequenceHost {
  public:
    explicit PortHost(SerialPort& port) : port_(port) {}

    int reads = 0;
    int stores = 0;
    int unfinished = 0;
    std::optional<GyroConfig> gyroHolds;

    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        timers_[timer] = Clock::now() + delay;
    }
    void killTimer(SequenceTimer timer) override { timers_.erase(timer); }
    void sendFrame(std::string_view frame) override { port_.sendText(frame); }
    bool adapterOpen() const override { return port_.isOpen(); }
    StatisticsAnswer offerStatistics() override { return StatisticsAnswer::Finish; }
    void sequenceEnded(const SequenceOutcome& outcome) override {
        if (outcome.kind == SequenceKind::Read && outcome.result == SequenceResult::Done) {
            ++reads;
        }
        if (outcome.kind == SequenceKind::Store && outcome.ranToItsEnd()) {
            ++stores;
            gyroHolds = outcome.gyro.config;
        }
        if (outcome.storeCutShort()) {
            ++unfinished;
        }
    }

    // Until the engine is idle or `limit` has passed: false then.
    bool run(SequenceEngine& engine, QueuedOwnerThread& owner, std::chrono::seconds limit) {
        const auto end = Clock::now() + limit;
        while (!engine.idle()) {
            auto next = end;
            for (const auto& [timer, due] : timers_) {
                next = std::min(next, due);
            }
            owner.runPostedUntil(next);
            const auto now = Clock::now();
            if (now >= end) {
                return false;
            }
            for (auto it = timers_.begin(); it != timers_.end();) {
                if (it->second > now) {
                    ++it;
                    continue;
                }
                const SequenceTimer timer = it->first;
                timers_.erase(it);
                engine.onTimer(timer);
                it = timers_.begin();  // the engine may have armed or killed any
            }
        }
        return true;
    }

  private:
    SerialPort& port_;
    std::map<SequenceTimer, Clock::time_point> timers_;
};

constexpr std::chrono::seconds kLimit(60);

class SerialGyroTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        auto found = test::simLine(&why);
        if (!found) {
            GTEST_SKIP() << why;
        }
        line = *found;
        ASSERT_TRUE(port.open(line.port, owner, [this](const ComNotification& note) {
            onComData(port, note, [this](std::string_view text) { engine.dispatchReply(text); });
        }));
        ASSERT_TRUE(port.setup(9600, 8, Parity::None, StopBits::One));
        ASSERT_TRUE(port.setupHandshaking(Handshake::Off));
    }
    void TearDown() override { port.close(); }

    // What the engine reads from a simulator in memory with the line's options.
    GyroConfig readInMemory() {
        auto parsed = parseSimOptions(splitOptionText(line.options));
        EXPECT_TRUE(std::holds_alternative<SimOptions>(parsed)) << line.options;
        GyroSimulator gyro = makeSimulator(std::get<SimOptions>(parsed));
        GyroConfig read;
        testing::VirtualHost memory;
        SequenceEngine reference{read, memory, memory, memory};
        memory.attach(reference);
        memory.setGyro(testing::simulatedGyro(gyro, memory));
        reference.startRead(StatisticsWord::LeaveOnGyro);
        memory.run();
        EXPECT_TRUE(memory.messages.empty());
        return read;
    }

    bool readOverThePort() {
        engine.startRead(StatisticsWord::LeaveOnGyro);
        return host.run(engine, owner, kLimit);
    }

    test::SimLine line;
    QueuedOwnerThread owner;
    SerialPort port;
    GyroConfig config;
    testing::ScriptedPilot pilot;
    PortHost host{port};
    SequenceEngine engine{config, host, pilot, pilot};
};

TEST_F(SerialGyroTest, ReadShowsTheGyrosValuesAndAStoreIsVerifiedByItsReadBack) {
    const GyroConfig expected = readInMemory();
    ASSERT_NE(expected.productId, 0) << "the reference read found a gyro";

    ASSERT_TRUE(readOverThePort()) << "the read did not end";
    EXPECT_EQ(pilot.messages, std::vector<std::string>{});
    EXPECT_EQ(host.reads, 1);
    EXPECT_EQ(config, expected);

    GyroConfig changed = config;
    changed.cwStopGain = config.cwStopGain > 10 ? config.cwStopGain - 10 : config.cwStopGain + 10;
    pilot.shown = changed;
    engine.startWrite();
    ASSERT_TRUE(host.run(engine, owner, kLimit)) << "the store did not end";
    EXPECT_EQ(pilot.messages, std::vector<std::string>{});
    EXPECT_EQ(host.unfinished, 0);
    ASSERT_EQ(host.stores, 1) << "the read-back found what was stored";
    EXPECT_EQ(host.gyroHolds->cwStopGain, changed.cwStopGain);

    config = GyroConfig{};
    ASSERT_TRUE(readOverThePort());
    EXPECT_EQ(config.cwStopGain, changed.cwStopGain) << "the gyro keeps what was stored";
}

}  // namespace
}  // namespace vn340
