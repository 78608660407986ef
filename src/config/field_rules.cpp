#include "config/field_rules.h"

#include <string_view>

namespace vn340 {

namespace {

// The upper-limit notice really says "change", not "changed": pilots know the program's
// wording, so it stays as it always was.
std::string lowerNotice(std::string_view subject, int limit, std::string_view unit) {
    const std::string limitText = std::to_string(limit) + std::string(unit);
    return std::string(subject) + " must be greater or equal to " + limitText +
           "\nValue has been changed to " + limitText + " automatically";
}

std::string upperNotice(std::string_view subject, int limit, std::string_view unit) {
    const std::string limitText = std::to_string(limit) + std::string(unit);
    return std::string(subject) + " must be less or equal to " + limitText +
           "\nValue has been change to " + limitText + " automatically";
}

FieldRule makeRule(NumericField field, int editBoxId, std::string_view subject, int low, int high,
                   std::string_view unit) {
    return FieldRule{field,
                     editBoxId,
                     low,
                     high,
                     lowerNotice(subject, low, unit),
                     upperNotice(subject, high, unit)};
}

std::array<FieldRule, kNumericFieldCount> buildRules() {
    return {{
        makeRule(NumericField::HighEndpoint, 1033, "Endpoint", 30, 145, "%"),
        makeRule(NumericField::LowEndpoint, 1034, "Endpoint", 30, 145, "%"),
        makeRule(NumericField::CwStopGain, 1037, "Gain", 50, 200, "%"),
        makeRule(NumericField::CcwStopGain, 1038, "Gain", 50, 200, "%"),
        makeRule(NumericField::StickDeadband, 1039, "Deadband", 5, 100, ""),
        makeRule(NumericField::AvcsExpo, 1040, "Exponentials", -100, 100, "%"),
        makeRule(NumericField::RateExpo, 1041, "Exponentials", -100, 100, "%"),
        makeRule(NumericField::AvcsSensitivity, 1048, "Sensitivity", 50, 150, "%"),
        makeRule(NumericField::MidpointTrim, 1045, "Midpoint trim", -100, 100, ""),
    }};
}

}  // namespace

const FieldRule& fieldRule(NumericField field) {
    static const std::array<FieldRule, kNumericFieldCount> rules = buildRules();
    return rules[static_cast<std::size_t>(field)];
}

const std::array<NumericField, kNumericFieldCount>& fieldCheckOrderAfterLoad() {
    static constexpr std::array<NumericField, kNumericFieldCount> order{
        NumericField::HighEndpoint, NumericField::LowEndpoint,     NumericField::CwStopGain,
        NumericField::CcwStopGain,  NumericField::StickDeadband,   NumericField::AvcsExpo,
        NumericField::RateExpo,     NumericField::AvcsSensitivity, NumericField::MidpointTrim,
    };
    return order;
}

FieldCheckResult checkFieldValue(NumericField field, int value) {
    const FieldRule& rule = fieldRule(field);
    if (value < rule.lowLimit) {
        return {rule.lowLimit, rule.lowNotice};
    }
    if (value > rule.highLimit) {
        return {rule.highLimit, rule.highNotice};
    }
    return {value, std::nullopt};
}

int& fieldValue(GyroConfig& config, NumericField field) {
    switch (field) {
        case NumericField::HighEndpoint:
            return config.highEndpoint;
        case NumericField::LowEndpoint:
            return config.lowEndpoint;
        case NumericField::CwStopGain:
            return config.cwStopGain;
        case NumericField::CcwStopGain:
            return config.ccwStopGain;
        case NumericField::StickDeadband:
            return config.stickDeadband;
        case NumericField::AvcsExpo:
            return config.avcsExpo;
        case NumericField::RateExpo:
            return config.rateExpo;
        case NumericField::AvcsSensitivity:
            return config.avcsSensitivity;
        case NumericField::MidpointTrim:
            break;
    }
    return config.midpointTrim;
}

int fieldValue(const GyroConfig& config, NumericField field) {
    return fieldValue(const_cast<GyroConfig&>(config), field);
}

}  // namespace vn340
