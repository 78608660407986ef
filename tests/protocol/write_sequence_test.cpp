#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/frames.h"
#include "protocol/sequence_engine.h"
#include "sim_gyro.h"
#include "support/gyro_config_print.h"

namespace vn340::testing {
namespace {

GyroConfig pilotsConfiguration() {
    GyroConfig config;
    loadDefaults(config);
    config.highEndpoint = 120;
    config.lowEndpoint = 45;
    config.cwStopGain = 180;
    config.ccwStopGain = 55;
    config.stickDeadband = 20;
    config.avcsExpo = -75;
    config.rateExpo = 30;
    config.accelProfile = 4;
    config.decelProfile = 11;
    config.avcsSensitivity = 140;
    config.midpointTrim = -37;
    config.servoModel = 9;  // "Futaba BLS251", code 24
    applyServoSelection(config);
    config.servoSpeed = 6;  // "0.07", chosen by hand after the servo
    config.direction = Direction::Reverse;
    return config;
}

TEST(WriteSequenceTest, LeavesTheGyroHoldingTheConfigurationOnScreen) {
    GyroSimulator sim;
    SimSession writer(sim);
    writer.config = pilotsConfiguration();
    writer.write();
    ASSERT_TRUE(writer.host.messages.empty()) << writer.host.messages.front();
    EXPECT_EQ(writer.host.status, "Write complete");
    EXPECT_EQ(writer.host.takes, 1) << "the edits are taken into the model once, at the start";

    // What the gyro now holds reads back as what was on screen.
    SimSession reader(sim);
    reader.read();
    GyroConfig expected = writer.config;
    expected.servoImpliedType = reader.config.servoImpliedType;  // no servo was chosen there
    EXPECT_EQ(reader.config, expected);
    EXPECT_EQ(reader.config.servoType, 1) << "\"760usec/560Hz\"";
    EXPECT_EQ(sim.word(0x0118), 24 * 256 + 7);
}

TEST(WriteSequenceTest, SendsTheExactWriteFrames) {
    SimSession session;
    session.write();
    const std::vector<std::string>& frames = session.host.frames;
    const std::vector<std::string> identification = {
        "000801F7aa", "000001FFaa", "000601F9aa", "000A01F5aa",
        "000C01F3aa", "000401FBaa", "011E01E0aa",
    };
    ASSERT_EQ(frames.size(), identification.size() + 15 + 17);
    EXPECT_TRUE(std::equal(identification.begin(), identification.end(), frames.begin()));
    // Then every parameter word is read back with the very frames of a read.
    for (int n = 0; n < 17; ++n) {
        EXPECT_EQ(frames[static_cast<std::size_t>(22 + n)], parameterReadFrame(n));
    }
    EXPECT_EQ(frames[7], "079401000262aa") << "high endpoint 100";
    EXPECT_EQ(frames[8], "044C010202ABaa") << "low endpoint 100";

    // Each profile goes to both of its addresses with the same value.
    const std::vector<WriteRecord>& writes = session.sim.writesApplied();
    auto valueAt = [&](std::uint16_t address) {
        auto found = std::find_if(writes.begin(), writes.end(),
                                  [&](const WriteRecord& w) { return w.address == address; });
        return found == writes.end() ? -1 : found->value;
    };
    EXPECT_EQ(valueAt(0x010E), 0) << "acceleration slider at 15";
    EXPECT_EQ(valueAt(0x0112), 0);
    EXPECT_EQ(valueAt(0x0110), 0);
    EXPECT_EQ(valueAt(0x0114), 0);
    EXPECT_EQ(valueAt(0x011A), -1) << "the unused word is not written";
    EXPECT_EQ(writes.size(), 15u);
}

TEST(WriteSequenceTest, KeepsTheFlagBitsItDoesNotOwn) {
    SimSession session;
    session.sim.setWord(0x011E, 0x2345);
    session.config.servoType = 1;
    session.config.direction = Direction::Normal;
    session.write();
    EXPECT_EQ(session.sim.word(0x011E), 0x2945);
    EXPECT_EQ(session.config.servoFlags, 0x2945) << "the new word is kept";
    EXPECT_EQ(session.host.frames[21], "2945011E0271aa");
}

TEST(WriteSequenceTest, StatusTextsFollowTheSteps) {
    SimSession session;
    session.write();
    const std::vector<std::string> statuses = {
        "Initiating write",
        "Initiating write",
        "Write high endpoint",
        "Write low endpoint",
        "Write clockwise stop gain",
        "Write counter clockwise stop gain",
        "Write rudder stick deadband",
        "Write AVCS rudder exponencial",
        "Write rate rudder exponencial",
        "Write acceleration profile",
        "Write deceleration profile",
        "Write AVCS rudder sensitivity",
        "Write servo data",
        "Write midpoint trim",
        "Write servo data",
        "Verifying\u2026",
        "Write complete",
    };
    EXPECT_EQ(session.host.statuses, statuses);
    EXPECT_EQ(session.config.firmwareVersion, "1.11") << "identification read on the way";
}

TEST(WriteSequenceTest, FailuresBeforeTheFirstWriteWriteNothing) {
    struct Row {
        const char* what;
        SimSettings settings;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"another product", {.productId = 0x0123}, sequence_text::unknownDevice(0x0123)},
        {"another memory map", {.memoryMapVersion = 4}, sequence_text::unsupportedMemoryMap(4)},
    };
    const std::string notBegun = "\n\n" + std::string(sequence_text::kStoreNotBegun);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimSession session(row.settings);
        session.write();
        EXPECT_EQ(session.host.messages, std::vector<std::string>{row.message + notBegun});
        EXPECT_TRUE(session.sim.writesApplied().empty());
        EXPECT_EQ(session.host.writesUnfinished, 0) << "nothing to keep: the gyro is untouched";
        EXPECT_TRUE(session.engine.idle());
        EXPECT_EQ(session.host.controlsEnabled.back(), true);
    }
}

// A worn cell acknowledges its word and keeps the old one: the read-back catches it, the pilot
// is told in the window's words, and what the gyro holds is what the program is told of.
TEST(WriteSequenceTest, AWordTheGyroDidNotKeepIsFoundByReadingItBack) {
    SimSession session(SimSettings{.stuckAddress = 0x0100});  // the high endpoint
    session.sim.setWord(0x0100, 2024);                        // 120 percent
    session.config = pilotsConfiguration();
    session.config.highEndpoint = 133;
    session.write();

    ASSERT_EQ(session.host.messages.size(), 1u);
    const std::string& message = session.host.messages[0];
    EXPECT_NE(message.find("\nHigh endpoint: stored 133, the gyro holds 120\n"), std::string::npos)
        << message;
    EXPECT_EQ(message.find("Low endpoint"), std::string::npos) << "only what differs";
    EXPECT_NE(message.find("store again"), std::string::npos);
    EXPECT_EQ(session.host.status, sequence_text::kStoreNotVerified);
    EXPECT_EQ(session.host.writeCompletes, 1);
    ASSERT_TRUE(session.host.gyroHolds);
    EXPECT_EQ(session.host.gyroHolds->highEndpoint, 120);
    EXPECT_EQ(session.host.gyroHolds->lowEndpoint, 45);
    EXPECT_EQ(session.config.highEndpoint, 133) << "the screen keeps what the pilot wants";
    EXPECT_TRUE(session.engine.idle());
}

}  // namespace
}  // namespace vn340::testing
