#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vn340 {

// A row of the built-in servo table. `servoCode` is how the gyro and settings files name the
// row; `pulseClass` 0 = 1520 us centre, 1 = 760 us, 2 = 960 us; `frameClass` 0 = 333 Hz,
// 1 = 250 Hz, 2 = 560 Hz; `speedValue` is hundredths of a second per 60 degrees.
struct ServoEntry {
    std::string_view name;
    int servoCode;
    int pulseClass;
    int speedValue;
    int frameClass;
};

struct SignalTypeOption {
    std::string_view label;
    int value;  // equals its position in the type selector
    int pulseClass;
    int frameClass;
};

struct SpeedOption {
    std::string_view label;  // "0.01" .. "0.15"
    int value;               // 1 .. 15, position + 1
};

inline constexpr int kServoRowCount = 39;
inline constexpr int kSignalTypeCount = 4;
inline constexpr int kSpeedOptionCount = 15;
inline constexpr int kNoSelection = -1;
inline constexpr int kProfileMin = 0;
inline constexpr int kProfileMax = 15;

const std::array<ServoEntry, kServoRowCount>& servoTable();
const std::array<SignalTypeOption, kSignalTypeCount>& signalTypeOptions();
const std::array<SpeedOption, kSpeedOptionCount>& speedOptions();

// The first row in table order with this code (two rows share code 33), or none.
std::optional<int> servoRowForCode(int servoCode);

enum class Direction { Normal, Reverse };

inline constexpr std::string_view kDefaultUserComments =
    "Use this area to make notes related to this configuration or your model.";

// The configuration the main window shows. Numbers and texts are plain members; the choices
// (selectors, sliders, direction buttons) are held here as the positions the window's controls
// show, so the core can run without a window and the window mirrors this model.
struct GyroConfig {
    int highEndpoint = 0;
    int lowEndpoint = 0;
    int midpointTrim = 0;
    int stickDeadband = 0;
    int rateExpo = 0;
    int avcsExpo = 0;
    int cwStopGain = 0;
    int ccwStopGain = 0;
    int avcsSensitivity = 0;

    int servoModel = kNoSelection;  // servo selector position (row of servoTable())
    int servoType = kNoSelection;   // type selector position == SignalTypeOption::value
    int servoSpeed = kNoSelection;  // speed selector position == SpeedOption::value - 1
    int accelProfile = 0;           // slider position 0 (Slow) .. 15 (Fast)
    int decelProfile = 0;
    Direction direction = Direction::Normal;

    std::string firmwareVersion;  // "1.09"
    int firmwareNumber = 0;       // major * 100 + minor, as kept for files and statistics
    std::string loaderVersion;
    std::string serialNumber;
    std::string userComments;

    int memoryMapVersion = 3;  // what the window starts with, before any read or load
    int productId = 0;
    int servoFlags = 0;
    int statisticsWord = 0;
    int servoImpliedType = 0;

    bool operator==(const GyroConfig&) const = default;
};

// Sets the type and speed positions from the servo row; does nothing without a servo selection.
void applyServoSelection(GyroConfig& config);

// The pilot picked another type: a type that differs from the one the servo implies means the
// servo is no longer the chosen one, so the selection falls back to "Generic".
void onServoTypeChangedByPilot(GyroConfig& config, int newTypePosition);

// The factory configuration; identification fields are left untouched.
void loadDefaults(GyroConfig& config);

}  // namespace vn340
