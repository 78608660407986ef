#include "protocol/compare_read.h"

#include <gtest/gtest.h>

#include <optional>

#include "sim_gyro.h"

namespace vn340::testing {
namespace {

constexpr std::uint16_t kStatisticsAddress = 0x0120;

// The frames "Read from gyro" sends to a gyro without statistics, its last one the clear.
std::vector<std::string> framesOfARead() {
    SimSession session;
    session.read();
    return session.host.frames;
}

TEST(CompareReadTest, ReadsWithTheFramesOfAReadLeavingScreenAndStatisticsAlone) {
    std::vector<std::string> expectedFrames = framesOfARead();
    ASSERT_EQ(expectedFrames.back(), "0000012002DDaa") << "a read ends clearing the word";
    expectedFrames.pop_back();

    struct Row {
        const char* name;
        std::uint16_t statistics;
        int silentFrom;
        bool completes;
    };
    const Row rows[] = {
        {"no statistics", 0, 0, true},
        {"statistics waiting", 5, 0, true},
        {"gyro falls silent", 0, 10, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        GyroSimulator sim({.silentFrom = row.silentFrom, .statistics = row.statistics});
        sim.setWord(0x0100, 1658);           // high endpoint 33
        sim.setWord(0x0118, 21 * 256 + 10);  // "JR 810G", speed "0.10"
        GyroConfig screen;
        loadDefaults(screen);
        VirtualHost host;
        GyroCompareRead read(host, host, host);
        host.attach(read.engine());
        host.setGyro(simulatedGyro(sim, host));

        read.start(screen);
        EXPECT_TRUE(read.running());
        host.run();

        EXPECT_FALSE(read.running());
        ASSERT_EQ(host.outcomes.size(), 1u);
        EXPECT_EQ(host.outcomes[0].kind, SequenceKind::CompareRead);
        std::optional<GyroConfig> delivered;
        if (host.outcomes[0].result == SequenceResult::Done) {
            delivered = host.outcomes[0].gyro.config;
        }
        EXPECT_EQ(host.refreshes + host.takes + host.offers, 0) << "the screen is left alone";
        EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
        EXPECT_EQ(sim.word(kStatisticsAddress), row.statistics) << "the word stays on the gyro";
        if (!row.completes) {
            EXPECT_FALSE(delivered);
            EXPECT_EQ(host.messages, std::vector<std::string>{
                                         std::string(sequence_text::kCommunicationFailure) +
                                         "\n\n" + std::string(sequence_text::kReadUnfinished)});
            continue;
        }
        EXPECT_EQ(host.frames, expectedFrames);
        EXPECT_TRUE(host.messages.empty());
        ASSERT_TRUE(delivered);
        EXPECT_EQ(delivered->highEndpoint, 33);
        EXPECT_EQ(delivered->servoModel, 23) << "\"JR 810G\"";
        EXPECT_EQ(delivered->servoSpeed, 9) << "\"0.10\"";
        EXPECT_EQ(delivered->statisticsWord, row.statistics);
        EXPECT_EQ(delivered->userComments, screen.userComments);
        EXPECT_EQ(host.status, "Read complete");
    }
}

}  // namespace
}  // namespace vn340::testing
