#pragma once

// Whole numbers read from text, under the rules of the caller: the profile store reads like
// the C library's strtoul on Windows, the window's edit boxes take a whole number or nothing.

#include <optional>
#include <string_view>

namespace vn340 {

struct IntegerRules {
    int base = 10;  // 2, 8, 10 or 16; base 16 also takes "0x" in front of the digits
    // Around the number: any white space (line breaks, form feeds and vertical tabs too), or
    // else only blanks (spaces and tabs).
    bool anyWhiteSpace = false;
    // Only that white space may follow the digits; otherwise reading stops at the first
    // non-digit.
    bool wholeText = false;
    // Read as a 32-bit unsigned number, the bit pattern of a hexadecimal, octal or binary
    // value: beyond 32 bits (either sign) gives the largest one, a minus sign negates modulo
    // 2^32. Otherwise a number beyond the int range gives the nearest limit, never wrapped.
    bool unsigned32 = false;
};

// The number, or none when no digit follows the blanks and the sign (or, for a whole text,
// when anything but blanks follows the digits). A sign may precede the digits.
std::optional<int> parseInteger(std::string_view text, const IntegerRules& rules = {});

}  // namespace vn340
