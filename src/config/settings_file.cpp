#include "config/settings_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "config/field_rules.h"

namespace vn340 {

namespace {

constexpr std::string_view kGyro = "Gyro";
constexpr std::string_view kServo = "Servo";
constexpr std::string_view kCommon = "Common";
constexpr std::string_view kMode1 = "Mode 1 (Rate Mode)";
constexpr std::string_view kMode2 = "Mode 2 (AVCS Mode)";
constexpr std::string_view kComments = "User comments";
constexpr std::string_view kCommentSeparator = "_CRLF_";
constexpr std::string_view kProduct = "vn340";
constexpr int kAbsent = 65535;  // outside every load range, so an absent key is reported
constexpr int kNoServoCode = -1;

// ---- Windows-1252 and UTF-8 ----

// Code points of bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined stand for the
// C1 control of the same number, as Windows converts them, so every byte survives a round trip.
constexpr std::array<char32_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t fromCp1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) {
        return kCp1252High[byte - 0x80u];
    }
    return byte;
}

std::optional<unsigned char> toCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
std::optional<std::u32string> decodeUtf8(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, c = lead & 0x1Fu, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, c = lead & 0x0Fu, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, c = lead & 0x07u, least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i <= static_cast<std::size_t>(extra)) {
            return std::nullopt;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return std::nullopt;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Text from a file written here (UTF-8) or on Windows (Windows-1252): valid UTF-8 is taken as
// such, anything else byte by byte as Windows-1252.
std::u32string decodeText(std::string_view bytes) {
    if (std::optional<std::u32string> utf8 = decodeUtf8(bytes)) {
        return *utf8;
    }
    std::u32string out;
    for (char byte : bytes) {
        out.push_back(fromCp1252(static_cast<unsigned char>(byte)));
    }
    return out;
}

std::string toUtf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        appendUtf8(out, c);
    }
    return out;
}

// Windows-1252 bytes when every character has one and the result cannot be mistaken for UTF-8
// on the way back in; otherwise UTF-8.
std::string encodeForFile(const std::u32string& text) {
    std::string cp1252;
    bool ascii = true;
    for (char32_t c : text) {
        const std::optional<unsigned char> byte = toCp1252(c);
        if (!byte) {
            return toUtf8(text);
        }
        ascii = ascii && *byte < 0x80;
        cp1252.push_back(static_cast<char>(*byte));
    }
    if (!ascii && decodeUtf8(cp1252)) {
        return toUtf8(text);
    }
    return cp1252;
}

bool isTrimmed(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimPiece(std::string_view piece) {
    while (!piece.empty() && isTrimmed(piece.front())) {
        piece.remove_prefix(1);
    }
    while (!piece.empty() && isTrimmed(piece.back())) {
        piece.remove_suffix(1);
    }
    return piece;
}

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

}  // namespace

// ---- Comments ----

std::vector<std::string> SettingsFileHost::commentDisplayLines(const std::string& comments) {
    return splitAtLineBreaks(comments);
}

std::string commentsToFileValue(const std::vector<std::string>& lines) {
    // A line break inside a value would cut the file's line, so it starts a line of its own;
    // a NUL cannot be kept in a text file at all.
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
    std::string value = encodeForFile(joined);
    // Reading drops the blanks around a value and then one pair of matching outer quotes; give
    // it a pair of its own to drop.
    std::string_view bare = value;
    while (!bare.empty() && (bare.front() == ' ' || bare.front() == '\t')) {
        bare.remove_prefix(1);
    }
    while (!bare.empty() && (bare.back() == ' ' || bare.back() == '\t')) {
        bare.remove_suffix(1);
    }
    if (bare.size() >= 2 && (bare.front() == '"' || bare.front() == '\'') &&
        bare.back() == bare.front()) {
        value = bare.front() + value + bare.back();
    }
    return value;
}

