#pragma once

// Settings files ("*.tsf") as bytes: a configuration written into the bytes of the old file,
// and the bytes of a file read back into a configuration, with what was wrong in them. Nothing
// here touches a file or the pilot.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/gyro_config.h"

namespace vn340 {

inline constexpr int kSettingsApplicationVersion = 111;

// Why a file is refused, as the pilot reads it.
inline constexpr std::string_view kProductRefusal =
    "\nThe product description stored in the configuration file is not compatible with this "
    "application\n\nPress OK to continue";
inline constexpr std::string_view kOldVersionRefusal =
    "\nThe application version that your configuration file was created with is not compatible "
    "with this application version\n\nPress OK to continue";
inline constexpr std::string_view kNewVersionRefusal =
    "\nThe application version that your configuration file was created with is newer than this "
    "application, please download the latest version of this application.\n\nThe latest "
    "version of this application is available on the Tarvel RC website.\n\nPress OK to continue";
inline constexpr std::string_view kMemoryMapRefusal =
    "This application is not compatible with the stored configuration file, please download the "
    "latest version of this application.\n\nThe lastest version of this application is "
    "available on the Tarvel RC website.\n\nPress OK to continue.";
inline constexpr std::string_view kServoReminder =
    "Check Servo selection has been correctly loaded.\n\nPress OK to continue.";

std::string unexpectedValueMessage(std::string_view name);

// Something the pilot is told about an accepted file.
struct LoadProblem {
    enum class Kind {
        // `name`'s value was absent, no plain whole number or outside its range; the default
        // took its place
        UnexpectedValue,
        CheckServo,  // the file's version numbers servos as this one does, but ask to check
    };
    Kind kind;
    std::string_view name;  // the setting's name, for an unexpected value

    std::string message() const;
    bool operator==(const LoadProblem&) const = default;
};

struct DecodedSettings {
    // One of the four refusal texts when the file is refused; nothing else is then set.
    std::optional<std::string_view> refusal;
    // The configuration given, with the file's values in place.
    GyroConfig config;
    // In the order the pilot is told of them: the file's reading order.
    std::vector<LoadProblem> problems;
};

// Reads a settings file onto `config`: identification other than the memory-map version is
// left as it is. Keys are found as the private-profile rules find them.
DecodedSettings decodeSettingsFile(std::string_view bytes, const GyroConfig& config);

// The old file's bytes with every setting of `config` written into them: keys already there
// keep their place, foreign keys and sections stay, the comments always stand last in
// "Gyro". `commentLines` are the comment box's lines as it displays them.
std::string encodeSettingsFile(std::string_view oldBytes, const GyroConfig& config,
                               const std::vector<std::string>& commentLines);

// Whether saving over a file with these bytes asks first: it holds settings already.
bool holdsSettings(std::string_view bytes);

}  // namespace vn340
