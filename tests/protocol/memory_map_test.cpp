#include "protocol/memory_map.h"

#include <gtest/gtest.h>

#include <limits>
#include <string_view>
#include <vector>

#include "protocol/frames.h"

namespace vn340 {
namespace {

TEST(MemoryMap, RoundPercent) {
    const std::vector<std::pair<float, int>> rows = {
        {32.857F, 33},
        {32.5F, 32},
        {32.51F, 33},
        {-2.6F, -2},
        {-0.4F, 0},
        {0.0F, 0},
        {0.5F, 0},
        {0.6F, 1},
        {99.99F, 100},
        {145.0F, 145},
        {1.0e12F, 0},
        {-1.0e12F, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& [x, expected] : rows) {
        EXPECT_EQ(roundPercent(x), expected) << "x = " << x;
    }
}

struct EndpointRow {
    std::uint16_t word;
    int high;
    int low;
};

TEST(MemoryMap, EndpointsFromWords) {
    const std::vector<EndpointRow> rows = {
        {1658, 33, -32},    // 138 * 0.238 = 32.857: rounds up, and its negative truncates
        {1940, 100, -100},  // 420 * 0.23809524F is 100.0 in single precision
        {1100, -100, 100}, {1520, 0, 0}, {1382, -32, 33}, {1522, 0, 0},  // 0.476 does not round up
        {1523, 1, 0},  // 0.714 rounds up; -0.714 truncates to 0
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        EXPECT_EQ(highEndpointFromWord(row.word), row.high);
        EXPECT_EQ(lowEndpointFromWord(row.word), row.low);
    }
}

TEST(MemoryMap, EndpointsToWords) {
    // 1520 +/- truncate(420 * p / 100)
    const std::vector<std::tuple<int, std::uint16_t, std::uint16_t>> rows = {
        {100, 1940, 1100}, {33, 1658, 1382}, {31, 1650, 1390},  {30, 1646, 1394},
        {145, 2129, 911},  {0, 1520, 1520},  {-33, 1382, 1658},  // -138.6 truncates to -138
    };
    for (const auto& [percent, high, low] : rows) {
        EXPECT_EQ(highEndpointToWord(percent), high) << percent << " %";
        EXPECT_EQ(lowEndpointToWord(percent), low) << percent << " %";
    }
}

TEST(MemoryMap, EveryEndpointPercentageReadsBackUnchanged) {
    for (int percent = 30; percent <= 145; ++percent) {
        EXPECT_EQ(highEndpointFromWord(highEndpointToWord(percent)), percent)
            << "high endpoint " << percent;
        EXPECT_EQ(lowEndpointFromWord(lowEndpointToWord(percent)), percent)
            << "low endpoint " << percent;
    }
}

TEST(MemoryMap, SignedAndUnsignedWords) {
    EXPECT_EQ(signedToWord(-50), 0xFFCE);
    EXPECT_EQ(signedFromWord(0xFFCE), -50);
    EXPECT_EQ(unsignedFromWord(0xFFCE), 65486);
    EXPECT_EQ(signedFromWord(0x8000), -32768);
    EXPECT_EQ(signedFromWord(0x7FFF), 32767);
    EXPECT_EQ(unsignedToWord(65536 + 7), 7);  // only the low 16 bits are written
    EXPECT_EQ(unsignedToWord(100), 100);
}

TEST(MemoryMap, EveryExponentialAndTrimValueSurvivesTheGyro) {
    GyroConfig config;
    for (int value = -100; value <= 100; ++value) {
        SCOPED_TRACE(value);
        const auto word = static_cast<std::uint16_t>(value < 0 ? 65536 + value : value);
        config.avcsExpo = value;
        config.rateExpo = value;
        config.midpointTrim = value;
        EXPECT_EQ(parameterWordForWriteStep(config, 5, 0), word);
        EXPECT_EQ(parameterWordForWriteStep(config, 6, 0), word);
        EXPECT_EQ(parameterWordForWriteStep(config, 13, 0), word);
        GyroConfig read;
        storeParameterWord(read, 5, word);
        storeParameterWord(read, 6, word);
        storeParameterWord(read, 14, word);
        EXPECT_EQ(read.avcsExpo, value);
        EXPECT_EQ(read.rateExpo, value);
        EXPECT_EQ(read.midpointTrim, value);
    }
}

TEST(MemoryMap, Profiles) {
    const std::vector<std::pair<std::uint16_t, int>> reads = {
        {15, 0}, {0, 15}, {5, 10}, {16, 0}, {0xFFFF, 0}};
    for (const auto& [word, position] : reads) {
        EXPECT_EQ(profileFromWord(word), position) << "word " << word;
    }
    for (int position = 0; position <= 15; ++position) {
        EXPECT_EQ(profileToWord(position), 15 - position) << "position " << position;
        EXPECT_EQ(profileFromWord(profileToWord(position)), position) << "position " << position;
    }
}

TEST(MemoryMap, ServoDataWords) {
    EXPECT_EQ(servoDataToWord(9, 0), 0x0901);
    EXPECT_EQ(servoDataToWord(33, 8), 0x2109);
    EXPECT_EQ(servoDataToWord(0, 14), 0x000F);

    const std::vector<std::tuple<std::uint16_t, int, int>> kept = {
        {0x0A00, 9, 255},  // the low byte 0 borrows from the code
        {0x0901, 9, 0},
        {0x2109, 33, 8},
        {0x0000, 255, 255},
    };
    for (const auto& [word, code, speed] : kept) {
        const ServoDataReading reading = servoDataFromKept(keptServoData(word));
        EXPECT_EQ(reading.servoCode, code) << "word " << word;
        EXPECT_EQ(reading.speedPosition, speed) << "word " << word;
    }
}

TEST(MemoryMap, ApplyServoDataTakesTheFirstRowOfACode) {
    GyroConfig config;
    applyServoData(config, keptServoData(0x2109));  // code 33 belongs to two rows
    ASSERT_EQ(servoTable()[26].name, "JR 3500G");
    EXPECT_EQ(config.servoModel, 26);
    EXPECT_EQ(config.servoSpeed, 8);

    applyServoData(config, keptServoData(0x0A00));  // code 9, speed position 255
    ASSERT_EQ(servoTable()[36].name, "Sanwa ERG-WRX");
    EXPECT_EQ(config.servoModel, 36);
    EXPECT_EQ(config.servoSpeed, kNoSelection);

    applyServoData(config, keptServoData(0xC805));  // code 200 is in no row
    EXPECT_EQ(config.servoModel, 36);
    EXPECT_EQ(config.servoSpeed, 4);
}

TEST(MemoryMap, ServoDataWordWithoutSelectionsUsesTheFactoryServo) {
    GyroConfig config;
    config.servoModel = 26;  // JR 3500G, code 33
    config.servoSpeed = 6;
    EXPECT_EQ(servoDataWordFromConfig(config), 0x2107);
    config.servoModel = kNoSelection;
    config.servoSpeed = kNoSelection;
    EXPECT_EQ(servoDataWordFromConfig(config), 0x0005);  // "Generic" code 0, speed "0.05"
    config.servoModel = kServoRowCount;
    config.servoSpeed = kSpeedOptionCount;
    EXPECT_EQ(servoDataWordFromConfig(config), 0x0005);
}

struct FlagsReadRow {
    std::uint16_t word;
    int type;  // -1: left as it is
    Direction direction;
    bool bit8, bit10, bit11, bit12;
};

TEST(MemoryMap, ServoFlagsFromWord) {
    const auto R = Direction::Reverse;
    const auto N = Direction::Normal;
    const std::vector<FlagsReadRow> rows = {
        {0x0200, 0, R, false, false, false, false},
        {0x0900, 1, N, true, false, true, false},
        {0x0500, -1, N, true, true, false, false},
        {0x0400, 2, N, false, true, false, false},
        {0x1100, 3, N, true, false, false, true},
        {0x1B00, -1, R, true, false, true, true},    // bits 12, 11, 8: no type of the list
        {0xE0FF, 0, N, false, false, false, false},  // bits outside 8 .. 12 mean nothing
        {0x1D00, -1, N, true, true, true, true},
        {0x0000, 0, N, false, false, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        const ServoFlagsReading reading = servoFlagsFromWord(row.word);
        EXPECT_EQ(reading.typePosition.value_or(-1), row.type);
        EXPECT_EQ(reading.direction, row.direction);
        EXPECT_EQ(reading.bit8, row.bit8);
        EXPECT_EQ(reading.bit10, row.bit10);
        EXPECT_EQ(reading.bit11, row.bit11);
        EXPECT_EQ(reading.bit12, row.bit12);
    }
}

TEST(MemoryMap, ApplyServoFlagsLeavesAnUnknownTypeAlone) {
    GyroConfig config;
    config.servoType = 2;
    config.direction = Direction::Reverse;
    applyServoFlags(config, servoFlagsFromWord(0x0500));
    EXPECT_EQ(config.servoType, 2);
    EXPECT_EQ(config.direction, Direction::Normal);
    applyServoFlags(config, servoFlagsFromWord(0x0B00));  // type 1, reverse
    EXPECT_EQ(config.servoType, 1);
    EXPECT_EQ(config.direction, Direction::Reverse);
}

TEST(MemoryMap, ServoFlagsToWordKeepsTheOtherBits) {
    const std::vector<std::tuple<std::uint16_t, int, Direction, std::uint16_t>> rows = {
        {0x2345, 1, Direction::Normal, 0x2945},
        {0x2345, 0, Direction::Reverse, 0x2245},
        {0x2345, 3, Direction::Reverse, 0x3345},
        {0xFFFF, 2, Direction::Normal, 0xE4FF},
        {0x0000, 0, Direction::Normal, 0x0000},
        {0x2345, -1, Direction::Normal, 0x2345},  // no type selected: written back as read
        {0x2345, 4, Direction::Reverse, 0x2345},
    };
    for (const auto& [asRead, type, direction, expected] : rows) {
        EXPECT_EQ(servoFlagsToWord(asRead, type, direction), expected)
            << "word " << asRead << " type " << type;
    }
}

TEST(MemoryMap, IdentificationTexts) {
    const std::vector<std::tuple<std::uint16_t, std::string_view, int>> rows = {
        {0x0109, "1.09", 109}, {0x0203, "2.03", 203},      {0x0A0C, "10.12", 1012},
        {0x0000, "0.00", 0},   {0xFFFF, "255.255", 25755},
    };
    for (const auto& [word, text, number] : rows) {
        EXPECT_EQ(versionText(word), text) << "word " << word;
        EXPECT_EQ(firmwareNumber(word), number) << "word " << word;
    }
    const std::vector<std::pair<int, std::string_view>> numbers = {
        {109, "1.09"}, {355, "3.55"}, {0, "0.00"}, {25755, "257.55"}, {1012, "10.12"}};
    for (const auto& [number, text] : numbers) {
        EXPECT_EQ(firmwareTextFromNumber(number), text) << "number " << number;
    }
    EXPECT_EQ(serialNumberFromWords(0x1234, 0x0001), 70196U);
    EXPECT_EQ(serialNumberText(serialNumberFromWords(0x1234, 0x0001)), "70196");
    EXPECT_EQ(serialNumberText(serialNumberFromWords(0xFFFF, 0xFFFF)), "4294967295");
    EXPECT_EQ(serialNumberText(0), "0");
}

TEST(MemoryMap, LiveSignals) {
    EXPECT_EQ(liveSignalText(512), "0512");
    EXPECT_EQ(liveSignalText(0), "0000");
    EXPECT_EQ(liveSignalText(65535), "65535");
    const std::vector<std::pair<std::uint16_t, int>> gains = {
        {2020, 100}, {1020, 100}, {1523, 0}, {1520, 0}, {1525, 1}, {1515, 1}, {0, 304}};
    for (const auto& [gain, percent] : gains) {
        EXPECT_EQ(gainPercent(gain), percent) << "gain " << gain;
    }
    EXPECT_EQ(diagnosticsStatusText(512, 1520, 2020),
              "Gyro = 0512, Rudder = 1520, Gain = 2020 (100%)");
    EXPECT_EQ(diagnosticsStatusText(1500, 1480, 1523),
              "Gyro = 1500, Rudder = 1480, Gain = 1523 (00%)");
}

TEST(MemoryMap, WriteStepsMatchTheirParameters) {
    const std::vector<std::pair<int, int>> rows = {{0, 0},   {7, 7},   {9, 9},  {12, 12},
                                                   {13, 14}, {14, 15}, {11, 11}};
    for (const auto& [step, n] : rows) {
        EXPECT_EQ(parameterForWriteStep(step), n) << "step " << step;
    }
}

TEST(MemoryMap, ProfilesAreWrittenTwice) {
    GyroConfig config;
    config.accelProfile = 3;
    config.decelProfile = 11;
    EXPECT_EQ(parameterWordForWriteStep(config, 7, 0), 12);
    EXPECT_EQ(parameterWordForWriteStep(config, 9, 0), 12);
    EXPECT_EQ(parameterWordForWriteStep(config, 8, 0), 4);
    EXPECT_EQ(parameterWordForWriteStep(config, 10, 0), 4);
}

TEST(MemoryMap, WriteStepOfTheFlagsUsesTheWordAsRead) {
    GyroConfig config;
    config.servoType = 1;
    config.direction = Direction::Normal;
    EXPECT_EQ(parameterWordForWriteStep(config, 14, 0x2345), 0x2945);
}

TEST(MemoryMap, StoreParameterWord) {
    struct Row {
        int parameter;
        std::uint16_t word;
        int GyroConfig::*member;
        int value;
    };
    const Row rows[] = {
        {0, 1658, &GyroConfig::highEndpoint, 33},    {1, 1382, &GyroConfig::lowEndpoint, 33},
        {2, 0xFFCE, &GyroConfig::cwStopGain, 65486}, {3, 120, &GyroConfig::ccwStopGain, 120},
        {4, 7, &GyroConfig::stickDeadband, 7},       {7, 2, &GyroConfig::accelProfile, 13},
        {8, 14, &GyroConfig::decelProfile, 1},       {11, 80, &GyroConfig::avcsSensitivity, 80},
        {16, 5, &GyroConfig::statisticsWord, 5}};
    GyroConfig config;
    for (const Row& row : rows) {
        storeParameterWord(config, row.parameter, row.word);
    }
    for (const Row& row : rows) {
        EXPECT_EQ(config.*row.member, row.value) << "parameter " << row.parameter;
    }

    const GyroConfig before = config;
    for (int n : {9, 10, 13}) {
        const ParameterReadEffect effect = storeParameterWord(config, n, 0x1234);
        EXPECT_FALSE(effect.keptServoData) << "parameter " << n;
        EXPECT_FALSE(effect.flags) << "parameter " << n;
    }
    EXPECT_EQ(config.accelProfile, before.accelProfile);
    EXPECT_EQ(config.decelProfile, before.decelProfile);

    const ParameterReadEffect servo = storeParameterWord(config, 12, 0x0A00);
    ASSERT_TRUE(servo.keptServoData);
    EXPECT_EQ(*servo.keptServoData, 0x09FF);

    config.servoFlags = 0x1234;
    const ParameterReadEffect flags = storeParameterWord(config, 15, 0x0B00);
    ASSERT_TRUE(flags.flags);
    EXPECT_EQ(config.servoType, 1);
    EXPECT_EQ(config.direction, Direction::Reverse);
    EXPECT_EQ(config.servoFlags, 0x0B00) << "the read keeps the gyro's own flags word";
}

}  // namespace
}  // namespace vn340
