#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/sequence_engine.h"
#include "sim_gyro.h"

namespace vn340::testing {
namespace {

class DiagnosticsTest : public ::testing::Test, public SimSession {
  protected:
    long starFrames() const { return std::count(host.frames.begin(), host.frames.end(), "*"); }
};

TEST_F(DiagnosticsTest, ShowsTheLiveSignalsWithTheGainInPercent) {
    struct Row {
        LiveSignals signals;
        std::string status;
    };
    const std::vector<Row> rows = {
        {{512, 1500, 2020}, "Gyro = 0512, Rudder = 1500, Gain = 2020 (100%)"},
        {{1520, 1520, 1020}, "Gyro = 1520, Rudder = 1520, Gain = 1020 (100%)"},
        {{1520, 1100, 1523}, "Gyro = 1520, Rudder = 1100, Gain = 1523 (00%)"},
        {{7, 12345, 1600}, "Gyro = 0007, Rudder = 12345, Gain = 1600 (16%)"},
    };
    engine.diagnosticsCommand();
    host.runUntil(10 * kMs);
    EXPECT_EQ(host.statuses.front(), "Initiating Gain and Rudder read");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        sim.setLiveSignals(row.signals);
        host.runUntil(host.now() + 60 * kMs);  // one round and its pause
        EXPECT_EQ(host.status, row.status);
    }
    EXPECT_TRUE(engine.diagnosticsRunning());
    EXPECT_EQ(host.diagnosticsShown, std::vector<bool>{true});
    EXPECT_EQ(std::count(host.frames.begin(), host.frames.end(), "000801F7aa"), 1)
        << "the gyro is identified once per start";
}

TEST_F(DiagnosticsTest, RoundsArePacedByTheFiftyMillisecondPause) {
    engine.diagnosticsCommand();
    host.runUntil(1000 * kMs);
    // Each round: "*", a millisecond later "03FDaa", then the 50 ms pause.
    std::vector<Micros> starTimes;
    for (std::size_t i = 0; i < host.frames.size(); ++i) {
        if (host.frames[i] == "*") {
            starTimes.push_back(host.frameTimes[i]);
        }
    }
    ASSERT_GE(starTimes.size(), 10u);
    for (std::size_t i = 1; i < starTimes.size(); ++i) {
        EXPECT_EQ(starTimes[i] - starTimes[i - 1], 51 * kMs) << "round " << i;
    }
}

TEST_F(DiagnosticsTest, StopDuringThePauseLetsOneMoreRoundRun) {
    engine.diagnosticsCommand();
    host.runUntil(30 * kMs);  // inside the first pause
    ASSERT_EQ(engine.sequenceState(), SequenceState::DiagSendGyroSignal);
    const long roundsBefore = starFrames();
    engine.diagnosticsCommand();
    EXPECT_FALSE(engine.diagnosticsRunning());
    EXPECT_EQ(host.diagnosticsShown, (std::vector<bool>{true, false}));
    EXPECT_FALSE(engine.idle()) << "the round in progress finishes first";
    host.run();
    EXPECT_EQ(starFrames(), roundsBefore + 1);
    EXPECT_TRUE(engine.idle());
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_TRUE(host.timerArmed(SequenceTimer::StatusClear));
}

TEST_F(DiagnosticsTest, TimeOutEndsDiagnosticsAndResetsTheMenu) {
    sim.settings().silentFrom = 6;
    engine.diagnosticsCommand();
    host.run();
    ASSERT_EQ(host.frames.size(), 6u);
    EXPECT_EQ(host.messages,
              std::vector<std::string>{std::string(sequence_text::kCommunicationFailure)});
    EXPECT_EQ(host.messageTimes[0] - host.frameTimes.back(), 2000 * kMs);
    EXPECT_FALSE(engine.diagnosticsRunning());
    EXPECT_EQ(host.diagnosticsShown, (std::vector<bool>{true, false}));
}

TEST_F(DiagnosticsTest, UnknownDeviceEndsDiagnostics) {
    sim.setWord(0x0008, 0x0777);
    engine.diagnosticsCommand();
    host.run();
    EXPECT_EQ(host.messages, std::vector<std::string>{sequence_text::unknownDevice(0x0777)});
    EXPECT_FALSE(engine.diagnosticsRunning());
    EXPECT_EQ(host.diagnosticsShown, (std::vector<bool>{true, false}));
    EXPECT_TRUE(engine.idle());
}

// A gyro may send the "*" ahead of its digits, and a slow line brings them one by one; every
// round must still read its own reply, not the tail of the one before.
TEST_F(DiagnosticsTest, AStarAheadOfItsDigitsArrivingInPiecesIsReadWhole) {
    sim.settings().starFirst = true;
    sim.settings().splitSize = 1;
    engine.diagnosticsCommand();
    const struct {
        std::uint16_t gyro;
        std::string shown;
    } rounds[] = {{900, "Gyro = 0900"}, {1200, "Gyro = 1200"}, {77, "Gyro = 0077"}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.shown);
        sim.setLiveSignals({round.gyro, 1500, 2020});
        host.runUntil(host.now() + 200 * kMs);
        EXPECT_EQ(engine.gyroSignal(), round.gyro);
        EXPECT_EQ(host.status.substr(0, round.shown.size()), round.shown);
    }
    EXPECT_TRUE(host.messages.empty());
}

// A store cut short leaves the gyro with some new and some old settings: nothing but the end of
// a read or a store, its time-out or the adapter going may end it.
TEST_F(DiagnosticsTest, TheCommandDoesNothingWhileAReadOrAStoreRuns) {
    const struct {
        const char* what;
        bool write;
        std::size_t frame;  // the command comes once this frame has gone out
    } rows[] = {
        {"read", false, 3},
        {"store, writing", true, 12},
        {"store, reading back", true, 30},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SimSession run;
        run.start(row.write ? Sequence::Write : Sequence::Read);
        while (run.host.frames.size() < row.frame) {
            run.host.runUntil(run.host.now() + kMs);
        }
        const SequenceState state = run.engine.sequenceState();
        ASSERT_NE(state, SequenceState::Idle);
        EXPECT_EQ(run.host.status == "Verifying\u2026", row.frame == 30);
        run.engine.diagnosticsCommand();
        EXPECT_EQ(run.engine.sequenceState(), state);
        EXPECT_FALSE(run.engine.diagnosticsRunning());
        run.host.run();
        EXPECT_TRUE(run.host.messages.empty());
        EXPECT_TRUE(run.host.diagnosticsShown.empty());
        EXPECT_EQ(run.host.readCompletes + run.host.writeCompletes, 1);
        EXPECT_EQ(run.sim.writesApplied().size(), row.write ? 15u : 1u) << "1: the statistics word";
    }
}

// The last round after "Stop diagnostics" finishes as it was asked to; a second command then
// does not start a round of its own in the middle of it.
TEST_F(DiagnosticsTest, StartingAgainDuringTheLastRoundWaitsForItsEnd) {
    engine.diagnosticsCommand();
    host.runUntil(30 * kMs);
    engine.diagnosticsCommand();  // stop
    engine.diagnosticsCommand();  // and at once start again
    EXPECT_FALSE(engine.diagnosticsRunning());
    host.run();
    EXPECT_TRUE(engine.idle());
    EXPECT_EQ(host.diagnosticsShown, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace vn340::testing
