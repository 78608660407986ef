#include "protocol/memory_map.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace vn340 {

namespace {

constexpr int kCentreMicros = 1520;
constexpr int kFullTravelMicros = 420;
// 100/420 in single precision: the rounding of the percentages depends on this exact float.
constexpr float kPercentPerMicro = 0.23809524F;

constexpr std::uint16_t kTypeBitsMask = kFlagBit8 | kFlagBit10 | kFlagBit11 | kFlagBit12;
// Bits 8, 10, 11, 12 of each type selector position.
constexpr std::array<std::uint16_t, kSignalTypeCount> kTypeBits = {
    0, kFlagBit11 | kFlagBit8, kFlagBit10, kFlagBit12 | kFlagBit8};

std::string formatted(const char* format, auto... args) {
    std::array<char, 96> text{};
    const int length = std::snprintf(text.data(), text.size(), format, args...);
    return std::string(text.data(), length < 0 ? 0 : static_cast<std::size_t>(length));
}

}  // namespace

int roundPercent(float x) {
    // Words give at most about +/-15600; anything beyond an int (or not a number) is no
    // percentage at all, and converting it would be undefined.
    constexpr float kLimit = 1.0e9F;
    if (!(x > -kLimit && x < kLimit)) {
        return 0;
    }
    const int t = static_cast<int>(x);  // truncates toward zero
    return x > static_cast<float>(t) + 0.5F ? t + 1 : t;
}

int highEndpointFromWord(std::uint16_t word) {
    const float percent = static_cast<float>(word - kCentreMicros) * kPercentPerMicro;
    return roundPercent(percent);
}

std::uint16_t highEndpointToWord(int percent) {
    return unsignedToWord(kCentreMicros + (kFullTravelMicros * percent) / 100);
}

int lowEndpointFromWord(std::uint16_t word) {
    const float product = static_cast<float>(word - kCentreMicros) * kPercentPerMicro;
    return roundPercent(product * -1.0F);
}

std::uint16_t lowEndpointToWord(int percent) {
    return unsignedToWord(kCentreMicros - (kFullTravelMicros * percent) / 100);
}

int unsignedFromWord(std::uint16_t word) {
    return word;
}

