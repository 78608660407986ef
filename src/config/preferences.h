#pragma once

// The pilot's preferences in "TarvelRCGyro.ini": where the file lives and what the program
// does with it at start-up.

#include <string>
#include <string_view>

#include "base/front_end.h"
#include "base/user_folders.h"
#include "config/profile_store.h"

namespace vn340 {

inline constexpr std::string_view kPreferencesFileName = "TarvelRCGyro.ini";
inline constexpr std::string_view kSettingsSection = "Settings";
inline constexpr std::string_view kComPortKey = "COM PORT";
inline constexpr std::string_view kLastDirectoryKey = "LAST DIRECTORY";
inline constexpr std::string_view kDateKey = "DATE";
inline constexpr std::string_view kWarningKey = "WARNING";

// The in-memory copies read once at start-up. The port is the one saved as the program started;
// the port saved since is the link's to tell.
struct Preferences {
    std::string savedPort;
    std::string lastDirectory;
    bool skipSafetyWarning = false;
};

// The folder of the running program (empty when the system cannot tell).
std::string programFolder();

// "<programFolder>/TarvelRCGyro.ini" when that folder is writable, else
// "<configHome>/tarvelrc/TarvelRCGyro.ini" (configHome() of base/user_folders.h: ~/.config,
// or the roaming application data folder on Windows), creating the folder, so that the preferences
// of an installed program are never silently lost. Without a config home the program folder is
// used.
std::string preferencesPath(const std::string& programFolder, const std::string& configHome,
                            FileSystem& files = systemFileSystem());

// Start-up on a store already bound to the preferences file: a file without "COM PORT" is
// taken as new and gets "LAST DIRECTORY" = programFolder, "COM PORT" = "", "DATE" = 0 and
// "WARNING" = 0 in that order; a missing "WARNING" alone is added; then the three preferences
// are read. When a write fails and `writeFailure` is given, it receives the first failure.
Preferences loadPreferences(ProfileStore& prefsStore, const std::string& programFolder,
                            SysResult* writeFailure = nullptr);

// The whole start-up: binds `prefsStore` to preferencesPath(programFolder, configHome) in the
// store's file system, then runs loadPreferences. A program whose preferences cannot live
// beside it is an installed one, whose folder is not the pilot's to keep files in: its first
// file dialog opens in `home` instead (when known), also where an earlier start remembered the
// program's folder.
Preferences startPreferences(ProfileStore& prefsStore, const std::string& programFolder,
                             const std::string& configHome, const std::string& home,
                             SysResult* writeFailure = nullptr);

// The safety agreement before a store. Nothing is asked once the pilot chose "Don't show this
// message again"; an agreement writes the box's state as "WARNING". False when the pilot did
// not agree. The agreement holds for this run even when "WARNING" cannot be written, but the
// pilot is told that it will be asked again next time.
bool agreeToStore(FrontEnd& frontEnd, ProfileStore& prefsStore, bool& skipSafetyWarning);

}  // namespace vn340
