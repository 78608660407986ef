#include "base/integer_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

namespace vn340 {
namespace {

// A number in a settings file: white space, a sign, decimal digits, white space, and nothing
// else; beyond the int range the nearest limit.
TEST(IntegerTextTest, AWholeDecimalNumberOrNone) {
    struct Row {
        const char* text;
        std::optional<int> expected;
    };
    const Row rows[] = {
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"4294967295", INT_MAX},
        {"4294967296", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-4294967296", INT_MIN},
        {"+5", 5},
        {"-0", 0},
        {" 7 ", 7},
        {"\t-0012\t", -12},
        {"\v8\f", 8},
        {"12abc", std::nullopt},
        {"1e2", std::nullopt},
        {"0x10", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"-", std::nullopt},
        {"+-5", std::nullopt},
        {"- 5", std::nullopt},
        {"5 5", std::nullopt},
        {"5.0", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(parseInteger(row.text, {.anyWhiteSpace = true, .wholeText = true}), row.expected)
            << "'" << row.text << "'";
    }
}

// The window's boxes take blanks only, before and after.
TEST(IntegerTextTest, BlanksAloneAroundABoxNumber) {
    EXPECT_EQ(parseInteger(" \t9\t ", {.wholeText = true}), 9);
    EXPECT_EQ(parseInteger("\v9", {.wholeText = true}), std::nullopt);
    EXPECT_EQ(parseInteger("9\v", {.wholeText = true}), std::nullopt);
}

}  // namespace
}  // namespace vn340
