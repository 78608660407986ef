#include "gyro_sim.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "protocol/frames.h"

namespace vn340 {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

std::string answer(GyroSimulator& sim, std::string_view frame) {
    sim.feed(frame);
    return sim.takeAllText();
}

// The word of a reply to a read, as the program decodes it.
WordReply wordOf(std::string_view reply) {
    return decodeWordReply(dropLeading(reply, kWordReplyLeading));
}

TEST(GyroSim, AnswersIdentificationAndParameterReadsSoTheyDecode) {
    struct Row {
        std::string frame;
        bool (*complete)(std::string_view);
        std::uint16_t expected;  // the factory word
    };
    std::vector<Row> rows = {
        {std::string(kReadProductIdFrame), identificationReplyComplete, 0x0340},
        {std::string(kReadMemoryMapVersionFrame), identificationReplyComplete, 3},
        {std::string(kReadFirmwareVersionFrame), identificationReplyComplete, 0x010B},
        {std::string(kReadSerialLowFrame), identificationReplyComplete, 0x1234},
        {std::string(kReadSerialHighFrame), identificationReplyComplete, 0x0001},
        {std::string(kReadLoaderVersionFrame), identificationReplyComplete, 0x0109},
    };
    // The factory memory: endpoints 100 %, gains 100, deadband 5, exponentials -50, ...
    const std::uint16_t parameters[] = {1940, 1100, 100, 100,    5, 0xFFCE, 0xFFCE, 0, 0,
                                        0,    0,    100, 0x0005, 0, 0,      0,      0};
    for (int n = 0; n < kParameterCount; ++n) {
        rows.push_back({parameterReadFrame(n), parameterReplyComplete,
                        parameters[static_cast<std::size_t>(n)]});
    }
    GyroSimulator sim;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.frame);
        const std::string reply = answer(sim, row.frame);
        EXPECT_TRUE(row.complete(reply));
        // Complete only when the last character is in: nothing spills into the next reply.
        EXPECT_FALSE(row.complete(reply.substr(0, reply.size() - 1)));
        EXPECT_TRUE(wordOf(reply).passed);
        EXPECT_EQ(wordOf(reply).value, row.expected);
    }
    EXPECT_TRUE(wordOf(answer(sim, kReadServoFlagsFrame)).passed);
}

TEST(GyroSim, AppliesWritesAndAcknowledgesThem) {
    GyroSimulator sim(SimSettings{.statistics = 5});
    const std::string ack = answer(sim, writeFrame(0x0104, 77));
    EXPECT_TRUE(writeAckComplete(ack));
    EXPECT_FALSE(writeAckComplete(ack.substr(0, ack.size() - 1)));
    EXPECT_EQ(sim.word(0x0104), 77);
    EXPECT_EQ(sim.word(kAddrStatistics), 5);
    EXPECT_TRUE(writeAckComplete(answer(sim, kClearStatisticsFrame)));
    EXPECT_EQ(sim.word(kAddrStatistics), 0);
    const std::vector<WriteRecord> expected = {{0x0104, 77}, {kAddrStatistics, 0}};
    EXPECT_EQ(sim.writesApplied(), expected);
    EXPECT_EQ(wordOf(answer(sim, parameterReadFrame(2))).value, 77);
}

TEST(GyroSim, AnswersTheLiveSignals) {
    GyroSimulator sim;
    sim.setLiveSignals({512, 1480, 2020});
    const std::string live = answer(sim, kLiveSignalsFrame);
    ASSERT_TRUE(liveSignalsReplyComplete(live));
    const PairReply pair = decodePairReply(dropLeading(live, kLiveSignalsLeading));
    EXPECT_TRUE(pair.passed);
    EXPECT_EQ(pair.first, 1480);
    EXPECT_EQ(pair.second, 2020);
}

// The "*" after its digits, or (starFirst) before them.
TEST(GyroSim, AnswersTheGyroSignalWithItsStar) {
    for (const bool starFirst : {false, true}) {
        SCOPED_TRACE(starFirst ? "star first" : "star last");
        GyroSimulator sim(SimSettings{.starFirst = starFirst});
        sim.setLiveSignals({512, 1480, 2020});
        const std::string star = answer(sim, kGyroSignalFrame);
        EXPECT_EQ(star.front() == '*', starFirst);
        EXPECT_TRUE(gyroSignalReplyComplete(star));
        EXPECT_FALSE(gyroSignalReplyComplete(star.substr(0, star.size() - 1)));
        const PairReply gyro = decodePairReply(removeFirstStar(star));
        EXPECT_TRUE(gyro.passed);
        EXPECT_EQ(gyro.first, 512);
    }
}

struct RejectRow {
    std::string_view frame;
    int badChecksums;
    int malformed;
};

TEST(GyroSim, RejectsBadFramesSilently) {
    const std::vector<RejectRow> rows = {
        {"000801F8aa", 1, 0},      // checksum off by one
        {"0000012002DEaa", 1, 0},  // a write with a bad checksum is not applied
        {"0G0801F7aa", 0, 1},      // not a hex digit
        {"0801F7aa", 0, 1},        // checksum right, but a read needs two address bytes
        {"0004FCaa", 0, 1},        // checksum right, operation 04 unknown
        {"000801F7Faa", 0, 1},     // odd number of digits
        {"aa", 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.frame);
        GyroSimulator sim;
        EXPECT_EQ(answer(sim, row.frame), "");
        EXPECT_EQ(sim.badChecksums(), row.badChecksums);
        EXPECT_EQ(sim.malformedFrames(), row.malformed);
        EXPECT_EQ(sim.word(kAddrStatistics), 0);
        EXPECT_TRUE(sim.writesApplied().empty());
        EXPECT_EQ(sim.framesReceived().size(), 1U);
    }
}

