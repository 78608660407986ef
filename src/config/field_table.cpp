#include "config/field_table.h"

namespace vn340 {
namespace {

constexpr std::string_view kServo = "Servo";
constexpr std::string_view kCommon = "Common";
constexpr std::string_view kMode1 = "Mode 1 (Rate Mode)";
constexpr std::string_view kMode2 = "Mode 2 (AVCS Mode)";

// The window shows "Rudder exponential" in both modes' groups.
constexpr std::string_view kRateExpoLabel = "Rudder exponential, Mode 1 (Rate)";
constexpr std::string_view kAvcsExpoLabel = "Rudder exponential, Mode 2 (AVCS)";

constexpr NoticeWords kEndpoint{"Endpoint", "%"};
constexpr NoticeWords kGain{"Gain", "%"};
constexpr NoticeWords kExponential{"Exponentials", "%"};
constexpr NoticeWords kNone{};

using C = Conversion;
using S = Setting;
using N = NumericField;

// clang-format off
constexpr std::array<FieldDescription, kSettingCount> kFields{{
    {S::HighEndpoint, kServo, "High endpoint", "High endpoint", {30, 145}, 100,
     "High endpoint", C::Number, &GyroConfig::highEndpoint, N::HighEndpoint, kEndpoint},
    {S::LowEndpoint, kServo, "Low endpoint", "Low endpoint", {30, 145}, 100,
     "Low endpoint", C::Number, &GyroConfig::lowEndpoint, N::LowEndpoint, kEndpoint},
    {S::MidpointTrim, kServo, "Midpoint trim", "Midpoint trim", {-100, 100}, 0,
     "Midpoint trim", C::Number, &GyroConfig::midpointTrim, N::MidpointTrim,
     {"Midpoint trim", ""}},
    {S::Servo, kServo, "Servo", "Servo", {0, 39}, 0, "Servo",
     C::ServoCode, nullptr, std::nullopt, kNone},
    // The range is wider than the option list; a value that passes it but names no option
    // leaves the selector empty.
    {S::Speed, kServo, "Speed", "Speed", {-100, 100}, 5, "Servo speed",
     C::SpeedValue, nullptr, std::nullopt, kNone},
    {S::Type, kServo, "Type", "Type", {0, 3}, 0, "Servo type",
     C::TypeValue, nullptr, std::nullopt, kNone},
    {S::Direction, kCommon, "Direction", "Direction", {0, 1}, 0, "Servo direction",
     C::Direction, nullptr, std::nullopt, kNone},
    {S::StickDeadband, kCommon, "Rudder stick deadband", "Rudder stick deadband", {5, 100}, 5,
     "Rudder stick deadband", C::Number, &GyroConfig::stickDeadband, N::StickDeadband,
     {"Deadband", ""}},
    {S::RateExpo, kMode1, "Rudder exponential", kRateExpoLabel, {-100, 100}, -50,
     "Rate mode rudder exponential", C::Number, &GyroConfig::rateExpo, N::RateExpo,
     kExponential},
    {S::AccelProfile, kMode2, "Acceleration profile", "Acceleration profile",
     {kProfileMin, kProfileMax}, kProfileMax, "Acceleration profile",
     C::Number, &GyroConfig::accelProfile, std::nullopt, kNone},
    {S::DecelProfile, kMode2, "Deceleration profile", "Deceleration profile",
     {kProfileMin, kProfileMax}, kProfileMax, "Deceleration profile",
     C::Number, &GyroConfig::decelProfile, std::nullopt, kNone},
    {S::CwStopGain, kMode2, "Clockwise stop gain", "Clockwise stop gain", {50, 200}, 100,
     "Clockwise stop gain", C::Number, &GyroConfig::cwStopGain, N::CwStopGain, kGain},
    {S::CcwStopGain, kMode2, "Counter clockwise stop gain", "Counter clockwise stop gain",
     {50, 200}, 100, "Counter clockwise stop gain", C::Number, &GyroConfig::ccwStopGain,
     N::CcwStopGain, kGain},
    {S::AvcsExpo, kMode2, "Rudder exponential", kAvcsExpoLabel, {-100, 100}, -50,
     "AVCS mode rudder exponential", C::Number, &GyroConfig::avcsExpo, N::AvcsExpo,
     kExponential},
    {S::AvcsSensitivity, kMode2, "Rudder sensitivity", "Rudder sensitivity", {50, 150}, 100,
     "AVCS mode rudder sensitivity", C::Number, &GyroConfig::avcsSensitivity,
     N::AvcsSensitivity, {"Sensitivity", "%"}},
}};
// clang-format on

constexpr bool inSettingOrder() {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].setting != static_cast<Setting>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(inSettingOrder(), "rows are looked up by their setting");

// The position of each typed field's row.
constexpr std::array<std::size_t, kNumericFieldCount> typedRows() {
    std::array<std::size_t, kNumericFieldCount> rows{};
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].typed) {
            rows[static_cast<std::size_t>(*kFields[i].typed)] = i;
        }
    }
    return rows;
}
constexpr std::array<std::size_t, kNumericFieldCount> kTypedRows = typedRows();

template <typename Option, std::size_t N>
int valueOrDefault(const std::array<Option, N>& options, int position, int fallback) {
    if (position < 0 || position >= static_cast<int>(N)) {
        return fallback;
    }
    return options[static_cast<std::size_t>(position)].value;
}

}  // namespace

std::span<const FieldDescription, kSettingCount> fieldDescriptions() {
    return kFields;
}

const FieldDescription& describe(Setting setting) {
    return kFields[static_cast<std::size_t>(setting)];
}

const FieldDescription& describe(NumericField field) {
    return kFields[kTypedRows[static_cast<std::size_t>(field)]];
}

const std::array<Setting, kSettingCount>& settingsReadOrder() {
    static constexpr std::array<Setting, kSettingCount> order{
        S::HighEndpoint, S::LowEndpoint, S::MidpointTrim,  S::Servo,           S::Speed,
        S::Type,         S::Direction,   S::StickDeadband, S::RateExpo,        S::AccelProfile,
        S::DecelProfile, S::CwStopGain,  S::CcwStopGain,   S::AvcsSensitivity, S::AvcsExpo,
    };
    return order;
}

int fileValue(const GyroConfig& config, const FieldDescription& field) {
    switch (field.conversion) {
        case C::Number:
            return config.*field.member;
        case C::ServoCode:
            if (config.servoModel < 0 || config.servoModel >= kServoRowCount) {
                return field.defaultValue;
            }
            return servoTable()[static_cast<std::size_t>(config.servoModel)].servoCode;
        case C::SpeedValue:
            return valueOrDefault(speedOptions(), config.servoSpeed, field.defaultValue);
        case C::TypeValue:
            return valueOrDefault(signalTypeOptions(), config.servoType, field.defaultValue);
        case C::Direction:
            break;
    }
    return config.direction == Direction::Normal ? 0 : 1;
}

void setFromFileValue(GyroConfig& config, const FieldDescription& field, int value) {
    switch (field.conversion) {
        case C::Number:
            config.*field.member = value;
            return;
        case C::ServoCode:
            config.servoModel = servoRowForCode(value).value_or(kNoSelection);
            return;
        case C::SpeedValue:
            config.servoSpeed =
                (value >= 1 && value <= kSpeedOptionCount) ? value - 1 : kNoSelection;
            return;
        case C::TypeValue:
            config.servoType = value;
            config.servoImpliedType = value;
            return;
        case C::Direction:
            config.direction = value == 0 ? Direction::Normal : Direction::Reverse;
            return;
    }
}

}  // namespace vn340
