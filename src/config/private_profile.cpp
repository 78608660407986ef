#include "config/private_profile.h"

#include <cerrno>

#include "base/ascii_case.h"
#include "base/windows1252.h"

namespace vn340::profile {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// One line of the file: [begin, end) is its text, [end, next) its line break (empty on a last
// line without one).
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

// Some editors put a byte-order mark in front of a UTF-8 file. It belongs to no line: a first
// line of "\xEF\xBB\xBF[Gyro]" is the section header it looks like, and writes keep the mark.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t begin = content.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
    while (begin < content.size()) {
        std::size_t end = begin;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n') {
            ++end;
        }
        std::size_t next = end;
        if (next < content.size()) {
            next +=
                (content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n')
                    ? 2
                    : 1;
        }
        lines.push_back({begin, end, next});
        begin = next;
    }
    return lines;
}

enum class LineKind { Blank, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Key;
    std::string_view name;   // section or key name, blanks dropped
    std::string_view value;  // key value up to any NUL, blanks dropped, quotes still on
    // Offset of "=" within the line text; none on a line of a bare key name.
    std::optional<std::size_t> equalsAt;
};

ParsedLine parseLine(std::string_view text) {
    ParsedLine parsed;
    const std::string_view body = trimBlanks(text);
    if (body.empty()) {
        parsed.kind = LineKind::Blank;
        return parsed;
    }
    if (body.front() == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (body.front() == '[') {
        const std::size_t close = body.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::Section;
            parsed.name = trimBlanks(body.substr(1, close - 1));
            return parsed;
        }
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        // Windows takes a bare name for that key with an empty value, which hides any later
        // line of the key.
        parsed.name = body;
        return parsed;
    }
    parsed.name = trimBlanks(text.substr(0, equals));
    // Windows' strings end at a NUL, and so does a value read there.
    const std::string_view value = text.substr(equals + 1);
    parsed.value = trimBlanks(value.substr(0, value.find('\0')));
    parsed.equalsAt = equals;
    return parsed;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Where a section and a key of it lie in the file.
struct Location {
    std::optional<std::size_t> sectionLine;  // the first section of the name
    std::optional<std::size_t> keyLine;      // the first key of the name in it
    std::size_t lastLine = 0;                // its last non-blank line (the header at least)
};

Location locate(std::string_view content, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed =
            parseLine(content.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (parsed.kind == LineKind::Section) {
            if (where.sectionLine) {
                break;  // only the first section of a name counts
            }
            inSection = equalsIgnoringCase(parsed.name, section);
            if (inSection) {
                where.sectionLine = i;
                where.lastLine = i;
            }
            continue;
        }
        if (!inSection || parsed.kind == LineKind::Blank) {
            continue;
        }
        where.lastLine = i;
        if (parsed.kind == LineKind::Key && !where.keyLine &&
            equalsIgnoringCase(parsed.name, key)) {
            where.keyLine = i;
        }
    }
    return where;
}

bool endsInLineBreak(std::string_view content) {
    return content.empty() || content.back() == '\n' || content.back() == '\r';
}

bool startsWith(std::string_view text, char c) {
    return !text.empty() && text.front() == c;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

bool hasNul(std::string_view text) {
    return text.find('\0') != text.npos;
}

std::optional<std::string> valueInBytes(std::string_view content, std::string_view section,
                                        std::string_view key) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty()) {
        return std::nullopt;
    }
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(content, lines, section, key);
    if (!where.keyLine) {
        return std::nullopt;
    }
    const Line& line = lines[*where.keyLine];
    const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
    return std::string(unquote(parsed.value));
}

std::vector<std::string> sectionNamesInBytes(std::string_view content) {
    std::vector<std::string> names;
    for (const Line& line : splitLines(content)) {
        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section && !parsed.name.empty()) {
            names.emplace_back(parsed.name);
        }
    }
    return names;
}

