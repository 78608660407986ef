#include "config/field_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

namespace vn340 {
namespace {

struct RuleRow {
    NumericField field;
    int low;
    int high;
    const char* lowNotice;
    const char* highNotice;
};

const RuleRow kRows[] = {
    {NumericField::HighEndpoint, 30, 145,
     "Endpoint must be greater or equal to 30%\nValue has been changed to 30% automatically",
     "Endpoint must be less or equal to 145%\nValue has been change to 145% automatically"},
    {NumericField::LowEndpoint, 30, 145,
     "Endpoint must be greater or equal to 30%\nValue has been changed to 30% automatically",
     "Endpoint must be less or equal to 145%\nValue has been change to 145% automatically"},
    {NumericField::CwStopGain, 50, 200,
     "Gain must be greater or equal to 50%\nValue has been changed to 50% automatically",
     "Gain must be less or equal to 200%\nValue has been change to 200% automatically"},
    {NumericField::CcwStopGain, 50, 200,
     "Gain must be greater or equal to 50%\nValue has been changed to 50% automatically",
     "Gain must be less or equal to 200%\nValue has been change to 200% automatically"},
    {NumericField::StickDeadband, 5, 100,
     "Deadband must be greater or equal to 5\nValue has been changed to 5 automatically",
     "Deadband must be less or equal to 100\nValue has been change to 100 automatically"},
    {NumericField::AvcsExpo, -100, 100,
     "Exponentials must be greater or equal to -100%\nValue has been changed to -100% "
     "automatically",
     "Exponentials must be less or equal to 100%\nValue has been change to 100% automatically"},
    {NumericField::RateExpo, -100, 100,
     "Exponentials must be greater or equal to -100%\nValue has been changed to -100% "
     "automatically",
     "Exponentials must be less or equal to 100%\nValue has been change to 100% automatically"},
    {NumericField::AvcsSensitivity, 50, 150,
     "Sensitivity must be greater or equal to 50%\nValue has been changed to 50% automatically",
     "Sensitivity must be less or equal to 150%\nValue has been change to 150% automatically"},
    {NumericField::MidpointTrim, -100, 100,
     "Midpoint trim must be greater or equal to -100\nValue has been changed to -100 "
     "automatically",
     "Midpoint trim must be less or equal to 100\nValue has been change to 100 automatically"},
};

// For every field: just outside, on and just inside both limits, and the 32-bit extremes.
TEST(FieldRulesTest, ClampsAtTheLimitsOnlyWithTheFieldsNotice) {
    for (const RuleRow& row : kRows) {
        SCOPED_TRACE(static_cast<int>(row.field));
        const FieldRule& rule = fieldRule(row.field);
        EXPECT_EQ(rule.field, row.field);
        EXPECT_EQ(rule.lowLimit, row.low);
        EXPECT_EQ(rule.highLimit, row.high);
        EXPECT_EQ(rule.lowNotice, row.lowNotice);
        EXPECT_EQ(rule.highNotice, row.highNotice);
        struct Case {
            int in;
            int out;
            std::optional<std::string> notice;
        };
        const Case cases[] = {
            {INT_MIN, row.low, row.lowNotice},          {row.low - 1, row.low, row.lowNotice},
            {row.low, row.low, std::nullopt},           {row.low + 1, row.low + 1, std::nullopt},
            {row.high - 1, row.high - 1, std::nullopt}, {row.high, row.high, std::nullopt},
            {row.high + 1, row.high, row.highNotice},   {INT_MAX, row.high, row.highNotice},
        };
        for (const Case& c : cases) {
            const FieldCheckResult r = checkFieldValue(row.field, c.in);
            EXPECT_EQ(r.value, c.out) << "input " << c.in;
            EXPECT_EQ(r.notice, c.notice) << "input " << c.in;
        }
    }
}

TEST(FieldRulesTest, OrderAfterLoadAndModelAccess) {
    const NumericField want[] = {
        NumericField::HighEndpoint, NumericField::LowEndpoint,     NumericField::CwStopGain,
        NumericField::CcwStopGain,  NumericField::StickDeadband,   NumericField::AvcsExpo,
        NumericField::RateExpo,     NumericField::AvcsSensitivity, NumericField::MidpointTrim,
    };
    const auto& order = fieldCheckOrderAfterLoad();
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(order[i], want[i]) << "check " << i;
    }

    GyroConfig c;
    c.highEndpoint = 1;
    c.lowEndpoint = 2;
    c.cwStopGain = 3;
    c.ccwStopGain = 4;
    c.stickDeadband = 5;
    c.avcsExpo = 6;
    c.rateExpo = 7;
    c.avcsSensitivity = 8;
    c.midpointTrim = 9;
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(fieldValue(c, order[i]), static_cast<int>(i) + 1) << "field " << i;
        fieldValue(c, order[i]) = 100 + static_cast<int>(i);
    }
    EXPECT_EQ(c.highEndpoint, 100);
    EXPECT_EQ(c.midpointTrim, 108);
}

}  // namespace
}  // namespace vn340