std::uint16_t unsignedToWord(int value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

int signedFromWord(std::uint16_t word) {
    return word >= 0x8000 ? word - 0x10000 : word;
}

std::uint16_t signedToWord(int value) {
    return unsignedToWord(value);
}

int profileFromWord(std::uint16_t word) {
    const int position = kProfileMax - static_cast<int>(word);
    return position < kProfileMin ? kProfileMin : position;
}

std::uint16_t profileToWord(int sliderPosition) {
    return unsignedToWord(15 - sliderPosition);
}

std::uint16_t servoDataToWord(int servoCode, int speedPosition) {
    return unsignedToWord(servoCode * 256 + speedPosition + 1);
}

std::uint16_t keptServoData(std::uint16_t word) {
    return static_cast<std::uint16_t>(word - 1U);
}

ServoDataReading servoDataFromKept(std::uint16_t kept) {
    return {kept >> 8, kept & 0xFF};
}

void applyServoData(GyroConfig& config, std::uint16_t kept) {
    const ServoDataReading reading = servoDataFromKept(kept);
    if (const auto row = servoRowForCode(reading.servoCode)) {
        config.servoModel = *row;
    }
    const bool inList = reading.speedPosition < kSpeedOptionCount;
    config.servoSpeed = inList ? reading.speedPosition : kNoSelection;
}

std::uint16_t servoDataWordFromConfig(const GyroConfig& config) {
    const ServoEntry& factory = servoTable().front();
    const bool hasServo = config.servoModel >= 0 && config.servoModel < kServoRowCount;
    const bool hasSpeed = config.servoSpeed >= 0 && config.servoSpeed < kSpeedOptionCount;
    const int code = hasServo ? servoTable()[static_cast<std::size_t>(config.servoModel)].servoCode
                              : factory.servoCode;
    const int speed = hasSpeed ? config.servoSpeed : factory.speedValue - 1;
    return servoDataToWord(code, speed);
}

ServoFlagsReading servoFlagsFromWord(std::uint16_t word) {
    ServoFlagsReading reading;
    const auto typeBits = static_cast<std::uint16_t>(word & kTypeBitsMask);
    for (int position = 0; position < kSignalTypeCount; ++position) {
        if (kTypeBits[static_cast<std::size_t>(position)] == typeBits) {
            reading.typePosition = position;
        }
    }
    reading.direction = (word & kFlagReverse) != 0 ? Direction::Reverse : Direction::Normal;
    reading.bit8 = (word & kFlagBit8) != 0;
    reading.bit10 = (word & kFlagBit10) != 0;
    reading.bit11 = (word & kFlagBit11) != 0;
    reading.bit12 = (word & kFlagBit12) != 0;
    return reading;
}

void applyServoFlags(GyroConfig& config, const ServoFlagsReading& reading) {
    if (reading.typePosition) {
        config.servoType = *reading.typePosition;
    }
    config.direction = reading.direction;
}

std::uint16_t servoFlagsToWord(std::uint16_t asRead, int typePosition, Direction direction) {
    if (typePosition < 0 || typePosition >= kSignalTypeCount) {
        return asRead;
    }
    unsigned word = asRead & ~static_cast<unsigned>(kFlagsWrittenMask);
    word |= kTypeBits[static_cast<std::size_t>(typePosition)];
    if (direction != Direction::Normal) {
        word |= kFlagReverse;
    }
    return static_cast<std::uint16_t>(word);
}

std::string versionText(std::uint16_t word) {
    return formatted("%i.%02i", word >> 8, word & 0xFF);
}

int firmwareNumber(std::uint16_t word) {
    return (word >> 8) * 100 + (word & 0xFF);
}

std::string firmwareTextFromNumber(int number) {
    return formatted("%i.%02i", number / 100, number % 100);
}

std::uint32_t serialNumberFromWords(std::uint16_t low, std::uint16_t high) {
    return static_cast<std::uint32_t>(low) + static_cast<std::uint32_t>(high) * 65536U;
}

std::string serialNumberText(std::uint32_t serial) {
    return formatted("%lu", static_cast<unsigned long>(serial));
}

std::string liveSignalText(std::uint16_t signal) {
    return formatted("%04i", int{signal});
}

int gainPercent(std::uint16_t gain) {
    return std::abs(int{gain} - kCentreMicros) / 5;
}

std::string diagnosticsStatusText(std::uint16_t gyro, std::uint16_t rudder, std::uint16_t gain) {
    return formatted("Gyro = %04i, Rudder = %04i, Gain = %04i (%02i%%)", int{gyro}, int{rudder},
                     int{gain}, gainPercent(gain));
}

namespace {

using W = WordKind;
using S = Setting;
using G = GyroConfig;

// clang-format off
constexpr std::array<ParameterWord, kParameterCount> kParameterWords{{
    {W::HighEndpoint, nullptr, "Read high endpoint", "Write high endpoint", {S::HighEndpoint}},
    {W::LowEndpoint, nullptr, "Read low endpoint", "Write low endpoint", {S::LowEndpoint}},
    {W::Unsigned, &G::cwStopGain, "Read clockwise stop gain", "Write clockwise stop gain",
     {S::CwStopGain}},
    {W::Unsigned, &G::ccwStopGain, "Read counter clockwise stop gain",
     "Write counter clockwise stop gain", {S::CcwStopGain}},
    {W::Unsigned, &G::stickDeadband, "Read rudder stick deadband", "Write rudder stick deadband",
     {S::StickDeadband}},
    {W::Signed, &G::avcsExpo, "Read AVCS exponencial", "Write AVCS rudder exponencial",
     {S::AvcsExpo}},
    {W::Signed, &G::rateExpo, "Read rate rudder exponencial", "Write rate rudder exponencial",
     {S::RateExpo}},
    {W::Profile, &G::accelProfile, "Read acceleration profile", "Write acceleration profile",
     {S::AccelProfile}},
    {W::Profile, &G::decelProfile, "Read deceleration profile", "Write deceleration profile",
     {S::DecelProfile}},
    {W::ProfileCopy, &G::accelProfile, "", "", {S::AccelProfile}},
    {W::ProfileCopy, &G::decelProfile, "", "", {S::DecelProfile}},
    {W::Unsigned, &G::avcsSensitivity, "Read AVCS rudder sensitivity",
     "Write AVCS rudder sensitivity", {S::AvcsSensitivity}},
    {W::ServoData, nullptr, "Read servo data", "Write servo data", {S::Servo, S::Speed}},
    {W::Unused, nullptr, "", "", {}},
    {W::Signed, &G::midpointTrim, "Read midpoint trim", "Write midpoint trim", {S::MidpointTrim}},
    {W::ServoFlags, nullptr, "", "Write servo data", {S::Type, S::Direction}},
    {W::Statistics, nullptr, "", "", {}},
}};
// clang-format on

constexpr std::array<int, kWriteStepCount> writtenWords() {
    std::array<int, kWriteStepCount> words{};
    std::size_t step = 0;
    for (int n = 0; n < kParameterCount; ++n) {
        if (kParameterWords[static_cast<std::size_t>(n)].written()) {
            words[step++] = n;
        }
    }
    return words;
}
constexpr std::array<int, kWriteStepCount> kWrittenWords = writtenWords();

}  // namespace

const std::array<ParameterWord, kParameterCount>& parameterWords() {
    return kParameterWords;
}

int parameterForWriteStep(int step) {
    return kWrittenWords[static_cast<std::size_t>(step)];
}

ParameterReadEffect storeParameterWord(GyroConfig& config, int n, std::uint16_t word) {
    ParameterReadEffect effect;
    const ParameterWord& parameter = kParameterWords[static_cast<std::size_t>(n)];
    switch (parameter.kind) {
        case W::HighEndpoint:
            config.highEndpoint = highEndpointFromWord(word);
            break;
        case W::LowEndpoint:
            config.lowEndpoint = lowEndpointFromWord(word);
            break;
        case W::Unsigned:
            config.*parameter.member = unsignedFromWord(word);
            break;
        case W::Signed:
            config.*parameter.member = signedFromWord(word);
            break;
        case W::Profile:
            config.*parameter.member = profileFromWord(word);
            break;
        case W::ServoData:
            effect.keptServoData = keptServoData(word);
            break;
        case W::ServoFlags:
            effect.flags = servoFlagsFromWord(word);
            applyServoFlags(config, *effect.flags);
            // Kept as read, so that what the program reports of the gyro's flags after a read
            // is the gyro's own word.
            config.servoFlags = word;
            break;
        case W::Statistics:
            config.statisticsWord = unsignedFromWord(word);
            break;
        case W::ProfileCopy:
        case W::Unused:
            break;
    }
    return effect;
}

std::uint16_t parameterWordForWriteStep(const GyroConfig& config, int step,
                                        std::uint16_t flagsAsRead) {
    const ParameterWord& parameter =
        kParameterWords[static_cast<std::size_t>(parameterForWriteStep(step))];
    switch (parameter.kind) {
        case W::HighEndpoint:
            return highEndpointToWord(config.highEndpoint);
        case W::LowEndpoint:
            return lowEndpointToWord(config.lowEndpoint);
        case W::Unsigned:
            return unsignedToWord(config.*parameter.member);
        case W::Signed:
            return signedToWord(config.*parameter.member);
        case W::Profile:
        case W::ProfileCopy:
            return profileToWord(config.*parameter.member);
        case W::ServoData:
            return servoDataWordFromConfig(config);
        case W::ServoFlags:
            return servoFlagsToWord(flagsAsRead, config.servoType, config.direction);
        case W::Unused:
        case W::Statistics:
            break;
    }
    return 0;
}

}  // namespace vn340