std::optional<std::string> withValueInBytes(std::string_view content, std::string_view section,
                                            std::string_view key,
                                            std::optional<std::string_view> value) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    std::string result(content);
    if (!endsInLineBreak(result)) {
        result += "\r\n";
    }
    const std::vector<Line> lines = splitLines(result);
    const Location where = locate(result, lines, section, key);
    if (!value) {
        if (!where.keyLine) {
            return std::nullopt;
        }
        const Line& line = lines[*where.keyLine];
        result.erase(line.begin, line.next - line.begin);
        return result;
    }
    if (!where.sectionLine) {
        result.append("[").append(section).append("]\r\n");
        result.append(key).append("=").append(*value).append("\r\n");
        return result;
    }
    if (where.keyLine) {
        const Line& line = lines[*where.keyLine];
        const ParsedLine parsed = parseLine(result.substr(line.begin, line.end - line.begin));
        if (!parsed.equalsAt) {
            // The bare name is the key Windows reads: it gets its value, as there.
            result.insert(line.end, "=" + std::string(*value));
            return result;
        }
        const std::size_t valueAt = line.begin + *parsed.equalsAt + 1;
        result.replace(valueAt, line.end - valueAt, *value);
        return result;
    }
    std::string newLine(key);
    newLine.append("=").append(*value).append("\r\n");
    result.insert(lines[where.lastLine].next, newLine);
    return result;
}

// ---- Files in UTF-16 ----
// Windows reads a file that starts with the UTF-16 little-endian byte-order mark as Unicode
// text, its ANSI functions see that text in the code page, and its writes keep the file in
// UTF-16. Such a file is handled here as UTF-8, which keeps every code unit (a lone surrogate
// too, in the three bytes it would have as a character) and holds every ASCII character the
// rules look for as the same byte; names and values cross over from Windows-1252 and back,
// "?" standing for whatever the code page lacks, as in Windows' conversion.

constexpr std::string_view kUtf16ByteOrderMark = "\xFF\xFE";

bool isUtf16(std::string_view content) {
    return content.starts_with(kUtf16ByteOrderMark);
}

// The code units after the mark. An odd last byte is half a unit, which Windows does not read.
std::string_view utf16Units(std::string_view content) {
    content.remove_prefix(kUtf16ByteOrderMark.size());
    return content.substr(0, content.size() - content.size() % 2);
}

char32_t unitAt(std::string_view units, std::size_t at) {
    return static_cast<char32_t>(static_cast<unsigned char>(units[at]) |
                                 static_cast<unsigned char>(units[at + 1]) << 8);
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::string utf16ToUtf8(std::string_view units) {
    std::u32string text;
    for (std::size_t at = 0; at < units.size(); at += 2) {
        const char32_t unit = unitAt(units, at);
        if (isHighSurrogate(unit) && at + 2 < units.size() &&
            isLowSurrogate(unitAt(units, at + 2))) {
            text.push_back(0x10000 + ((unit - 0xD800) << 10) + (unitAt(units, at + 2) - 0xDC00));
            at += 2;
        } else {
            text.push_back(unit);
        }
    }
    return encodeUtf8(text);
}

// The characters of text made by utf16ToUtf8 or ansiToUtf8, lone surrogates included.
std::u32string charactersOf(std::string_view text) {
    std::u32string characters;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t k = 1; k < length && at + k < text.size(); ++k) {
            c = c << 6 | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
        }
        characters.push_back(c);
        at += length;
    }
    return characters;
}

std::string utf8ToUtf16(std::string_view text) {
    std::string units;
    const auto put = [&](char32_t unit) {
        units.push_back(static_cast<char>(unit & 0xFF));
        units.push_back(static_cast<char>(unit >> 8));
    };
    for (char32_t c : charactersOf(text)) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return units;
}

std::string ansiToUtf8(std::string_view bytes) {
    std::u32string text;
    for (char byte : bytes) {
        text.push_back(fromWindows1252(static_cast<unsigned char>(byte)));
    }
    return encodeUtf8(text);
}

std::string utf8ToAnsi(std::string_view text) {
    std::string bytes;
    for (char32_t c : charactersOf(text)) {
        bytes.push_back(static_cast<char>(toWindows1252(c).value_or('?')));
    }
    return bytes;
}

}  // namespace

