#include "config/private_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
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
            inSection = sameName(parsed.name, section);
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
        if (parsed.kind == LineKind::Key && !where.keyLine && sameName(parsed.name, key)) {
            where.keyLine = i;
        }
    }
    return where;
}

bool endsInLineBreak(std::string_view content) {
    return content.empty() || content.back() == '\n' || content.back() == '\r';
}

std::string describe(const std::string& path, int error) {
    return "Cannot write \"" + path + "\": " + std::strerror(error);
}

ProfileWriteResult failure(const std::string& path, int error) {
    return {error, describe(path, error)};
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows a symbolic link so that the rename replaces the file it points to, not the link.
std::string resolvedTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) {
        return path;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes and syncs the temporary file; returns 0 or the errno of the first failure.
int fillTemporary(int fd, std::string_view bytes, const struct stat* old) {
    if (old != nullptr && ::fchmod(fd, old->st_mode & 07777) != 0) {
        return errno;
    }
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
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

std::string readFileBytes(const std::string& path) {
    // Plain reads rather than a stream: a stream reading a directory throws, and whatever the
    // pilot points us at must read as empty, never end the program. Without O_NONBLOCK the open
    // of a named pipe would wait for a writer, freezing the window for good.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    std::string bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got > 0) {
                bytes.append(chunk, static_cast<std::size_t>(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                bytes.clear();
                break;
            }
        }
    }
    ::close(fd);
    return bytes;
}

ProfileWriteResult replaceFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return {ENOENT, "No file name is set for the settings to be written to."};
    }
    const std::string target = resolvedTarget(path);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) {
        return failure(path, EISDIR);
    }
    // The rename needs only the folder's permission, so without this a file the pilot made
    // read-only would be replaced all the same. No write bit at all counts as read-only even
    // for the superuser, as the read-only attribute does on Windows.
    if (existed && (::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0)) {
        return failure(path, EACCES);
    }
    // A name left behind by a crashed run of an earlier process with our pid is skipped.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return failure(path, errno);
    }
    int error = fillTemporary(fd, bytes, existed ? &old : nullptr);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return failure(path, error);
    }
    syncFolder(folderOf(target));
    return {};
}

std::optional<std::string> getString(const std::string& path, std::string_view section,
                                     std::string_view key) {
    return findValue(readFileBytes(path), section, key);
}

namespace {

// Reads the old file so that a write never clobbers one it could not read.
ProfileWriteResult readForChange(const std::string& path, std::string& bytes) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        bytes.clear();
        return {};
    }
    if (std::filesystem::is_directory(status)) {
        return failure(path, EISDIR);
    }
    // A pipe or a device would block the open or never end, and must not be renamed over.
    if (!std::filesystem::is_regular_file(status)) {
        return {EINVAL, "Cannot write \"" + path + "\": it is not a regular file."};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return failure(path, errno != 0 ? errno : EIO);
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? failure(path, EIO) : ProfileWriteResult{};
}

ProfileWriteResult change(const std::string& path, std::string_view section, std::string_view key,
                          std::optional<std::string_view> value) {
    const std::string problem = nameProblem(section, key, value);
    if (!problem.empty()) {
        return {EINVAL, "Cannot write \"" + path + "\": " + problem + "."};
    }
    std::string old;
    ProfileWriteResult read = readForChange(path, old);
    if (!read) {
        return read;
    }
    const std::optional<std::string> changed = withValue(old, section, key, value);
    if (!changed) {
        return {};
    }
    return replaceFile(path, *changed);
}

}  // namespace

ProfileWriteResult writeString(const std::string& path, std::string_view section,
                               std::string_view key, std::string_view value) {
    return change(path, section, key, value);
}

ProfileWriteResult deleteKey(const std::string& path, std::string_view section,
                             std::string_view key) {
    return change(path, section, key, std::nullopt);
}

std::vector<std::string> sectionNames(const std::string& path) {
    return sectionNamesIn(readFileBytes(path));
}

}  // namespace vn340::profile
