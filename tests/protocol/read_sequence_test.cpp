#include <gtest/gtest.h>

#include <algorithm>

#include "protocol/frames.h"
#include "protocol/sequence_engine.h"
#include "sim_gyro.h"

namespace vn340::testing {
namespace {

class ReadSequenceTest : public ::testing::Test, public SimSession {};

TEST_F(ReadSequenceTest, PutsEveryValueOfTheGyroOnScreen) {
    sim.setWord(0x0006, 0x0109);  // firmware 1.09
    sim.setWord(0x0004, 0x0203);  // loader 2.03
    sim.setWord(0x000A, 0x1234);
    sim.setWord(0x000C, 0x0002);  // serial 0x21234
    sim.setWord(0x0100, 1658);    // high endpoint: 138 * 0.238 = 32.857 rounds up to 33
    sim.setWord(0x0102, 1205);    // low endpoint: -315 * 0.238 * -1 = 75
    sim.setWord(0x0104, 150);
    sim.setWord(0x0106, 60);
    sim.setWord(0x0108, 12);
    sim.setWord(0x010A, 0x0019);  // AVCS exponential 25
    sim.setWord(0x010C, 0xFF9C);  // rate exponential -100
    sim.setWord(0x010E, 3);       // acceleration slider 15 - 3
    sim.setWord(0x0110, 15);      // deceleration slider 0
    sim.setWord(0x0112, 7);       // second copies: read and ignored
    sim.setWord(0x0114, 7);
    sim.setWord(0x0116, 120);
    sim.setWord(0x0118, 21 * 256 + 10);  // "JR 810G", speed "0.10"
    sim.setWord(0x011C, 0xFFF6);         // midpoint trim -10
    sim.setWord(0x011E, 0x0B00);         // bits 8 and 11: "760usec/560Hz"; bit 9: Reverse

    read();

    EXPECT_TRUE(engine.idle());
    EXPECT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(config.productId, 0x0340);
    EXPECT_EQ(config.memoryMapVersion, 3);
    EXPECT_EQ(config.firmwareVersion, "1.09");
    EXPECT_EQ(config.firmwareNumber, 109);
    EXPECT_EQ(config.loaderVersion, "2.03");
    EXPECT_EQ(config.serialNumber, "135732");
    EXPECT_EQ(config.highEndpoint, 33);
    EXPECT_EQ(config.lowEndpoint, 75);
    EXPECT_EQ(config.cwStopGain, 150);
    EXPECT_EQ(config.ccwStopGain, 60);
    EXPECT_EQ(config.stickDeadband, 12);
    EXPECT_EQ(config.avcsExpo, 25);
    EXPECT_EQ(config.rateExpo, -100);
    EXPECT_EQ(config.accelProfile, 12);
    EXPECT_EQ(config.decelProfile, 0);
    EXPECT_EQ(config.avcsSensitivity, 120);
    EXPECT_EQ(config.midpointTrim, -10);
    EXPECT_EQ(config.servoModel, 23) << "the row of \"JR 810G\"";
    EXPECT_EQ(config.servoSpeed, 9) << "\"0.10\"";
    EXPECT_EQ(config.servoType, 1) << "from the flags, not from the servo row";
    EXPECT_EQ(config.direction, Direction::Reverse);
    EXPECT_EQ(config.statisticsWord, 0);
    EXPECT_TRUE(engine.flagBits().bit8);
    EXPECT_FALSE(engine.flagBits().bit10);
    EXPECT_TRUE(engine.flagBits().bit11);
    EXPECT_FALSE(engine.flagBits().bit12);
    EXPECT_EQ(host.status, "Read complete");
    EXPECT_EQ(host.controlsEnabled, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.gyroButtonsEnabled, std::vector<bool>{false});
}

TEST_F(ReadSequenceTest, SendsTheFramesInOrderAndClearsTheStatisticsWord) {
    read();
    const std::vector<std::string> expected = {
        "000801F7aa", "000001FFaa", "000601F9aa", "000A01F5aa", "000C01F3aa", "000401FBaa",
        "010001FEaa", "010201FCaa", "010401FAaa", "010601F8aa", "010801F6aa", "010A01F4aa",
        "010C01F2aa", "010E01F0aa", "011001EEaa", "011201ECaa", "011401EAaa", "011601E8aa",
        "011801E6aa", "011A01E4aa", "011C01E2aa", "011E01E0aa", "012001DEaa", "0000012002DDaa",
    };
    EXPECT_EQ(host.frames, expected);
    EXPECT_EQ(host.offers, 0) << "a statistics word of 0 offers nothing";
    const std::vector<std::string> statuses = {
        "Initiating read",
        "Initiating read",
        "Read high endpoint",
        "Read low endpoint",
        "Read clockwise stop gain",
        "Read counter clockwise stop gain",
        "Read rudder stick deadband",
        "Read AVCS exponencial",
        "Read rate rudder exponencial",
        "Read acceleration profile",
        "Read deceleration profile",
        "Read AVCS rudder sensitivity",
        "Read servo data",
        "Read midpoint trim",
        "Read complete",
    };
    EXPECT_EQ(host.statuses, statuses);
    EXPECT_TRUE(host.timerArmed(SequenceTimer::StatusClear));
    host.runUntil(host.now() + micros(kStatusClearDelay));
    EXPECT_EQ(host.status, "") << "the status line clears after 3 seconds";
}

TEST_F(ReadSequenceTest, FirmwareTextComesFromTheFirmwareNumber) {
    // The read shows number / 100 and number mod 100, so a low byte above 99 carries; the
    // write's identification shows the two bytes as they are.
    sim.setWord(0x0006, 0x01FF);
    read();
    EXPECT_EQ(config.firmwareNumber, 355);
    EXPECT_EQ(config.firmwareVersion, "3.55");

    write();
    ASSERT_TRUE(host.messages.empty()) << host.messages.front();
    EXPECT_EQ(config.firmwareNumber, 355);
    EXPECT_EQ(config.firmwareVersion, "1.255");
}

TEST_F(ReadSequenceTest, StatisticsOfferDecidesWhetherTheWordIsCleared) {
    struct Row {
        const char* what;
        std::vector<StatisticsAnswer> answers;
        int offers;
        bool cleared;
    };
    const std::vector<Row> rows = {
        {"accepted", {StatisticsAnswer::ClearWord}, 1, true},
        {"skipped", {StatisticsAnswer::Finish}, 1, false},
        {"offered again, then accepted",
         {StatisticsAnswer::OfferAgain, StatisticsAnswer::ClearWord},
         2,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimSession run(SimSettings{.statistics = 5});
        run.host.setStatisticsAnswers(row.answers);
        run.read();
        EXPECT_EQ(run.host.offers, row.offers);
        EXPECT_EQ(run.config.statisticsWord, 5);
        EXPECT_EQ(run.sim.word(0x0120), row.cleared ? 0 : 5);
        EXPECT_EQ(run.host.frames.back() == "0000012002DDaa", row.cleared);
        EXPECT_EQ(run.host.status, "Read complete");
        EXPECT_TRUE(run.engine.idle());
    }
}

TEST_F(ReadSequenceTest, AReplyInManyPiecesIsDecodedOnce) {
    sim.settings().splitSize = 1;
    sim.setWord(0x0100, 1940);
    read();
    EXPECT_EQ(config.highEndpoint, 100);
    EXPECT_EQ(host.status, "Read complete");
    EXPECT_EQ(host.frames.size(), 24u) << "no frame sent twice";
}

// Characters ahead of every reply are line noise, not a gyro with other firmware: the read
// finds each reply behind them and ends as a read without them ends. A character at a time,
// the rest of a reply used to be taken into the next one, and "BDXYZ000001FF.0" read as map
// version 511 sent the pilot off to update the gyro.
TEST(ReadSequenceNoiseTest, NoiseAheadOfEveryReplyReadsWhatAQuietLineReads) {
    struct Row {
        const char* what;
        SimSettings settings;
    };
    const std::vector<Row> rows = {
        {"letters, each reply in one piece", {.noiseBefore = "XYZ"}},
        {"letters, a character at a time", {.splitSize = 1, .pieceGap = {}, .noiseBefore = "XYZ"}},
        {"letters at 9600 baud", {.pace = true, .splitSize = 1, .noiseBefore = "XYZ"}},
        {"zero bytes, a character at a time",
         {.splitSize = 1, .pieceGap = {}, .zeroBytesBefore = 3}},
        {"a dot and hex digits, a character at a time",
         {.splitSize = 1, .pieceGap = {}, .noiseBefore = "B.0"}},
    };
    const auto setWords = [](GyroSimulator& gyro) {
        gyro.setWord(0x0006, 0x0109);
        gyro.setWord(0x0100, 1658);
        gyro.setWord(0x010E, 3);
        gyro.setWord(0x0118, 21 * 256 + 10);
        gyro.setWord(0x011E, 0x0B00);
    };
    SimSession quiet;
    setWords(quiet.sim);
    quiet.read();
    ASSERT_EQ(quiet.host.status, "Read complete");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SimSession noisy(row.settings);
        setWords(noisy.sim);
        noisy.read();
        EXPECT_TRUE(noisy.engine.idle());
        EXPECT_TRUE(noisy.host.messages.empty()) << noisy.host.messages.front();
        EXPECT_EQ(noisy.host.status, "Read complete");
        EXPECT_EQ(noisy.host.frames, quiet.host.frames);
        EXPECT_EQ(noisy.config, quiet.config);
    }
}

TEST_F(ReadSequenceTest, IdentificationFailuresEndTheReadWithTheirMessage) {
    struct Row {
        const char* what;
        std::uint16_t productId;
        std::uint16_t mapVersion;
        std::string message;
        std::size_t frames;
    };
    const std::vector<Row> rows = {
        {"another product", 0x0341, 3,
         "Unknown device with Product ID 0341.\n\nThis computer program is not designed to "
         "interface with your product.",
         1},
        {"another memory map", 0x0340, 2,
         "Your gyro firmware uses configuration format R2 but this program supports R3 "
         "only.\n\nPlease update your gyro with the latest firmware and download the latest "
         "version of this program.\n\nBoth are available on the Tarvel RC website.",
         2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SimSession run(SimSettings{.productId = row.productId, .memoryMapVersion = row.mapVersion});
        run.read();
        EXPECT_EQ(run.host.messages,
                  std::vector<std::string>{row.message + "\n\n" +
                                           std::string(sequence_text::kReadUnfinished)});
        EXPECT_EQ(run.host.frames.size(), row.frames);
        EXPECT_EQ(run.host.status, "") << "the status line is cleared";
        EXPECT_EQ(run.host.controlsEnabled.back(), true);
        EXPECT_TRUE(run.engine.idle());
        EXPECT_FALSE(run.host.timerArmed(SequenceTimer::Timeout));
    }
}

TEST_F(ReadSequenceTest, AReadThatEndsEarlyPutsBackTheScreenItStartedFrom) {
    sim.setWord(0x0100, 1658);  // 33 percent
    sim.setWord(0x000A, 0x1234);
    sim.settings().silentFrom = 8;  // the second parameter read
    config.highEndpoint = 120;
    config.serialNumber = "4711";
    const GyroConfig before = config;
    const int refreshesBefore = host.refreshes;
    read();
    ASSERT_EQ(host.frames.size(), 8u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], std::string(sequence_text::kCommunicationFailure) + "\n\n" +
                                    std::string(sequence_text::kReadUnfinished));
    EXPECT_EQ(host.messageTimes[0] - host.frameTimes.back(), 2000 * kMs);
    EXPECT_EQ(config, before) << "neither the high endpoint nor the serial number stay";
    EXPECT_GT(host.refreshes, refreshesBefore);
    EXPECT_TRUE(engine.idle());
    EXPECT_EQ(host.controlsEnabled.back(), true);
    EXPECT_EQ(host.readCompletes, 0);
}

// A serial number is made of the low and the high half of one reading: a damaged low half
// leaves the number as it was, and the next good reading is whole again.
TEST_F(ReadSequenceTest, ADamagedSerialNumberHalfNeverMixesTwoReadings) {
    sim.setWord(0x000A, 0x1234);
    sim.setWord(0x000C, 0x0002);
    read();
    ASSERT_EQ(config.serialNumber, "135732");

    sim.setWord(0x000A, 0x0001);  // another gyro: 0x00030001
    sim.setWord(0x000C, 0x0003);
    sim.settings().corruptReply = sim.repliesSent() + 4;  // its low half
    read();
    EXPECT_EQ(config.serialNumber, "135732") << "not 0x1234 + 3 * 65536";

    sim.settings().corruptReply = 0;
    read();
    EXPECT_EQ(config.serialNumber, "196609");
    EXPECT_TRUE(host.messages.empty());
}

// Stray text right after the last parameter can run the hand-over before the step timer does;
// while the pilot is in the offer, that timer must not finish the read behind its back.
TEST_F(ReadSequenceTest, StrayTextAtTheStatisticsOfferFinishesTheReadOnce) {
    sim.setWord(0x0120, 0x0005);
    host.setGyro([this](std::string_view frame) {
        auto pieces = simulatedGyro(sim, host)(frame);
        if (frame == parameterReadFrame(16) && !pieces.empty()) {
            pieces.emplace_back(pieces.back().first + 100, "~");  // before the 1 ms step
        }
        return pieces;
    });
    host.setOnOffer([this] { host.runUntil(host.now() + 500 * kMs); });
    host.setStatisticsAnswers({StatisticsAnswer::ClearWord});
    read();
    EXPECT_EQ(host.offers, 1);
    EXPECT_EQ(host.readCompletes, 1);
    EXPECT_EQ(std::count(host.statuses.begin(), host.statuses.end(), "Read complete"), 1);
    EXPECT_EQ(sim.word(0x0120), 0) << "the word is cleared after the read was accepted";
}

TEST_F(ReadSequenceTest, TextArrivingWhileIdleIsDropped) {
    engine.dispatchReply("000801F7.0340BC");
    EXPECT_TRUE(engine.replyBuffer().empty());
    EXPECT_TRUE(host.frames.empty());
}

}  // namespace
}  // namespace vn340::testing
