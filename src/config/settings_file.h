#pragma once

// Settings files ("*.tsf") behind "Save to file" and "Load from file": the file dialogs, the
// overwrite question and the messages reach the pilot through the front end, the model and the
// field notices through the screen, in the order the pilot has always seen them; the bytes are
// made and read by the settings codec.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/front_end.h"
#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/profile_store.h"
#include "config/screen.h"
#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace vn340 {

inline constexpr std::string_view kSettingsFileFilter = "Tarvel RC Settings File (*.tsf)";
inline constexpr std::string_view kSettingsFileSuffix = "tsf";
inline constexpr std::string_view kProposedSettingsFileName = "vn340.tsf";

// Behind "Save to file". `config` must already hold what the controls show. The new file is
// built whole in memory and put in place in one step through the settings store's file system,
// so a save that fails leaves any old file exactly as it was and tells the pilot why. The path
// written, if the file was.
std::optional<std::string> saveSettingsFile(const GyroConfig& config, ProfileStore& prefsStore,
                                            ProfileStore& settingsStore, FrontEnd& frontEnd,
                                            Screen& screen, std::string_view lastDirectory);

// Behind "Load from file". A refused file leaves `config` as it was. The path loaded, if a
// file was.
std::optional<std::string> loadSettingsFile(GyroConfig& config, ProfileStore& prefsStore,
                                            ProfileStore& settingsStore, FrontEnd& frontEnd,
                                            Screen& screen, std::string_view lastDirectory);

// Behind "Load from file" once `path` is chosen, in the dialog or outside the window (the
// command line, the file manager): its folder is remembered and the file loaded. A refused
// file leaves `config` as it was.
bool loadChosenSettingsFile(GyroConfig& config, ProfileStore& prefsStore,
                            ProfileStore& settingsStore, FrontEnd& frontEnd, Screen& screen,
                            const std::string& path);

// The file at `path` put on the screen exactly as "Load from file" does once the pilot has
// chosen it, with the same messages and field checks, but without a dialog: the folder the
// pilot last chose stays remembered (a snapshot of the history is not a folder of theirs).
// False when the file was refused (the pilot has been told why) and `config` is as it was.
bool loadSettingsFileAt(GyroConfig& config, FileSystem& files, FrontEnd& frontEnd, Screen& screen,
                        const std::string& path);

std::string overwriteQuestion(std::string_view fileName);
std::string saveFailedMessage(std::string_view reason);

}  // namespace vn340
