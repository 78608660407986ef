#pragma once

// Settings files ("*.tsf") behind "Save to file" and "Load from file": the file dialogs, the
// overwrite question, the messages and the field notices reach the pilot through
// SettingsFileHost, in the order the pilot has always seen them; the bytes are made and read
// by the settings codec.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/profile_store.h"
#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace vn340 {

inline constexpr std::string_view kSettingsFileFilter = "Tarvel RC Settings File (*.tsf)";
inline constexpr std::string_view kSettingsFileSuffix = "tsf";
inline constexpr std::string_view kProposedSettingsFileName = "vn340.tsf";

struct FileDialogRequest {
    std::string initialFolder;
    std::string proposedName;   // empty for the load dialog
    std::string filter;         // kSettingsFileFilter
    std::string defaultSuffix;  // added when the pilot types a name without one
};

class SettingsFileHost {
  public:
    virtual ~SettingsFileHost() = default;

    // The full path chosen, or none when the pilot cancelled.
    virtual std::optional<std::string> askSavePath(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> askLoadPath(const FileDialogRequest& request) = 0;
    // True for Overwrite, false for Cancel.
    virtual bool askOverwrite(const std::string& question) = 0;
    // Shows the text with one OK button and returns when the pilot has closed it.
    virtual void showMessage(const std::string& text) = 0;
    // The model has changed: show it in the controls.
    virtual void showModel(const GyroConfig& config) = 0;
    // A field check after a load changed the field's value.
    virtual void showFieldNotice(NumericField field, const std::string& notice) = 0;
    // The comment text as the comment box displays it, one entry per displayed line (a wrapped
    // line gives several). Without a box to ask, the text is cut at its line breaks.
    virtual std::vector<std::string> commentDisplayLines(const std::string& comments);
};

// Behind "Save to file". `config` must already hold what the controls show. The new file is
// built whole in memory and put in place in one step through the settings store's file system,
// so a save that fails leaves any old file exactly as it was and tells the pilot why.
void saveSettingsFile(const GyroConfig& config, ProfileStore& prefsStore,
                      ProfileStore& settingsStore, SettingsFileHost& host,
                      std::string_view lastDirectory);

// Behind "Load from file". A refused file leaves `config` as it was.
void loadSettingsFile(GyroConfig& config, ProfileStore& prefsStore, ProfileStore& settingsStore,
                      SettingsFileHost& host, std::string_view lastDirectory);

// The file at `path` put on the screen exactly as "Load from file" does once the pilot has
// chosen it, with the same messages and field checks, but without a dialog: the folder the
// pilot last chose stays remembered (a snapshot of the history is not a folder of theirs).
void loadSettingsFileAt(GyroConfig& config, FileSystem& files, SettingsFileHost& host,
                        const std::string& path);

std::string overwriteQuestion(std::string_view fileName);
std::string saveFailedMessage(std::string_view reason);

}  // namespace vn340