std::string commentsFromFileValue(std::string_view value) {
    std::u32string decoded = decodeText(value);
    std::erase(decoded, U'\0');
    const std::string text = toUtf8(decoded);
    std::string comments;
    std::string_view rest = text;
    while (true) {
        const std::size_t cut = rest.find(kCommentSeparator);
        const std::string_view piece = trimPiece(rest.substr(0, cut));
        if (!piece.empty()) {
            comments.append(piece).append("\n");
        }
        if (cut == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(cut + kCommentSeparator.size());
    }
    return comments;
}

// ---- Messages and paths ----

std::string unexpectedValueMessage(std::string_view name) {
    const std::string n(name);
    return "Unexpected value found in the configuration file for " + n +
           ".\n\nThe configuration file could be corrupt.\n\nDefault " + n +
           " will be used.\n\nPress OK to continue.";
}

std::string overwriteQuestion(std::string_view fileName) {
    return "The file " + std::string(fileName) + " already exists.  Overwrite or Cancel?";
}

std::string saveFailedMessage(std::string_view reason) {
    return "The settings file could not be saved.\n\n" + std::string(reason) +
           "\n\nAny file that was there has been left as it was.\n\nPress OK to continue.";
}

std::string folderOfPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

// ---- The default file system ----

namespace {

class RealSettingsFileSystem final : public SettingsFileSystem {
    static ProfileWriteResult unreadable(const std::string& path) {
        return {EIO, "\"" + path + "\" exists but cannot be read."};
    }

  public:
    ProfileWriteResult read(const std::string& path, std::string& bytes) override {
        bytes.clear();
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) {
            return {};
        }
        if (std::filesystem::is_directory(status)) {
            return {EISDIR, "\"" + path + "\" is a folder, not a file."};
        }
        // Opening a named pipe would wait for a writer and a device may never end.
        if (!std::filesystem::is_regular_file(status)) {
            return {EINVAL, "\"" + path + "\" is not a regular file."};
        }
        std::FILE* in = std::fopen(path.c_str(), "rb");
        if (in == nullptr) {
            return unreadable(path);
        }
        std::array<char, 4096> block{};
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), in)) > 0) {
            bytes.append(block.data(), got);
        }
        const bool failed = std::ferror(in) != 0;
        std::fclose(in);
        if (failed) {
            bytes.clear();
            return unreadable(path);
        }
        return {};
    }

    ProfileWriteResult replace(const std::string& path, std::string_view bytes) override {
        return profile::replaceFile(path, bytes);
    }
};

}  // namespace

SettingsFileSystem& defaultSettingsFileSystem() {
    static RealSettingsFileSystem files;
    return files;
}

// ---- Save ----

namespace {

// The new file, built from the old one key by key exactly as writes through the profile store
// would change it, then put in place at once.
class SettingsFileImage {
  public:
    explicit SettingsFileImage(std::string bytes) : bytes_(std::move(bytes)) {}

    void write(std::string_view section, std::string_view key, std::string_view value) {
        change(section, key, value);
    }
    void writeInt(std::string_view section, std::string_view key, int value) {
        change(section, key, std::to_string(value));
    }
    void remove(std::string_view section, std::string_view key) {
        change(section, key, std::nullopt);
    }
    const std::string& bytes() const { return bytes_; }

  private:
    void change(std::string_view section, std::string_view key,
                std::optional<std::string_view> value) {
        if (std::optional<std::string> changed = profile::withValue(bytes_, section, key, value)) {
            bytes_ = std::move(*changed);
        }
    }

    std::string bytes_;
};

// No value is ever taken from outside the tables: without a selection the factory choice
// ("Generic", speed 0.05, the type "Generic" implies) is written.
int servoCodeToSave(const GyroConfig& config) {
    if (config.servoModel < 0 || config.servoModel >= kServoRowCount) {
        return servoTable()[0].servoCode;
    }
    return servoTable()[static_cast<std::size_t>(config.servoModel)].servoCode;
}

int speedToSave(const GyroConfig& config) {
    if (config.servoSpeed < 0 || config.servoSpeed >= kSpeedOptionCount) {
        return 5;
    }
    return speedOptions()[static_cast<std::size_t>(config.servoSpeed)].value;
}

int typeToSave(const GyroConfig& config) {
    if (config.servoType < 0 || config.servoType >= kSignalTypeCount) {
        return 0;
    }
    return signalTypeOptions()[static_cast<std::size_t>(config.servoType)].value;
}

void writeConfiguration(SettingsFileImage& file, const GyroConfig& config,
                        const std::vector<std::string>& commentLines) {
    file.write(kGyro, "Product", kProduct);
    file.writeInt(kGyro, "Application version", kSettingsApplicationVersion);
    file.writeInt(kGyro, "Firmware version", config.firmwareNumber);
    file.writeInt(kGyro, "Memory Map version", config.memoryMapVersion);
    // Deleted first so that the comments always stand last in their section.
    file.remove(kGyro, kComments);
    file.write(kGyro, kComments, commentsToFileValue(commentLines));

    file.writeInt(kServo, "High endpoint", config.highEndpoint);
    file.writeInt(kServo, "Low endpoint", config.lowEndpoint);
    file.writeInt(kServo, "Midpoint trim", config.midpointTrim);
    file.writeInt(kServo, "Servo", servoCodeToSave(config));
    file.writeInt(kServo, "Speed", speedToSave(config));
    file.writeInt(kServo, "Type", typeToSave(config));

    file.writeInt(kCommon, "Direction", config.direction == Direction::Normal ? 0 : 1);
    file.writeInt(kCommon, "Rudder stick deadband", config.stickDeadband);

    file.writeInt(kMode1, "Rudder exponential", config.rateExpo);

    file.writeInt(kMode2, "Acceleration profile", config.accelProfile);
    file.writeInt(kMode2, "Deceleration profile", config.decelProfile);
    file.writeInt(kMode2, "Clockwise stop gain", config.cwStopGain);
    file.writeInt(kMode2, "Counter clockwise stop gain", config.ccwStopGain);
    file.writeInt(kMode2, "Rudder exponential", config.avcsExpo);
    file.writeInt(kMode2, "Rudder sensitivity", config.avcsSensitivity);
}

bool hasServoSection(std::string_view bytes) {
    for (const std::string& name : profile::sectionNamesIn(bytes)) {
        if (name.size() == kServo.size() &&
            std::equal(name.begin(), name.end(), kServo.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return true;
        }
    }
    return false;
}

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

FileDialogRequest dialogRequest(std::string_view lastDirectory, std::string_view proposedName) {
    return FileDialogRequest{std::string(lastDirectory), std::string(proposedName),
                             std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)};
}

}  // namespace