TEST(GyroSim, TakesFramesInAnyPieces) {
    GyroSimulator whole;
    const std::string expected = answer(whole, kReadProductIdFrame);
    GyroSimulator sim;
    for (char c : kReadProductIdFrame) {
        EXPECT_FALSE(sim.hasOutput());
        sim.feed(std::string_view(&c, 1));
    }
    EXPECT_EQ(sim.takeAllText(), expected);
    sim.feed(std::string(kReadProductIdFrame) + "*" + std::string(kLiveSignalsFrame));
    EXPECT_EQ(sim.framesReceived().size(), 4U);
    EXPECT_EQ(sim.repliesSent(), 4);
}

TEST(GyroSim, StaysSilentFromTheNthFrame) {
    GyroSimulator sim(SimSettings{.silentFrom = 3});
    EXPECT_NE(answer(sim, kReadProductIdFrame), "");
    EXPECT_NE(answer(sim, writeFrame(0x0100, 1800)), "");
    EXPECT_EQ(answer(sim, writeFrame(0x0102, 1200)), "");
    EXPECT_EQ(answer(sim, kGyroSignalFrame), "");
    EXPECT_EQ(sim.word(0x0100), 1800);
    EXPECT_EQ(sim.word(0x0102), 1100);  // a silent gyro takes no writes
}

TEST(GyroSim, CorruptsTheNthReply) {
    GyroSimulator sim(SimSettings{.corruptReply = 2});
    for (int reply = 1; reply <= 3; ++reply) {
        const WordReply word = wordOf(answer(sim, kReadProductIdFrame));
        EXPECT_EQ(word.passed, reply != 2) << "reply " << reply;
        EXPECT_EQ(word.value, 0x0340) << "reply " << reply;
    }
}

TEST(GyroSim, CorruptsEveryReply) {
    GyroSimulator sim(SimSettings{.corruptReply = kCorruptEveryReply});
    EXPECT_FALSE(wordOf(answer(sim, parameterReadFrame(0))).passed);
    EXPECT_FALSE(decodePairReply(dropLeading(answer(sim, kLiveSignalsFrame), 5)).passed);
    EXPECT_FALSE(decodePairReply(removeFirstStar(answer(sim, kGyroSignalFrame))).passed);
    EXPECT_TRUE(writeAckComplete(answer(sim, writeFrame(0x0100, 1))));  // an ack has no checksum
}

TEST(GyroSim, SplitsRepliesIntoPiecesWithGaps) {
    GyroSimulator sim(SimSettings{.splitSize = 4, .pieceGap = milliseconds(5)});
    sim.feed(kReadProductIdFrame, milliseconds(100));
    const std::vector<OutputByte> bytes = sim.takeAll();
    ASSERT_EQ(bytes.size(), 15U);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        EXPECT_EQ(bytes[i].due, milliseconds(100 + 5 * static_cast<int>(i / 4))) << "byte " << i;
    }
    sim.feed(kReadProductIdFrame, milliseconds(200));
    const std::vector<std::string> pieces = sim.takePieces();
    ASSERT_EQ(pieces.size(), 4U);
    EXPECT_EQ(pieces[0] + pieces[1] + pieces[2] + pieces[3], "000801F7.0340BD");
    EXPECT_EQ(pieces[3], "0BD");
}

TEST(GyroSim, AddsNoiseAndZeroBytes) {
    GyroSimulator sim(SimSettings{
        .noiseBefore = "#~", .noiseAfter = "!", .zeroBytesBefore = 1, .zeroBytesAfter = 2});
    const std::string text = answer(sim, kReadProductIdFrame);
    EXPECT_EQ(text, std::string("#~\0"
                                "000801F7.0340BD\0\0!",
                                21));
}

TEST(GyroSim, ReportsAnotherProductAndVersionAndFlagsStatistics) {
    GyroSimulator sim(SimSettings{.productId = 0x0341, .memoryMapVersion = 2, .statistics = 5});
    EXPECT_EQ(wordOf(answer(sim, kReadProductIdFrame)).value, 0x0341);
    EXPECT_EQ(wordOf(answer(sim, kReadMemoryMapVersionFrame)).value, 2);
    EXPECT_EQ(wordOf(answer(sim, parameterReadFrame(16))).value, 5);
}

TEST(GyroSim, PacesAtNineSixHundredBaud) {
    GyroSimulator sim(SimSettings{.pace = true});
    const nanoseconds start = milliseconds(10);
    sim.feed(kReadProductIdFrame, start);
    sim.feed(kReadLoaderVersionFrame, start);  // queued behind the first reply
    const std::vector<OutputByte> bytes = sim.takeAll();
    ASSERT_EQ(bytes.size(), 30U);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // 10 bits per character at 9600 baud: 1041666.67 ns each
        const auto expected =
            start + nanoseconds((static_cast<long long>(i) + 1) * 1'000'000'000LL / 960);
        EXPECT_EQ(bytes[i].due, expected) << "byte " << i;
    }
}

TEST(GyroSim, TakeDueGivesOnlyWhatIsDue) {
    GyroSimulator sim(SimSettings{.pace = true});
    sim.feed(kReadProductIdFrame, nanoseconds(0));
    EXPECT_EQ(sim.takeDue(nanoseconds(1'000'000)), "");
    EXPECT_EQ(sim.takeDue(nanoseconds(3'200'000)), "000");  // 1.04, 2.08, 3.125 ms
    ASSERT_TRUE(sim.nextDue());
    EXPECT_EQ(*sim.nextDue(), nanoseconds(4'166'666));
    EXPECT_EQ(sim.takeDue(milliseconds(100)), "801F7.0340BD");
    EXPECT_FALSE(sim.nextDue());
}

}  // namespace
}  // namespace vn340
