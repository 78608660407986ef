#include <gtest/gtest.h>

#include "protocol/write_verification.h"

namespace vn340 {
namespace {

constexpr std::uint16_t kFlagsAsRead = 0x0200;

GyroConfig storedConfig() {
    GyroConfig config;
    loadDefaults(config);
    config.highEndpoint = 133;
    config.accelProfile = 4;
    config.servoModel = 9;  // "Futaba BLS251", code 24
    applyServoSelection(config);
    config.servoSpeed = 6;  // "0.07"
    config.direction = Direction::Reverse;
    config.userComments = "Trex 450";
    return config;
}

// The words a store of `config` writes, each read back as written.
StoreWords wordsOf(const GyroConfig& config) {
    StoreWords words;
    for (int step = 0; step < kWriteStepCount; ++step) {
        const auto n = static_cast<std::size_t>(parameterForWriteStep(step));
        words.written[n] = parameterWordForWriteStep(config, step, kFlagsAsRead);
        words.readBack[n] = words.written[n];
    }
    words.readBack[13] = 0;
    words.readBack[16] = 0;
    return words;
}

TEST(WriteVerificationTest, EachWordNotKeptIsToldAsTheWindowShowsItsSettings) {
    const GyroConfig stored = storedConfig();
    const auto word = [&](int n) { return *wordsOf(stored).written[static_cast<std::size_t>(n)]; };
    struct Row {
        const char* what;
        std::vector<std::pair<int, std::optional<std::uint16_t>>> readBack;
        std::vector<std::string> lines;
    };
    const std::vector<Row> rows = {
        {"all kept", {}, {}},
        {"words the store does not write", {{13, 0x1234}, {16, 7}}, {}},
        {"an endpoint", {{0, 2024}}, {"High endpoint: stored 133, the gyro holds 120"}},
        {"a signed word",
         {{5, 0xFFB5}},
         {"Rudder exponential, Mode 2 (AVCS): stored -50, the gyro holds -75"}},
        {"servo and speed in one word",
         {{12, 0x0005}},
         {"Servo: stored Futaba BLS251, the gyro holds Generic",
          "Speed: stored 0.07, the gyro holds 0.05"}},
        {"the direction bit",
         {{15, static_cast<std::uint16_t>(word(15) & ~0x0200)}},
         {"Direction: stored Reverse, the gyro holds Normal"}},
        {"a flag bit no setting shows",
         {{15, static_cast<std::uint16_t>(word(15) | 0x0001)}},
         {"Word 011E: stored 0B00, the gyro holds 0B01"}},
        {"a profile's two copies alike",
         {{7, 0}, {9, 0}},
         {"Acceleration profile: stored 4, the gyro holds 15"}},
        {"a profile's second copy alone",
         {{10, 3}},
         {"Deceleration profile: stored 15, the gyro holds 12"}},
        {"a damaged answer",
         {{0, std::nullopt}},
         {"High endpoint: stored 133, the gyro's answer was damaged"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StoreWords words = wordsOf(stored);
        for (const auto& [n, value] : row.readBack) {
            words.readBack[static_cast<std::size_t>(n)] = value;
        }
        EXPECT_EQ(storeDifferences(stored, words), row.lines);
    }
}

TEST(WriteVerificationTest, WhatTheGyroHoldsIsWhatAReadWouldShow) {
    const GyroConfig stored = storedConfig();
    StoreWords words = wordsOf(stored);
    words.readBack[0] = 2024;     // 120 percent
    words.readBack[12] = 0x0005;  // "Generic", "0.05"
    words.readBack[9] = 0;        // a second copy is no setting of its own
    words.readBack[1] = std::nullopt;
    words.readBack[16] = 3;
    const GyroConfig held = configFromReadBack(stored, words);
    EXPECT_EQ(held.highEndpoint, 120);
    EXPECT_EQ(held.servoModel, 0);
    EXPECT_EQ(held.servoSpeed, 4);
    EXPECT_EQ(held.accelProfile, 4);
    EXPECT_EQ(held.lowEndpoint, stored.lowEndpoint) << "a damaged answer leaves it as stored";
    EXPECT_EQ(held.statisticsWord, 3);
    EXPECT_EQ(held.direction, Direction::Reverse);
    EXPECT_EQ(held.servoFlags, *words.written[15]);
    EXPECT_EQ(held.userComments, "Trex 450");
}

// What a store tells about the gyro, setting by setting: a setting is known only when every
// word that carries it was read back, and a profile only when its two copies agree; the value a
// profile is known by is never its second copy's.
TEST(WriteVerificationTest, ASettingIsKnownOnlyWhenItsWordsWereReadBackAlike) {
    const GyroConfig stored = storedConfig();
    struct Row {
        const char* what;
        std::vector<std::pair<int, std::optional<std::uint16_t>>> readBack;
        std::vector<Setting> unknown;
    };
    const std::vector<Row> rows = {
        {"all read back", {}, {}},
        {"read back otherwise", {{0, 2024}}, {}},
        {"a damaged answer", {{0, std::nullopt}}, {Setting::HighEndpoint}},
        {"servo and speed in one word", {{12, std::nullopt}}, {Setting::Servo, Setting::Speed}},
        {"flags", {{15, std::nullopt}}, {Setting::Type, Setting::Direction}},
        {"a second copy otherwise", {{9, 0}}, {Setting::AccelProfile}},
        {"a second copy damaged", {{10, std::nullopt}}, {Setting::DecelProfile}},
        {"a first copy damaged", {{7, std::nullopt}}, {Setting::AccelProfile}},
        {"both copies otherwise alike", {{8, 3}, {10, 3}}, {}},
        {"words the store does not write", {{13, std::nullopt}, {16, std::nullopt}}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StoreWords words = wordsOf(stored);
        for (const auto& [n, value] : row.readBack) {
            words.readBack[static_cast<std::size_t>(n)] = value;
        }
        const GyroKnowledge known = storeKnowledge(stored, words);
        EXPECT_EQ(known.unknownSettings(), row.unknown);
        EXPECT_EQ(known.config.accelProfile, stored.accelProfile) << "never the second copy's";
    }
}

}  // namespace
}  // namespace vn340