void saveSettingsFile(const GyroConfig& config, ProfileStore& prefsStore,
                      ProfileStore& settingsStore, SettingsFileHost& host,
                      std::string_view lastDirectory, SettingsFileSystem& files) {
    const std::optional<std::string> path =
        host.askSavePath(dialogRequest(lastDirectory, kProposedSettingsFileName));
    if (!path) {
        return;
    }
    prefsStore.writeString("Settings", "LAST DIRECTORY", folderOfPath(*path));
    settingsStore.setPath(*path);
    // The question is decided on the very bytes the new file is built from, and a file that
    // cannot be read is never replaced by one that lost its foreign keys.
    std::string old;
    if (const ProfileWriteResult read = files.read(*path, old); !read) {
        host.showMessage(saveFailedMessage(read.message));
        return;
    }
    if (hasServoSection(old) && !host.askOverwrite(overwriteQuestion(fileNameOf(*path)))) {
        return;
    }
    SettingsFileImage file(std::move(old));
    writeConfiguration(file, config, host.commentDisplayLines(config.userComments));
    if (const ProfileWriteResult written = files.replace(*path, file.bytes()); !written) {
        host.showMessage(saveFailedMessage(written.message));
    }
}

// ---- Load ----

namespace {

struct LoadedValues {
    int highEndpoint, lowEndpoint, midpointTrim, servoCode, speed, type;
    int direction, stickDeadband, rateExpo;
    int accelProfile, decelProfile, cwStopGain, ccwStopGain, avcsSensitivity, avcsExpo;
};

// The servo list of files older than version 110, by position.
constexpr std::array<int, 25> kLegacyServoCodes{0,  10, 11, 24, 5,  6, 16, 1,  2,  17, 3,  4, 12,
                                                13, 21, 19, 8,  20, 7, 15, 18, 14, 9,  22, 23};

class ValueReader {
  public:
    ValueReader(const ProfileStore& store, SettingsFileHost& host) : store_(store), host_(host) {}

    int read(std::string_view section, std::string_view key, int low, int high, int fallback,
             std::string_view name) {
        const int value = store_.getInt(section, key, kAbsent);
        if (value >= low && value <= high) {
            return value;
        }
        host_.showMessage(unexpectedValueMessage(name));
        return fallback;
    }

