#include "config/history_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>

#include "base/paths.h"
#include "base/user_folders.h"
#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace vn340 {
namespace {

constexpr std::string_view kSuffix = ".tsf";
constexpr std::string_view kHeadlineMiddle = " the vn340 with serial number ";
// More snapshots than this within one second would be a program gone wrong, not a pilot.
constexpr int kMaxSequence = 1000;

struct KindWords {
    SnapshotKind kind;
    std::string_view fileWord;  // in the file name
    std::string_view name;      // in the history window
    std::string_view phrase;    // "<phrase> the vn340 with serial number ..."
};

// A word that starts another (none does today) would have to come after it, as names are
// recognised by their first matching word.
constexpr std::array<KindWords, 5> kKinds = {{
    {SnapshotKind::Read, "read", "Read", "read from"},
    {SnapshotKind::Stored, "stored", "Stored", "stored to"},
    {SnapshotKind::Unfinished, "unfinished", "Unfinished", "not finished storing to"},
    {SnapshotKind::Closed, "closed", "Closed", "on screen at closing for"},
    {SnapshotKind::Unverified, "unverified", "Unverified", "stored (not verified) to"},
}};

constexpr std::string_view kClosedNoteName = "closed-note";

const KindWords& wordsOf(SnapshotKind kind) {
    return *std::find_if(kKinds.begin(), kKinds.end(),
                         [kind](const KindWords& words) { return words.kind == kind; });
}

std::string_view kindWord(SnapshotKind kind) {
    return wordsOf(kind).fileWord;
}

// "Read from the vn340 with serial number ": the phrase with a capital.
std::string headlineStart(SnapshotKind kind) {
    std::string start(wordsOf(kind).phrase);
    start[0] = static_cast<char>(start[0] - 'a' + 'A');
    return start + std::string(kHeadlineMiddle);
}

// A serial number names a folder only as the gyro reports it, a plain number: nothing else can
// climb out of the history or pass for another gyro's folder.
bool nameableSerial(std::string_view serial) {
    return !serial.empty() && serial.size() <= 10 &&
           std::all_of(serial.begin(), serial.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A folder of the history: a gyro's, or one of the two for snapshots without a usable number.
bool historyFolderName(std::string_view name) {
    return nameableSerial(name) || name == kUnreadFolder || name == kUnknownGyroFolder;
}

std::string gyroFolderName(const GyroConfig& config, SnapshotKind kind) {
    if (nameableSerial(config.serialNumber)) {
        return config.serialNumber;
    }
    // A screen closed before any read belongs to no gyro yet.
    const bool neverRead = kind == SnapshotKind::Closed && config.serialNumber.empty();
    return std::string(neverRead ? kUnreadFolder : kUnknownGyroFolder);
}

bool startsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// `count` decimal digits at `at`, or none.
std::optional<int> digitsAt(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text.substr(at, count)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// A day the calendar has: what a clock can have named a file after. A second of 60 is a leap
// second, which no rule of the calendar foretells.
bool calendarDay(int year, int month, int day) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

struct SnapshotName {
    LocalTime time;
    SnapshotKind kind;
    int sequence;
};

// Parses "YYYY-MM-DD_HHMMSS_<kind>[-N].tsf"; anything else is not one of ours.
std::optional<SnapshotName> parseSnapshotName(std::string_view name) {
    if (name.size() < 18 || name[4] != '-' || name[7] != '-' || name[10] != '_' ||
        name[17] != '_' ||
        name.substr(name.size() - std::min(name.size(), kSuffix.size())) != kSuffix) {
        return std::nullopt;
    }
    const auto year = digitsAt(name, 0, 4), month = digitsAt(name, 5, 2),
               day = digitsAt(name, 8, 2);
    const auto hour = digitsAt(name, 11, 2), minute = digitsAt(name, 13, 2),
               second = digitsAt(name, 15, 2);
    if (!year || !month || !day || !hour || !minute || !second ||
        !calendarDay(*year, *month, *day) || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    std::string_view rest = name.substr(18, name.size() - 18 - kSuffix.size());
    SnapshotName parsed{{*year, *month, *day, *hour, *minute, *second}, SnapshotKind::Read, 1};
    const auto kind = std::find_if(kKinds.begin(), kKinds.end(), [rest](const KindWords& words) {
        return startsWith(rest, words.fileWord);
    });
    if (kind == kKinds.end()) {
        return std::nullopt;
    }
    parsed.kind = kind->kind;
    rest.remove_prefix(kind->fileWord.size());
    if (rest.empty()) {
        return parsed;
    }
    // "-2" and up, as written: no sign, no leading zero.
    if (rest.size() < 2 || rest.size() > 5 || rest[0] != '-' || rest[1] == '0') {
        return std::nullopt;
    }
    const auto sequence = digitsAt(rest, 1, rest.size() - 1);
    if (!sequence || *sequence < 2) {
        return std::nullopt;
    }
    parsed.sequence = *sequence;
    return parsed;
}

// The pilot's comments, without the headline an earlier snapshot put in front of them: a
// snapshot loaded and stored again gets one headline, not two.
std::vector<std::string> pilotsLines(const std::string& comments) {
    std::vector<std::string> lines = splitAtLineBreaks(comments);
    const auto own = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return std::none_of(kKinds.begin(), kKinds.end(), [&line](const KindWords& words) {
            return startsWith(line, headlineStart(words.kind));
        });
    });
    lines.erase(lines.begin(), own);
    return lines;
}

std::string snapshotBytes(const GyroConfig& config, SnapshotKind kind, const LocalTime& time) {
    std::vector<std::string> lines{snapshotHeadline(kind, config.serialNumber, time)};
    const std::vector<std::string> own = pilotsLines(config.userComments);
    lines.insert(lines.end(), own.begin(), own.end());
    return encodeSettingsFile("", config, lines);
}

bool newestFirst(const Snapshot& a, const Snapshot& b) {
    if (a.time != b.time) {
        return a.time > b.time;
    }
    if (a.sequence != b.sequence) {
        return a.sequence > b.sequence;
    }
    return a.path < b.path;
}

}  // namespace

LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::string dateText(const LocalTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", time.year, time.month, time.day);
    return text;
}

std::string timeText(const LocalTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

namespace {

std::string historyIn(const std::string& dataHome) {
    return dataHome.empty() ? std::string() : joinPath(dataHome, "tarvelrc/history");
}

}  // namespace

std::string historyFolderFrom(const char* xdgDataHome, const char* home) {
    return historyIn(dataHomeFrom(xdgDataHome, home));
}

std::string historyFolder() {
    return historyIn(dataHome());
}

std::string snapshotFileName(const LocalTime& time, SnapshotKind kind, int sequence) {
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d%02d%02d_", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    std::string name = stamp + std::string(kindWord(kind));
    if (sequence > 1) {
        name += "-" + std::to_string(sequence);
    }
    return name + std::string(kSuffix);
}

std::string_view snapshotKindName(SnapshotKind kind) {
    return wordsOf(kind).name;
}

std::string_view snapshotKindPhrase(SnapshotKind kind) {
    return wordsOf(kind).phrase;
}

std::string snapshotHeadline(SnapshotKind kind, std::string_view serialNumber,
                             const LocalTime& time) {
    const std::string_view serial = serialNumber.empty() ? "unknown" : serialNumber;
    return headlineStart(kind) + std::string(serial) + " on " + dateText(time) + " " +
           timeText(time);
}

std::string firstCommentLine(const GyroConfig& config) {
    for (const std::string& line : pilotsLines(config.userComments)) {
        if (line.find_first_not_of(" \t") != std::string::npos) {
            return line;
        }
    }
    return {};
}

std::string closedNoteText(std::string_view whereInHistory) {
    return "Kept at the last closing, in the history: " + std::string(whereInHistory);
}

std::string historyFailureMessage(const SysResult& failure) {
    return "This configuration could not be kept in the history.\n\n" + failure.message +
           "\n\nReading and storing work as before. This is not told again until the program "
           "is started again.";
}

HistoryStore::HistoryStore(std::string folder, FileSystem& files, Clock clock)
    : folder_(std::move(folder)), files_(files), clock_(std::move(clock)) {}

RecordResult HistoryStore::record(const GyroConfig& config, SnapshotKind kind) {
    RecordResult out;
    if (folder_.empty()) {
        out.result = {ENOENT,
                      "There is no folder for the history: neither XDG_DATA_HOME nor "
                      "HOME is set."};
    } else {
        const std::string gyroFolder = joinPath(folder_, gyroFolderName(config, kind));
        out.result = files_.createFolders(gyroFolder);
        if (out.result) {
            const LocalTime time = clock_();
            out.result =
                writeNew(gyroFolder, time, kind, snapshotBytes(config, kind, time), out.path);
        }
    }
    if (!out.result) {
        out.path.clear();
        out.tellPilot = !failedBefore_;
        failedBefore_ = true;
    }
    return out;
}

SysResult HistoryStore::writeNew(const std::string& gyroFolder, const LocalTime& time,
                                 SnapshotKind kind, const std::string& bytes, std::string& path) {
    SysResult result;
    for (int sequence = 1; sequence <= kMaxSequence; ++sequence) {
        path = joinPath(gyroFolder, snapshotFileName(time, kind, sequence));
        result = files_.createNew(path, bytes);
        if (result.error != EEXIST) {
            break;
        }
    }
    return result;
}

void HistoryStore::collect(const std::string& serialNumber, std::vector<Snapshot>& into) const {
    if (folder_.empty() || !historyFolderName(serialNumber)) {
        return;
    }
    const std::string gyroFolder = joinPath(folder_, serialNumber);
    std::vector<FolderEntry> entries;
    files_.listFolder(gyroFolder, entries);
    GyroConfig factory;
    loadDefaults(factory);
    for (const FolderEntry& entry : entries) {
        const std::optional<SnapshotName> name = parseSnapshotName(entry.name);
        if (entry.kind != FolderEntry::Kind::File || !name) {
            continue;
        }
        Snapshot snapshot{serialNumber,
                          name->time,
                          name->kind,
                          name->sequence,
                          joinPath(gyroFolder, entry.name),
                          {}};
        std::string bytes;
        if (!files_.read(snapshot.path, bytes)) {
            continue;
        }
        DecodedSettings decoded = decodeSettingsFile(bytes, factory);
        // A gyro may hold values a settings file may not, and its snapshot keeps them as they
        // were: such a file is listed, and loading it tells the pilot, as any file would. Only
        // a file that cannot be loaded at all is passed over.
        if (decoded.refusal) {
            continue;
        }
        snapshot.config = std::move(decoded.config);
        into.push_back(std::move(snapshot));
    }
}

std::vector<Snapshot> HistoryStore::list(const std::string& serialNumber) const {
    std::vector<Snapshot> snapshots;
    collect(serialNumber, snapshots);
    std::sort(snapshots.begin(), snapshots.end(), newestFirst);
    return snapshots;
}

void HistoryStore::noteClosed(const std::string& snapshotPath) {
    std::string_view where = snapshotPath;
    if (where.substr(0, folder_.size()) == folder_ && where.size() > folder_.size() + 1) {
        where.remove_prefix(folder_.size() + 1);
    }
    files_.replace(joinPath(folder_, std::string(kClosedNoteName)), where);
}

std::optional<std::string> HistoryStore::takeClosedNote() {
    if (folder_.empty()) {
        return std::nullopt;
    }
    const std::string notePath = joinPath(folder_, std::string(kClosedNoteName));
    std::string where;
    if (!files_.read(notePath, where) || where.empty()) {
        return std::nullopt;
    }
    files_.replace(notePath, "");
    return where;
}

std::vector<Snapshot> HistoryStore::listAll() const {
    std::vector<Snapshot> snapshots;
    std::vector<FolderEntry> gyros;
    if (!folder_.empty()) {
        files_.listFolder(folder_, gyros);
    }
    for (const FolderEntry& gyro : gyros) {
        if (gyro.kind == FolderEntry::Kind::Folder) {
            collect(gyro.name, snapshots);
        }
    }
    std::sort(snapshots.begin(), snapshots.end(), newestFirst);
    return snapshots;
}

}  // namespace vn340
