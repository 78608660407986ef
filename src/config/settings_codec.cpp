#include "config/settings_codec.h"

#include <array>
#include <climits>

#include "config/field_table.h"
#include "config/private_profile.h"
#include "config/profile_store.h"
#include "config/settings_comments.h"

namespace vn340 {
namespace {

constexpr std::string_view kGyro = "Gyro";
constexpr std::string_view kServo = "Servo";
constexpr std::string_view kProduct = "vn340";
constexpr std::string_view kProductKey = "Product";
constexpr std::string_view kApplicationVersionKey = "Application version";
constexpr std::string_view kFirmwareVersionKey = "Firmware version";
constexpr std::string_view kMemoryMapVersionKey = "Memory Map version";
constexpr std::string_view kCommentsKey = "User comments";
constexpr int kAbsent = 65535;  // outside every range, so an absent key is reported
// Below every range and every version: a value that is no plain whole number is reported and
// replaced like one out of range, and refuses the file as one this program cannot read.
constexpr int kNotANumber = INT_MIN;
constexpr int kNoServoCode = -1;

// The servo list of files older than version 110, by position.
constexpr std::array<int, 25> kLegacyServoCodes{0,  10, 11, 24, 5,  6, 16, 1,  2,  17, 3,  4, 12,
                                                13, 21, 19, 8,  20, 7, 15, 18, 14, 9,  22, 23};

// As the profile store reads a number, with the two ways of having none kept apart: an absent
// or empty value is kAbsent, anything but a plain whole number kNotANumber.
int readNumber(std::string_view bytes, std::string_view section, std::string_view key) {
    const std::string value = profile::findValue(bytes, section, key).value_or("");
    return value.empty() ? kAbsent : profileInteger(value, kNotANumber);
}

std::optional<std::string_view> refusal(std::string_view bytes) {
    if (profile::findValue(bytes, kGyro, kProductKey).value_or("") != kProduct) {
        return kProductRefusal;
    }
    const int appVersion = readNumber(bytes, kGyro, kApplicationVersionKey);
    if (appVersion < 100) {
        return kOldVersionRefusal;
    }
    if (appVersion > kSettingsApplicationVersion) {
        return kNewVersionRefusal;
    }
    const int memoryMapVersion = readNumber(bytes, kGyro, kMemoryMapVersionKey);
    if (memoryMapVersion < 1 || memoryMapVersion > 3) {
        return kMemoryMapRefusal;
    }
    return std::nullopt;
}

// Files older than version 110 name the servo by its position in their shorter list;
// positions past its end name no servo at all.
int servoCodeOfVersion(int value, int appVersion, std::vector<LoadProblem>& problems) {
    if (appVersion < 110) {
        return value < static_cast<int>(kLegacyServoCodes.size())
                   ? kLegacyServoCodes[static_cast<std::size_t>(value)]
                   : kNoServoCode;
    }
    if (appVersion == 110) {
        problems.push_back({LoadProblem::Kind::CheckServo, {}});
    }
    return value;
}

// A file written piece by piece exactly as writes through the profile store would change it.
class FileImage {
  public:
    explicit FileImage(std::string_view bytes) : bytes_(bytes) {}

    void write(std::string_view section, std::string_view key, std::string_view value) {
        change(section, key, value);
    }
    void write(std::string_view section, std::string_view key, int value) {
        change(section, key, std::to_string(value));
    }
    void remove(std::string_view section, std::string_view key) {
        change(section, key, std::nullopt);
    }
    std::string take() { return std::move(bytes_); }

  private:
    void change(std::string_view section, std::string_view key,
                std::optional<std::string_view> value) {
        if (std::optional<std::string> changed = profile::withValue(bytes_, section, key, value)) {
            bytes_ = std::move(*changed);
        }
    }

    std::string bytes_;
};

}  // namespace

std::string unexpectedValueMessage(std::string_view name) {
    const std::string n(name);
    return "Unexpected value found in the configuration file for " + n +
           ".\n\nThe configuration file could be corrupt.\n\nDefault " + n +
           " will be used.\n\nPress OK to continue.";
}

std::string LoadProblem::message() const {
    return kind == Kind::CheckServo ? std::string(kServoReminder) : unexpectedValueMessage(name);
}

DecodedSettings decodeSettingsFile(std::string_view bytes, const GyroConfig& config) {
    DecodedSettings decoded{refusal(bytes), config, {}};
    if (decoded.refusal) {
        return decoded;
    }
    const int appVersion = readNumber(bytes, kGyro, kApplicationVersionKey);
    GyroConfig& loaded = decoded.config;
    loaded.memoryMapVersion = readNumber(bytes, kGyro, kMemoryMapVersionKey);
    loaded.userComments =
        commentsFromFileValue(profile::findValue(bytes, kGyro, kCommentsKey).value_or(""));

    std::array<int, kSettingCount> values{};
    for (Setting setting : settingsReadOrder()) {
        const FieldDescription& field = describe(setting);
        int& value = values[static_cast<std::size_t>(setting)];
        value = readNumber(bytes, field.section, field.key);
        if (!field.range.contains(value)) {
            decoded.problems.push_back({LoadProblem::Kind::UnexpectedValue, field.problemName});
            value = field.defaultValue;
        }
        // The reminder follows the messages of the servo's own section.
        if (setting == Setting::Type) {
            int& servo = values[static_cast<std::size_t>(Setting::Servo)];
            servo = servoCodeOfVersion(servo, appVersion, decoded.problems);
        }
    }
    for (const FieldDescription& field : fieldDescriptions()) {
        setFromFileValue(loaded, field, values[static_cast<std::size_t>(field.setting)]);
    }
    return decoded;
}

std::string encodeSettingsFile(std::string_view oldBytes, const GyroConfig& config,
                               const std::vector<std::string>& commentLines) {
    FileImage file(oldBytes);
    file.write(kGyro, kProductKey, kProduct);
    file.write(kGyro, kApplicationVersionKey, kSettingsApplicationVersion);
    file.write(kGyro, kFirmwareVersionKey, config.firmwareNumber);
    file.write(kGyro, kMemoryMapVersionKey, config.memoryMapVersion);
    // Deleted first so that the comments always stand last in their section.
    file.remove(kGyro, kCommentsKey);
    file.write(kGyro, kCommentsKey, commentsToFileValue(commentLines));
    for (const FieldDescription& field : fieldDescriptions()) {
        file.write(field.section, field.key, fileValue(config, field));
    }
    return file.take();
}

bool holdsSettings(std::string_view bytes) {
    return profile::hasSection(bytes, kServo);
}

}  // namespace vn340
