#pragma once

// Names in INI files and the words the profile store accepts compare without regard to the
// letter case of A to Z only, whatever the locale: bytes of other letters stay as they are.

#include <algorithm>
#include <string_view>

namespace vn340 {

inline char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

}  // namespace vn340
