#pragma once

// Text between the code page of files written on Windows (Windows-1252) and Unicode, and
// Unicode in UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace vn340 {

// The character of a Windows-1252 byte. The five bytes the code page leaves undefined stand
// for the C1 control of the same number, as Windows converts them, so every byte survives a
// round trip.
char32_t fromWindows1252(unsigned char byte);

// The Windows-1252 byte of a character, or none when the code page has no such character.
std::optional<unsigned char> toWindows1252(char32_t c);

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF), or none.
std::optional<std::u32string> decodeUtf8(std::string_view bytes);

std::string encodeUtf8(std::u32string_view text);

}  // namespace vn340