std::optional<std::string> findValue(std::string_view content, std::string_view section,
                                     std::string_view key) {
    if (!isUtf16(content)) {
        return valueInBytes(content, section, key);
    }
    const std::optional<std::string> value =
        valueInBytes(utf16ToUtf8(utf16Units(content)), ansiToUtf8(section), ansiToUtf8(key));
    return value ? std::optional(utf8ToAnsi(*value)) : std::nullopt;
}

std::vector<std::string> sectionNamesIn(std::string_view content) {
    if (!isUtf16(content)) {
        return sectionNamesInBytes(content);
    }
    std::vector<std::string> names = sectionNamesInBytes(utf16ToUtf8(utf16Units(content)));
    for (std::string& name : names) {
        name = utf8ToAnsi(name);
    }
    return names;
}

bool hasSection(std::string_view content, std::string_view name) {
    for (const std::string& each : sectionNamesIn(content)) {
        if (equalsIgnoringCase(each, name)) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> withValue(std::string_view content, std::string_view section,
                                     std::string_view key, std::optional<std::string_view> value) {
    if (!isUtf16(content)) {
        return withValueInBytes(content, section, key, value);
    }
    const std::string_view units = utf16Units(content);
    const std::optional<std::string> text =
        value ? std::optional(ansiToUtf8(*value)) : std::nullopt;
    const std::optional<std::string> changed =
        withValueInBytes(utf16ToUtf8(units), ansiToUtf8(section), ansiToUtf8(key),
                         text ? std::optional<std::string_view>(*text) : std::nullopt);
    if (!changed) {
        return std::nullopt;
    }
    // A half unit at the end stays there, as unread as before.
    return std::string(kUtf16ByteOrderMark) + utf8ToUtf16(*changed) +
           std::string(content.substr(kUtf16ByteOrderMark.size() + units.size()));
}

std::string nameProblem(std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty()) {
        return "no section or key name given";
    }
    if (hasLineBreak(section) || hasLineBreak(key) || (value && hasLineBreak(*value))) {
        return "a name or value holds a line break";
    }
    // Windows' strings end at a NUL: no name or value can hold one.
    if (hasNul(section) || hasNul(key) || (value && hasNul(*value))) {
        return "a name or value holds a NUL character";
    }
    if (section.find(']') != section.npos) {
        return "a section name holds \"]\"";
    }
    if (key.find('=') != key.npos || startsWith(key, ';') || startsWith(key, '[')) {
        return "a key name holds \"=\" or starts with \";\" or \"[\"";
    }
    return {};
}

namespace {

// The bytes of the file; empty when it is missing or cannot be read.
std::string readBytes(FileSystem& files, const std::string& path) {
    std::string bytes;
    files.read(path, bytes);
    return bytes;
}

// The old file is read first so that a write never clobbers one it could not read.
SysResult change(FileSystem& files, const std::string& path, std::string_view section,
                 std::string_view key, std::optional<std::string_view> value) {
    const std::string problem = nameProblem(section, key, value);
    if (!problem.empty()) {
        return {EINVAL, "Cannot write \"" + path + "\": " + problem + "."};
    }
    std::string old;
    if (const SysResult read = files.read(path, old); !read) {
        // A pipe or a device must not be renamed over.
        if (read.error == EINVAL) {
            return {EINVAL, "Cannot write \"" + path + "\": it is not a regular file."};
        }
        return cannotWrite(path, read.error);
    }
    const std::optional<std::string> changed = withValue(old, section, key, value);
    if (!changed) {
        return {};
    }
    return files.replace(path, *changed);
}

}  // namespace

std::optional<std::string> getString(FileSystem& files, const std::string& path,
                                     std::string_view section, std::string_view key) {
    return findValue(readBytes(files, path), section, key);
}

SysResult writeString(FileSystem& files, const std::string& path, std::string_view section,
                      std::string_view key, std::string_view value) {
    return change(files, path, section, key, value);
}

SysResult deleteKey(FileSystem& files, const std::string& path, std::string_view section,
                    std::string_view key) {
    return change(files, path, section, key, std::nullopt);
}

std::vector<std::string> sectionNames(FileSystem& files, const std::string& path) {
    return sectionNamesIn(readBytes(files, path));
}

}  // namespace vn340::profile
