#include "config/field_editor.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "config/field_rules.h"

namespace vn340 {
namespace {

struct ParseCase {
    const char* text;
    std::optional<int> value;
};

TEST(FieldEditorTest, BoxesTakeWholeNumbersOnly) {
    const ParseCase cases[] = {
        {"12", 12},
        {"  -5", -5},
        {"+7  ", 7},
        {"\t0", 0},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"-", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"abc", std::nullopt},
        {"1.5", std::nullopt},
        {"\n5", std::nullopt},
        {"0x10", std::nullopt},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
        {"99999999999999999999", INT_MAX},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(parseEditInteger(c.text), c.value) << '"' << c.text << '"';
    }
}

// A model whose every box field holds something of its own.
GyroConfig distinctModel() {
    GyroConfig config;
    for (int i = 0; i < kNumericFieldCount; ++i) {
        fieldValue(config, static_cast<NumericField>(i)) = 40 + i;
    }
    config.firmwareVersion = "1.09";
    config.loaderVersion = "2.01";
    config.serialNumber = "4711";
    config.userComments = "notes\n";
    return config;
}

TEST(FieldEditorTest, TheTextsOfOneModelTakenIntoAnotherCopyIt) {
    const GyroConfig shown = distinctModel();
    GyroConfig taken;
    EXPECT_EQ(takeBoxTexts(taken, [&](BoxField field) { return boxText(shown, field); }),
              std::nullopt);
    for (const BoxField& field : exchangeOrder()) {
        EXPECT_EQ(boxText(taken, field), boxText(shown, field));
    }
    EXPECT_EQ(boxText(shown, NumericField::MidpointTrim), "48");
    EXPECT_EQ(boxText(shown, TextField::UserComments), "notes\n");
}

// The taking stops at the first box without a whole number: the comments typed after it stay
// untaken as well, which is why the window then only puts two boxes right.
TEST(FieldEditorTest, TakingStopsAtTheFirstBoxWithoutANumber) {
    struct Case {
        NumericField bad;
        std::vector<BoxField> taken;
        std::vector<BoxField> kept;
    };
    const Case cases[] = {
        {NumericField::LowEndpoint,
         {NumericField::CwStopGain, NumericField::AvcsExpo},
         {NumericField::AvcsSensitivity, TextField::SerialNumber, NumericField::MidpointTrim,
          TextField::UserComments}},
        {NumericField::MidpointTrim,
         {NumericField::AvcsSensitivity, TextField::SerialNumber},
         {TextField::UserComments}},
        {NumericField::HighEndpoint, {}, {NumericField::CwStopGain, TextField::FirmwareVersion}},
    };
    const GyroConfig typed = distinctModel();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.bad));
        GyroConfig model;
        const GyroConfig before = model;
        const auto failed = takeBoxTexts(model, [&](BoxField field) {
            return field == BoxField(c.bad) ? std::string("12x") : boxText(typed, field);
        });
        EXPECT_EQ(failed, c.bad);
        EXPECT_EQ(fieldValue(model, c.bad), fieldValue(before, c.bad));
        for (const BoxField& field : c.taken) {
            EXPECT_EQ(boxText(model, field), boxText(typed, field));
        }
        for (const BoxField& field : c.kept) {
            EXPECT_EQ(boxText(model, field), boxText(before, field));
        }
    }
}

}  // namespace
}  // namespace vn340
