#pragma once

// Text between the program's UTF-8 and the UTF-16 that Windows' own calls take and give.
// Windows only.

#include <string>
#include <string_view>

namespace vn340 {

std::wstring wide(std::string_view text);
std::string utf8(std::wstring_view text);

}  // namespace vn340
