#pragma once

// How the words of the gyro's memory map convert to and from the configuration the window
// shows. Parameter n lives at 0x0100 + 2n; every conversion is a pure function of integers
// (the servo data also looks at the servo table).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "protocol/frames.h"

namespace vn340 {

// t = x truncated toward zero; t + 1 when x > t + 0.5, else t. Negative values are only
// truncated, which is how the gyro's percentages have always been shown.
int roundPercent(float x);

// --- Endpoints: 1520 us is the centre, 420 us is 100 percent ---------------------------

int highEndpointFromWord(std::uint16_t word);
std::uint16_t highEndpointToWord(int percent);
int lowEndpointFromWord(std::uint16_t word);
std::uint16_t lowEndpointToWord(int percent);

// --- Plain words (stop gains, deadband, sensitivity, statistics) ------------------------

int unsignedFromWord(std::uint16_t word);
std::uint16_t unsignedToWord(int value);  // the low 16 bits

// --- Signed words (exponentials, midpoint trim) -----------------------------------------

int signedFromWord(std::uint16_t word);
std::uint16_t signedToWord(int value);  // the low 16 bits, two's complement

// --- Acceleration and deceleration profiles: the gyro counts the other way --------------

// 15 - word, held to the slider's range 0 .. 15 (a slider cannot show anything else).
int profileFromWord(std::uint16_t word);
std::uint16_t profileToWord(int sliderPosition);

// --- Servo data (0x0118): servo code in the high byte, speed value in the low byte ------

std::uint16_t servoDataToWord(int servoCode, int speedPosition);

// The read keeps word - 1 and applies it when the read has finished.
std::uint16_t keptServoData(std::uint16_t word);

struct ServoDataReading {
    int servoCode = 0;      // bits 8 .. 15 of the kept word
    int speedPosition = 0;  // bits 0 .. 7 of the kept word (may lie outside the speed list)
};
ServoDataReading servoDataFromKept(std::uint16_t kept);

// Sets the servo selector to the first row with the kept code (left as it is when no row has
// it) and the speed selector to the kept position, or to no selection when the position lies
// outside the speed list, as a drop-down list does when asked for a row it does not have.
void applyServoData(GyroConfig& config, std::uint16_t kept);

// The word for the servo and speed selectors. A selector without a selection contributes the
// factory value (first servo row, its speed) rather than a value from outside the tables.
std::uint16_t servoDataWordFromConfig(const GyroConfig& config);

// --- Servo flags (0x011E): bit 9 direction, bits 8, 10, 11, 12 the signal type ----------

inline constexpr std::uint16_t kFlagBit8 = 0x0100;
inline constexpr std::uint16_t kFlagReverse = 0x0200;  // bit 9
inline constexpr std::uint16_t kFlagBit10 = 0x0400;
inline constexpr std::uint16_t kFlagBit11 = 0x0800;
inline constexpr std::uint16_t kFlagBit12 = 0x1000;
inline constexpr std::uint16_t kFlagsWrittenMask = 0x1F00;  // bits 8 .. 12

struct ServoFlagsReading {
    std::optional<int> typePosition;  // none: a combination the type list does not know
    Direction direction = Direction::Normal;
    bool bit8 = false;  // mirrored into the window's hidden check boxes
    bool bit10 = false;
    bool bit11 = false;
    bool bit12 = false;
};

ServoFlagsReading servoFlagsFromWord(std::uint16_t word);

// Sets the type selector (left as it is for an unknown combination) and the direction.
void applyServoFlags(GyroConfig& config, const ServoFlagsReading& reading);

// Bits 0 .. 7 and 13 .. 15 stay as read from the gyro; bits 8 .. 12 come from the type
// position and the direction. A type position outside 0 .. 3 writes the word back as read.
std::uint16_t servoFlagsToWord(std::uint16_t asRead, int typePosition, Direction direction);

// --- Identification ---------------------------------------------------------------------

// "%i.%02i" of the high byte and the low byte: 0x0109 gives "1.09".
std::string versionText(std::uint16_t word);
// High byte x 100 + low byte: 0x0109 gives 109.
int firmwareNumber(std::uint16_t word);
// "%i.%02i" of number / 100 and number mod 100: the read shows the firmware through its
// number, so a low byte above 99 carries into the major part (0x01FF, number 355, is "3.55"),
// while the write shows the two bytes as they are ("1.255").
std::string firmwareTextFromNumber(int number);

// Low word + high word x 65536, unsigned: a serial number never shows as negative.
std::uint32_t serialNumberFromWords(std::uint16_t low, std::uint16_t high);
std::string serialNumberText(std::uint32_t serial);

// --- Live signals -----------------------------------------------------------------------

// Decimal, at least four digits: 512 gives "0512".
std::string liveSignalText(std::uint16_t signal);
// |gain - 1520| / 5, truncated.
int gainPercent(std::uint16_t gain);
// "Gyro = %04i, Rudder = %04i, Gain = %04i (%02i%%)"
std::string diagnosticsStatusText(std::uint16_t gyro, std::uint16_t rudder, std::uint16_t gain);

// --- The parameter area as one table -----------------------------------------------------

// How a parameter word stands for the configuration.
enum class WordKind {
    HighEndpoint,  // percent of travel, as above
    LowEndpoint,
    Unsigned,     // the member itself
    Signed,       // the member as a signed 16-bit word
    Profile,      // 15 - the slider position
    ProfileCopy,  // the second copy of a profile: written, read and passed over
    ServoData,    // servo code and speed
    Unused,       // neither written nor kept
    ServoFlags,   // type and direction, with the bits this program does not own
    Statistics,   // read, and only ever cleared by its own frame
};

// Word n of the parameter area, at 0x0100 + 2n.
struct ParameterWord {
    WordKind kind;
    int GyroConfig::*member;      // of Unsigned, Signed, Profile and ProfileCopy words
    std::string_view readStatus;  // as the word arrives; empty: the status line keeps its text
    std::string_view writeStatus;
    // The settings the window shows of the word.
    std::array<std::optional<Setting>, 2> settings;
    constexpr bool written() const {
        return kind != WordKind::Unused && kind != WordKind::Statistics;
    }
};

const std::array<ParameterWord, kParameterCount>& parameterWords();

inline constexpr int kWriteStepCount = 15;  // write steps 0 .. 14: the words written, in order

// The parameter number n written by write step `step`.
int parameterForWriteStep(int step);

// What a read of a parameter word changes outside the configuration's own fields.
struct ParameterReadEffect {
    std::optional<std::uint16_t> keptServoData;  // n = 12, applied when the read finishes
    std::optional<ServoFlagsReading> flags;      // n = 15, already applied to the config
};

// Stores the word read for parameter n into the configuration, as the read sequence does.
// The second copies of the profiles (9, 10) and the unused word (13) change nothing.
ParameterReadEffect storeParameterWord(GyroConfig& config, int n, std::uint16_t word);

// The word written by write step `step`; `flagsAsRead` is the servo flags word read before.
std::uint16_t parameterWordForWriteStep(const GyroConfig& config, int step,
                                        std::uint16_t flagsAsRead);

}  // namespace vn340
