#include "config/settings_file.h"

#include "base/paths.h"
#include "config/field_rules.h"
#include "config/preferences.h"

namespace vn340 {
namespace {

FileDialogRequest dialogRequest(std::string_view lastDirectory, std::string_view proposedName) {
    return FileDialogRequest{std::string(lastDirectory), std::string(proposedName),
                             std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)};
}

// The chosen file's folder is remembered before anything else happens to the file.
void rememberFolder(ProfileStore& prefsStore, const std::string& path) {
    prefsStore.writeString(kSettingsSection, kLastDirectoryKey, folderOf(path));
}

// The typed fields get the checks of an edit after a load too; the pilot hears of each
// correction.
void runFieldChecks(GyroConfig& config, Screen& screen) {
    for (NumericField field : fieldCheckOrderAfterLoad()) {
        const FieldCheckResult result = checkFieldValue(field, fieldValue(config, field));
        if (result.notice) {
            fieldValue(config, field) = result.value;
            screen.showFieldNotice(field, *result.notice);
            screen.showModel(config);
        }
    }
}

// As the comment box shows them, or cut at their line breaks where no box holds them.
std::vector<std::string> commentLines(Screen& screen, const std::string& comments) {
    if (std::optional<std::vector<std::string>> shown = screen.commentDisplayLines(comments)) {
        return std::move(*shown);
    }
    return splitAtLineBreaks(comments);
}

}  // namespace

std::string overwriteQuestion(std::string_view fileName) {
    return "The file " + std::string(fileName) + " already exists.  Overwrite or Cancel?";
}

std::string saveFailedMessage(std::string_view reason) {
    return "The settings file could not be saved.\n\n" + std::string(reason) +
           "\n\nAny file that was there has been left as it was.\n\nPress OK to continue.";
}

std::optional<std::string> saveSettingsFile(const GyroConfig& config, ProfileStore& prefsStore,
                                            ProfileStore& settingsStore, FrontEnd& frontEnd,
                                            Screen& screen, std::string_view lastDirectory) {
    const std::optional<std::string> path =
        frontEnd.askSavePath(dialogRequest(lastDirectory, kProposedSettingsFileName));
    if (!path) {
        return std::nullopt;
    }
    rememberFolder(prefsStore, *path);
    settingsStore.setPath(*path);
    // The question is decided on the very bytes the new file is built from, and a file that
    // cannot be read is never replaced by one that lost its foreign keys.
    FileSystem& files = settingsStore.fileSystem();
    std::string old;
    if (const SysResult read = files.read(*path, old); !read) {
        frontEnd.showMessage(saveFailedMessage(read.message));
        return std::nullopt;
    }
    if (holdsSettings(old) && !frontEnd.askOverwrite(overwriteQuestion(fileNameOf(*path)))) {
        return std::nullopt;
    }
    const std::string bytes =
        encodeSettingsFile(old, config, commentLines(screen, config.userComments));
    if (const SysResult written = files.replace(*path, bytes); !written) {
        frontEnd.showMessage(saveFailedMessage(written.message));
        return std::nullopt;
    }
    return path;
}

std::optional<std::string> loadSettingsFile(GyroConfig& config, ProfileStore& prefsStore,
                                            ProfileStore& settingsStore, FrontEnd& frontEnd,
                                            Screen& screen, std::string_view lastDirectory) {
    const std::optional<std::string> path = frontEnd.askLoadPath(dialogRequest(lastDirectory, ""));
    if (!path ||
        !loadChosenSettingsFile(config, prefsStore, settingsStore, frontEnd, screen, *path)) {
        return std::nullopt;
    }
    return path;
}

bool loadChosenSettingsFile(GyroConfig& config, ProfileStore& prefsStore,
                            ProfileStore& settingsStore, FrontEnd& frontEnd, Screen& screen,
                            const std::string& path) {
    rememberFolder(prefsStore, path);
    settingsStore.setPath(path);
    return loadSettingsFileAt(config, settingsStore.fileSystem(), frontEnd, screen, path);
}

bool loadSettingsFileAt(GyroConfig& config, FileSystem& files, FrontEnd& frontEnd, Screen& screen,
                        const std::string& path) {
    // Whatever cannot be read reads as an empty file, which is refused as a foreign product.
    std::string bytes;
    files.read(path, bytes);
    DecodedSettings decoded = decodeSettingsFile(bytes, config);
    if (decoded.refusal) {
        // A refused file leaves the model alone, its memory-map version included: taking it
        // would make the next save or store use a version this program cannot handle.
        frontEnd.showMessage(std::string(*decoded.refusal));
        return false;
    }
    // The file's memory-map version and comments are taken as soon as they are read, the
    // values once the pilot has heard what was wrong with them.
    config.memoryMapVersion = decoded.config.memoryMapVersion;
    config.userComments = decoded.config.userComments;
    for (const LoadProblem& problem : decoded.problems) {
        frontEnd.showMessage(problem.message());
    }
    config = std::move(decoded.config);
    screen.showModel(config);
    runFieldChecks(config, screen);
    return true;
}

}  // namespace vn340
