#include "config/private_profile.h"

#include <cerrno>

#include "base/ascii_case.h"

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

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;     // section or key name, blanks dropped
    std::string_view value;    // key value, blanks dropped, quotes still on
    std::size_t equalsAt = 0;  // offset of "=" within the line text
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
        return parsed;
    }
    parsed.kind = LineKind::Key;
    parsed.name = trimBlanks(text.substr(0, equals));
    parsed.value = trimBlanks(text.substr(equals + 1));
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

}  // namespace

std::optional<std::string> findValue(std::string_view content, std::string_view section,
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

std::vector<std::string> sectionNamesIn(std::string_view content) {
    std::vector<std::string> names;
    for (const Line& line : splitLines(content)) {
        const ParsedLine parsed = parseLine(content.substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Section && !parsed.name.empty()) {
            names.emplace_back(parsed.name);
        }
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
        const std::size_t valueAt = line.begin + parsed.equalsAt + 1;
        result.replace(valueAt, line.end - valueAt, *value);
        return result;
    }
    std::string newLine(key);
    newLine.append("=").append(*value).append("\r\n");
    result.insert(lines[where.lastLine].next, newLine);
    return result;
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