  private:
    const ProfileStore& store_;
    SettingsFileHost& host_;
};

LoadedValues readValues(const ProfileStore& store, SettingsFileHost& host, int appVersion) {
    ValueReader in(store, host);
    LoadedValues v{};
    v.highEndpoint = in.read(kServo, "High endpoint", 30, 145, 100, "High endpoint");
    v.lowEndpoint = in.read(kServo, "Low endpoint", 30, 145, 100, "Low endpoint");
    v.midpointTrim = in.read(kServo, "Midpoint trim", -100, 100, 0, "Midpoint trim");
    v.servoCode = in.read(kServo, "Servo", 0, 39, 0, "Servo");
    v.speed = in.read(kServo, "Speed", -100, 100, 5, "Servo speed");
    v.type = in.read(kServo, "Type", 0, 3, 0, "Servo type");
    if (appVersion < 110) {
        // Positions past the end of the old list name no servo at all.
        v.servoCode = v.servoCode < static_cast<int>(kLegacyServoCodes.size())
                          ? kLegacyServoCodes[static_cast<std::size_t>(v.servoCode)]
                          : kNoServoCode;
    } else if (appVersion == 110) {
        host.showMessage(std::string(kServoReminder));
    }
    v.direction = in.read(kCommon, "Direction", 0, 1, 0, "Servo direction");
    v.stickDeadband = in.read(kCommon, "Rudder stick deadband", 5, 100, 5, "Rudder stick deadband");
    v.rateExpo =
        in.read(kMode1, "Rudder exponential", -100, 100, -50, "Rate mode rudder exponential");
    v.accelProfile = in.read(kMode2, "Acceleration profile", 0, 15, 15, "Acceleration profile");
    v.decelProfile = in.read(kMode2, "Deceleration profile", 0, 15, 15, "Deceleration profile");
    v.cwStopGain = in.read(kMode2, "Clockwise stop gain", 50, 200, 100, "Clockwise stop gain");
    v.ccwStopGain =
        in.read(kMode2, "Counter clockwise stop gain", 50, 200, 100, "Counter clockwise stop gain");
    v.avcsSensitivity =
        in.read(kMode2, "Rudder sensitivity", 50, 150, 100, "AVCS mode rudder sensitivity");
    v.avcsExpo =
        in.read(kMode2, "Rudder exponential", -100, 100, -50, "AVCS mode rudder exponential");
    return v;
}

void commit(const LoadedValues& v, GyroConfig& config) {
    config.highEndpoint = v.highEndpoint;
    config.lowEndpoint = v.lowEndpoint;
    config.cwStopGain = v.cwStopGain;
    config.ccwStopGain = v.ccwStopGain;
    config.stickDeadband = v.stickDeadband;
    config.rateExpo = v.rateExpo;
    config.avcsExpo = v.avcsExpo;
    config.avcsSensitivity = v.avcsSensitivity;
    config.midpointTrim = v.midpointTrim;
    config.accelProfile = v.accelProfile;
    config.decelProfile = v.decelProfile;
    config.direction = v.direction == 0 ? Direction::Normal : Direction::Reverse;
    // The loaded speed and type stand even where they differ from the servo row's own.
    config.servoModel = servoRowForCode(v.servoCode).value_or(kNoSelection);
    config.servoSpeed = (v.speed >= 1 && v.speed <= kSpeedOptionCount) ? v.speed - 1 : kNoSelection;
    config.servoType = v.type;
    config.servoImpliedType = v.type;
}

// The edit limits are narrower than some load ranges; the pilot hears of each correction.
void runFieldChecks(GyroConfig& config, SettingsFileHost& host) {
    for (NumericField field : fieldCheckOrderAfterLoad()) {
        const FieldCheckResult result = checkFieldValue(field, fieldValue(config, field));
        if (result.notice) {
            fieldValue(config, field) = result.value;
            host.showFieldNotice(fieldRule(field).editBoxId, *result.notice);
            host.showModel(config);
        }
    }
}

std::optional<std::string_view> refusal(const std::string& product, int appVersion,
                                        int memoryMapVersion) {
    if (product != kProduct) {
        return kProductRefusal;
    }
    if (appVersion < 100) {
        return kOldVersionRefusal;
    }
    if (appVersion > kSettingsApplicationVersion) {
        return kNewVersionRefusal;
    }
    if (memoryMapVersion < 1 || memoryMapVersion > 3) {
        return kMemoryMapRefusal;
    }
    return std::nullopt;
}

}  // namespace

void loadSettingsFile(GyroConfig& config, ProfileStore& prefsStore, ProfileStore& settingsStore,
                      SettingsFileHost& host, std::string_view lastDirectory) {
    const std::optional<std::string> path = host.askLoadPath(dialogRequest(lastDirectory, ""));
    if (!path) {
        return;
    }
    prefsStore.writeString("Settings", "LAST DIRECTORY", folderOfPath(*path));
    settingsStore.setPath(*path);

    const std::string product = settingsStore.getString(kGyro, "Product");
    const int appVersion = settingsStore.getInt(kGyro, "Application version", kAbsent);
    const int memoryMapVersion = settingsStore.getInt(kGyro, "Memory Map version", kAbsent);
    if (const std::optional<std::string_view> message =
            refusal(product, appVersion, memoryMapVersion)) {
        // A refused file leaves the model alone, its memory-map version included: taking it
        // would make the next save or store use a version this program cannot handle.
        host.showMessage(std::string(*message));
        return;
    }
    config.memoryMapVersion = memoryMapVersion;
    config.userComments = commentsFromFileValue(settingsStore.getString(kGyro, kComments));

    commit(readValues(settingsStore, host, appVersion), config);
    host.showModel(config);
    runFieldChecks(config, host);
}

}  // namespace vn340
