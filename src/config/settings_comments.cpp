#include "config/settings_comments.h"

#include <optional>

#include "base/windows1252.h"
#include "config/profile_store.h"

namespace vn340 {
namespace {

// Text from a file written here (UTF-8) or on Windows (Windows-1252): valid UTF-8 is taken as
// such, anything else byte by byte as Windows-1252.
std::u32string decodeText(std::string_view bytes) {
    if (std::optional<std::u32string> utf8 = decodeUtf8(bytes)) {
        return *utf8;
    }
    std::u32string out;
    for (char byte : bytes) {
        out.push_back(fromWindows1252(static_cast<unsigned char>(byte)));
    }
    return out;
}

// Windows-1252 bytes when every character has one and the result cannot be mistaken for UTF-8
// on the way back in; otherwise UTF-8.
std::string encodeForFile(const std::u32string& text) {
    std::string cp1252;
    bool ascii = true;
    for (char32_t c : text) {
        const std::optional<unsigned char> byte = toWindows1252(c);
        if (!byte) {
            return encodeUtf8(text);
        }
        ascii = ascii && *byte < 0x80;
        cp1252.push_back(static_cast<char>(*byte));
    }
    if (!ascii && decodeUtf8(cp1252)) {
        return encodeUtf8(text);
    }
    return cp1252;
}

// A line break inside a value would cut the file's line, so it starts a line of its own; a NUL
// cannot be kept in a text file at all.
std::vector<std::u32string> fileLines(const std::vector<std::string>& lines) {
    std::vector<std::u32string> pieces;
    for (const std::string& line : lines) {
        pieces.emplace_back();
        const std::u32string text = decodeText(line);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == U'\r' || text[i] == U'\n') {
                if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') {
                    ++i;
                }
                pieces.emplace_back();
            } else if (text[i] != 0) {
                pieces.back().push_back(text[i]);
            }
        }
    }
    return pieces;
}

// Reading drops the blanks around a value and then one pair of matching outer quotes; a value
// that has such a pair of its own gets another one to drop.
std::string quotedForReading(std::string value) {
    std::string_view bare = value;
    while (!bare.empty() && (bare.front() == ' ' || bare.front() == '\t')) {
        bare.remove_prefix(1);
    }
    while (!bare.empty() && (bare.back() == ' ' || bare.back() == '\t')) {
        bare.remove_suffix(1);
    }
    if (bare.size() >= 2 && (bare.front() == '"' || bare.front() == '\'') &&
        bare.back() == bare.front()) {
        return bare.front() + value + bare.back();
    }
    return value;
}

}  // namespace

std::vector<std::string> splitAtLineBreaks(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
        } else {
            lines.back().push_back(text[i]);
        }
    }
    return lines;
}

std::string commentsToFileValue(const std::vector<std::string>& lines) {
    const std::vector<std::u32string> pieces = fileLines(lines);
    const std::u32string separator(kCommentSeparator.begin(), kCommentSeparator.end());
    const std::u32string separatorHead = separator.substr(0, separator.size() - 1);
    std::u32string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        joined += pieces[i];
        if (i + 1 < pieces.size()) {
            // "x_CRLF" followed by the separator would be cut after "x"; the blank keeps the
            // cut in its place and is trimmed away again on load.
            if (pieces[i].ends_with(separatorHead)) {
                joined.push_back(U' ');
            }
            joined += separator;
        }
    }
    return quotedForReading(encodeForFile(joined));
}

std::string commentsFromFileValue(std::string_view value) {
    std::u32string decoded = decodeText(value);
    std::erase(decoded, U'\0');
    std::string comments;
    for (const std::string& piece : splitList(encodeUtf8(decoded), kCommentSeparator)) {
        comments.append(piece).append("\n");
    }
    return comments;
}

}  // namespace vn340
