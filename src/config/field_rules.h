#pragma once

#include <array>
#include <optional>
#include <string>

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

struct FieldRule {
    NumericField field;
    int editBoxId;  // the control the notice is shown beside
    int lowLimit;   // inclusive
    int highLimit;  // inclusive
    std::string lowNotice;
    std::string highNotice;
};

const FieldRule& fieldRule(NumericField field);

// All nine fields in the order of the checks that follow a settings-file load.
const std::array<NumericField, kNumericFieldCount>& fieldCheckOrderAfterLoad();

struct FieldCheckResult {
    int value;                          // inside the limits
    std::optional<std::string> notice;  // set when the value had to be changed
};

// Holds a value to the field's limits: never refused, only replaced by the limit it crossed.
FieldCheckResult checkFieldValue(NumericField field, int value);

int& fieldValue(GyroConfig& config, NumericField field);
int fieldValue(const GyroConfig& config, NumericField field);

}  // namespace vn340
