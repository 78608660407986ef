// What every sequence shares at its end: the status line stays for three seconds and is then
// cleared on its own, without showing the model again over what the pilot has typed since.

#include <gtest/gtest.h>

#include "protocol/sequence_engine.h"
#include "sim_gyro.h"

namespace vn340::testing {
namespace {

using Sequence = SimSession::Sequence;

struct Row {
    const char* what;
    Sequence run;
    int silentFrom;  // the first frame the gyro leaves unanswered; 0: it answers them all
};

// One sequence of the row against the simulator, run until it has ended (or only started).
struct Rig : SimSession {
    explicit Rig(const Row& row, bool adapterOpen = true, bool runToTheEnd = true)
        : SimSession({.silentFrom = row.silentFrom}) {
        host.adapterIsOpen = adapterOpen;
        start(row.run);
        if (row.run == Sequence::Diagnostics && row.silentFrom == 0) {
            host.runUntil(30 * kMs);
            engine.diagnosticsCommand();
        }
        if (runToTheEnd) {
            host.run();
        }
    }
};

const std::vector<Row> kEnds = {
    {"read timed out", Sequence::Read, 8},
    {"write timed out", Sequence::Write, 10},
    {"diagnostics timed out", Sequence::Diagnostics, 3},
    {"read complete", Sequence::Read, 0},
    {"write complete", Sequence::Write, 0},
    {"diagnostics stopped", Sequence::Diagnostics, 0},
};

TEST(SequenceEngineTest, TheStatusLineClearsThreeSecondsAfterEveryEndAndNotBefore) {
    for (const Row& row : kEnds) {
        SCOPED_TRACE(row.what);
        Rig rig(row);
        VirtualHost& host = rig.host;
        ASSERT_TRUE(rig.engine.idle());
        ASSERT_EQ(host.messages.size(), row.silentFrom == 0 ? 0u : 1u);
        const std::string shown = host.status;
        ASSERT_FALSE(shown.empty());
        // The sequence ended at the last event run.
        const Micros ended = host.now();
        const int refreshes = host.refreshes;

        host.runUntil(ended + 2999 * kMs);
        EXPECT_EQ(host.status, shown) << "cleared too early";
        host.runUntil(ended + 3000 * kMs);
        EXPECT_EQ(host.status, "");
        EXPECT_EQ(host.refreshes, refreshes) << "the other controls keep what was typed";
    }
}

// The two gyro buttons are among the controls a sequence switches off, but between sequences
// they stand for an open port, however the sequence ended.
TEST(SequenceEngineTest, AfterEveryEndTheGyroButtonsFollowThePort) {
    for (const bool open : {true, false}) {
        for (const Row& row : kEnds) {
            SCOPED_TRACE(std::string(row.what) + (open ? ", port open" : ", no port open"));
            Rig rig(row, open);
            ASSERT_TRUE(rig.engine.idle());
            EXPECT_TRUE(rig.host.controlsOn);
            EXPECT_EQ(rig.host.gyroButtonsOn, open);
        }
    }
}

// The adapter pulled out while a sequence runs: the sequence ends as its time-out would end
// it, only at once. The same sequence runs twice against a gyro that falls silent: once to
// its time-out, once losing the adapter when the silent frame goes out, or just before.
TEST(SequenceEngineTest, LosingTheAdapterEndsTheSequenceAsItsTimeOutWouldAtOnce) {
    const Row rows[] = {
        {"read", Sequence::Read, 8},
        {"write", Sequence::Write, 10},
        {"diagnostics", Sequence::Diagnostics, 3},
    };
    for (const Row& row : rows) {
        for (const bool beforeTheFrame : {false, true}) {
            SCOPED_TRACE(std::string(row.what) +
                         (beforeTheFrame ? ", between two frames" : ", waiting for a reply"));
            // The link closes the port before it says the adapter is gone.
            Rig timedOut(row, false);
            ASSERT_EQ(timedOut.host.messages.size(), 1u);
            const Micros silentSent = timedOut.host.frameTimes.back();

            Rig lost(row, false, false);
            const Micros when = beforeTheFrame ? silentSent - 1 : silentSent;
            lost.host.runUntil(when);
            EXPECT_TRUE(lost.engine.adapterLost());
            EXPECT_TRUE(lost.engine.idle());
            EXPECT_EQ(lost.host.messageTimes, std::vector<Micros>{when}) << "at once";
            lost.host.run();

            EXPECT_EQ(lost.host.messages, timedOut.host.messages);
            EXPECT_EQ(lost.host.frames.size(),
                      timedOut.host.frames.size() - (beforeTheFrame ? 1 : 0));
            EXPECT_EQ(lost.host.controlsEnabled, timedOut.host.controlsEnabled);
            EXPECT_EQ(lost.host.gyroButtonsEnabled, timedOut.host.gyroButtonsEnabled);
            EXPECT_EQ(lost.host.diagnosticsShown, timedOut.host.diagnosticsShown);
            lost.host.runUntil(when + 3000 * kMs);
            EXPECT_EQ(lost.host.status, "") << "the status line clears as after a time-out";

            EXPECT_FALSE(lost.engine.adapterLost()) << "nothing left to end";
            EXPECT_EQ(lost.host.messages.size(), 1u);
        }
    }
}

}  // namespace
}  // namespace vn340::testing
