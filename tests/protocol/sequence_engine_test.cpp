// What every sequence shares at its end: the status line stays for three seconds and is then
// cleared on its own, without showing the model again over what the pilot has typed since.

#include <gtest/gtest.h>

#include "protocol/sequence_engine.h"
#include "sim_gyro.h"

namespace vn340::testing {
namespace {

enum class Run { Read, Write, Diagnostics };

struct Row {
    const char* what;
    Run run;
    int silentFrom;  // the first frame the gyro leaves unanswered; 0: it answers them all
};

TEST(SequenceEngineTest, TheStatusLineClearsThreeSecondsAfterEveryEndAndNotBefore) {
    const std::vector<Row> rows = {
        {"read timed out", Run::Read, 8},
        {"write timed out", Run::Write, 10},
        {"diagnostics timed out", Run::Diagnostics, 3},
        {"read complete", Run::Read, 0},
        {"write complete", Run::Write, 0},
        {"diagnostics stopped", Run::Diagnostics, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GyroSimulator sim;
        sim.settings().silentFrom = row.silentFrom;
        GyroConfig config;
        loadDefaults(config);
        VirtualHost host(config);
        SequenceEngine engine(config, host);
        host.attach(engine);
        host.setGyro(simulatedGyro(sim, host));
        switch (row.run) {
            case Run::Read:
                engine.startRead();
                break;
            case Run::Write:
                engine.startWrite();
                break;
            case Run::Diagnostics:
                engine.diagnosticsCommand();
                if (row.silentFrom == 0) {
                    host.runUntil(30 * kMs);
                    engine.diagnosticsCommand();
                }
                break;
        }
        host.run();
        ASSERT_TRUE(engine.idle());
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
        EXPECT_EQ(host.statusShows, 1) << "the cleared line is shown at once";
        EXPECT_EQ(host.refreshes, refreshes) << "the other controls keep what was typed";
    }
}

}  // namespace
}  // namespace vn340::testing
