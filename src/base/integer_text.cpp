#include "base/integer_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace vn340 {
namespace {

constexpr std::uint64_t kBeyond32Bits = std::uint64_t{1} << 32;

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

std::optional<int> parseInteger(std::string_view text, const IntegerRules& rules) {
    const auto isSpace = [&](char c) { return rules.anyWhiteSpace ? isWhiteSpace(c) : isBlank(c); };
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (rules.base == 16 && i + 2 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && digitValue(text[i + 2]) < 16) {
        i += 2;
    }
    const std::size_t firstDigit = i;
    std::uint64_t magnitude = 0;  // held at kBeyond32Bits once it gets there
    for (; i < text.size() && digitValue(text[i]) < rules.base; ++i) {
        magnitude = std::min(magnitude * static_cast<unsigned>(rules.base) +
                                 static_cast<unsigned>(digitValue(text[i])),
                             kBeyond32Bits);
    }
    if (i == firstDigit) {
        return std::nullopt;
    }
    if (rules.wholeText) {
        while (i < text.size() && isSpace(text[i])) {
            ++i;
        }
        if (i != text.size()) {
            return std::nullopt;
        }
    }
    if (rules.unsigned32) {
        // Out of range is the largest value, whatever the sign.
        if (magnitude > UINT32_MAX) {
            return static_cast<int>(UINT32_MAX);
        }
        const auto value = static_cast<std::uint32_t>(magnitude);
        return static_cast<int>(negative ? 0u - value : value);
    }
    const auto value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace vn340
