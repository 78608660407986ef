#pragma once

// One description per setting a settings file carries: where the file keeps it, the range it
// must lie in, its factory default, how the model holds it, and for the nine numbers the pilot
// types, the words of the notice that tells of a correction. The field rules, the defaults and
// the settings file's reader and writer all read this table.

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "config/gyro_config.h"

namespace vn340 {

// The nine numeric parameters the pilot types into edit boxes, in the order their checks run
// after a settings file has been loaded.
enum class NumericField {
    HighEndpoint,
    LowEndpoint,
    CwStopGain,
    CcwStopGain,
    StickDeadband,
    AvcsExpo,
    RateExpo,
    AvcsSensitivity,
    MidpointTrim,
};

inline constexpr int kNumericFieldCount = 9;

// Every setting of a settings file, in the order the file is written.
enum class Setting {
    HighEndpoint,
    LowEndpoint,
    MidpointTrim,
    Servo,
    Speed,
    Type,
    Direction,
    StickDeadband,
    RateExpo,
    AccelProfile,
    DecelProfile,
    CwStopGain,
    CcwStopGain,
    AvcsExpo,
    AvcsSensitivity,
};

inline constexpr int kSettingCount = 15;

// How the model holds a setting that the file keeps as a number.
enum class Conversion {
    Number,      // the model's member itself
    ServoCode,   // the file names the servo row by its code
    SpeedValue,  // the speed option's value, its position + 1
    TypeValue,   // the signal type's value, its position
    Direction,   // 0 for Normal, 1 for Reverse
};

struct Range {
    int low;   // inclusive
    int high;  // inclusive
    constexpr bool contains(int value) const { return value >= low && value <= high; }
};

// The notice that tells the pilot a typed value was changed, in two lines like
// "<subject> must be greater or equal to <limit><unit>".
struct NoticeWords {
    std::string_view subject;
    std::string_view unit;
};

struct FieldDescription {
    Setting setting;
    std::string_view section;
    std::string_view key;
    // The name the window shows the setting under, with its group where the window shows the
    // same name twice.
    std::string_view label;
    // What a value must lie in: in a file, and for a typed field also in its box.
    Range range;
    // The factory value as the file keeps it; also what replaces a file's value outside the
    // range.
    int defaultValue;
    // The name in "Unexpected value found in the configuration file for ...".
    std::string_view problemName;
    Conversion conversion;
    int GyroConfig::*member;  // for Conversion::Number
    std::optional<NumericField> typed;
    NoticeWords notice;  // for typed fields
};

// Every setting, in the order the file is written.
std::span<const FieldDescription, kSettingCount> fieldDescriptions();

const FieldDescription& describe(Setting setting);
const FieldDescription& describe(NumericField field);

// The order a settings file is read in: as written, but "Rudder sensitivity" of the AVCS mode
// before its "Rudder exponential".
const std::array<Setting, kSettingCount>& settingsReadOrder();

// The value as the file keeps it. A choice without a selection gives the default.
int fileValue(const GyroConfig& config, const FieldDescription& field);

// Puts a file's value into the model. A code or value that names no row or option leaves its
// selector without a selection; the loaded type also becomes the one the servo implies.
void setFromFileValue(GyroConfig& config, const FieldDescription& field, int value);

}  // namespace vn340
