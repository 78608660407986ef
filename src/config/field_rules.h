#pragma once

// The limits of the nine numbers the pilot types: a value outside is never refused, only
// replaced by the limit it crossed, with a notice that says so.

#include <array>
#include <optional>
#include <string>

#include "config/field_table.h"
#include "config/gyro_config.h"

namespace vn340 {

struct FieldRule {
    NumericField field;
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
