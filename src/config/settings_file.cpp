#include "config/settings_file.h"

#include <algorithm>
#include <array>

#include "config/field_rules.h"
#include "config/paths.h"
#include "config/preferences.h"
#include "config/settings_comments.h"

namespace vn340 {

namespace {

constexpr std::string_view kGyro = "Gyro";
constexpr std::string_view kServo = "Servo";
constexpr std::string_view kCommon = "Common";
constexpr std::string_view kMode1 = "Mode 1 (Rate Mode)";
constexpr std::string_view kMode2 = "Mode 2 (AVCS Mode)";
constexpr std::string_view kComments = "User comments";
constexpr std::string_view kProduct = "vn340";
constexpr int kAbsent = 65535;  // outside every load range, so an absent key is reported
constexpr int kNoServoCode = -1;

}  // namespace

std::vector<std::string> SettingsFileHost::commentDisplayLines(const std::string& comments) {
    return splitAtLineBreaks(comments);
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

FileDialogRequest dialogRequest(std::string_view lastDirectory, std::string_view proposedName) {
    return FileDialogRequest{std::string(lastDirectory), std::string(proposedName),
                             std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)};
}

}  // namespace

void saveSettingsFile(const GyroConfig& config, ProfileStore& prefsStore,
                      ProfileStore& settingsStore, SettingsFileHost& host,
                      std::string_view lastDirectory) {
    const std::optional<std::string> path =
        host.askSavePath(dialogRequest(lastDirectory, kProposedSettingsFileName));
    if (!path) {
        return;
    }
    prefsStore.writeString(kSettingsSection, kLastDirectoryKey, folderOf(*path));
    settingsStore.setPath(*path);
    // The question is decided on the very bytes the new file is built from, and a file that
    // cannot be read is never replaced by one that lost its foreign keys.
    FileSystem& files = settingsStore.fileSystem();
    std::string old;
    if (const SysResult read = files.read(*path, old); !read) {
        host.showMessage(saveFailedMessage(read.message));
        return;
    }
    if (profile::hasSection(old, kServo) &&
        !host.askOverwrite(overwriteQuestion(fileNameOf(*path)))) {
        return;
    }
    SettingsFileImage file(std::move(old));
    writeConfiguration(file, config, host.commentDisplayLines(config.userComments));
    if (const SysResult written = files.replace(*path, file.bytes()); !written) {
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
    prefsStore.writeString(kSettingsSection, kLastDirectoryKey, folderOf(*path));
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
