#include "config/field_rules.h"

#include <string_view>

namespace vn340 {

namespace {

// The upper-limit notice really says "change", not "changed": pilots know the program's
// wording, so it stays as it always was.
std::string lowerNotice(NoticeWords words, int limit) {
    const std::string limitText = std::to_string(limit) + std::string(words.unit);
    return std::string(words.subject) + " must be greater or equal to " + limitText +
           "\nValue has been changed to " + limitText + " automatically";
}

std::string upperNotice(NoticeWords words, int limit) {
    const std::string limitText = std::to_string(limit) + std::string(words.unit);
    return std::string(words.subject) + " must be less or equal to " + limitText +
           "\nValue has been change to " + limitText + " automatically";
}

std::array<FieldRule, kNumericFieldCount> buildRules() {
    std::array<FieldRule, kNumericFieldCount> rules{};
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const auto field = static_cast<NumericField>(i);
        const FieldDescription& description = describe(field);
        const Range limits = description.range;
        rules[i] =
            FieldRule{field, limits.low, limits.high, lowerNotice(description.notice, limits.low),
                      upperNotice(description.notice, limits.high)};
    }
    return rules;
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
    return config.*describe(field).member;
}

int fieldValue(const GyroConfig& config, NumericField field) {
    return config.*describe(field).member;
}

}  // namespace vn340
