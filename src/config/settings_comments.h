#pragma once

// The pilot's notes in a settings file: one value, the lines joined with "_CRLF_".

#include <string>
#include <string_view>
#include <vector>

namespace vn340 {

inline constexpr std::string_view kCommentSeparator = "_CRLF_";

// Comment lines joined with "_CRLF_" for the file: Windows-1252 when every character fits, so
// the file still reads right on Windows, otherwise UTF-8. Quoted so that quotes of the pilot's
// own survive the reading rules.
std::string commentsToFileValue(const std::vector<std::string>& lines);

// The comment value of a file as the comment box's text: pieces between "_CRLF_" trimmed, empty
// ones dropped, each followed by a line break. Valid UTF-8 is kept, anything else is read as
// Windows-1252.
std::string commentsFromFileValue(std::string_view value);

// The text cut at its line breaks (CR LF, LF or CR): the lines of a comment box that does not
// wrap.
std::vector<std::string> splitAtLineBreaks(std::string_view text);

}  // namespace vn340
