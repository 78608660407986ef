#include "config/preferences.h"

#include "base/paths.h"

namespace vn340 {
namespace {

// Keeps the first failure of the start-up writes for the caller to report.
void note(bool written, const ProfileStore& store, SysResult* writeFailure) {
    if (!written && writeFailure != nullptr && writeFailure->ok()) {
        *writeFailure = store.lastError();
    }
}

}  // namespace

std::string programFolder() {
    return folderOf(runningProgramPath(), RootFolder::Empty);
}

std::string preferencesPath(const std::string& programFolder, const std::string& configHome,
                            FileSystem& files) {
    const std::string beside = joinPath(programFolder, kPreferencesFileName);
    if (configHome.empty() || files.folderIsWritable(programFolder.empty() ? "/" : programFolder)) {
        return beside;
    }
    // A folder that cannot be made shows when the preferences are written.
    const std::string folder = joinPath(configHome, "tarvelrc");
    files.createFolders(folder);
    return joinPath(folder, kPreferencesFileName);
}

Preferences loadPreferences(ProfileStore& prefsStore, const std::string& programFolder,
                            SysResult* writeFailure) {
    if (writeFailure != nullptr) {
        *writeFailure = {};
    }
    if (!prefsStore.keyExists(kSettingsSection, kComPortKey)) {
        note(prefsStore.writeString(kSettingsSection, kLastDirectoryKey, programFolder), prefsStore,
             writeFailure);
        note(prefsStore.writeString(kSettingsSection, kComPortKey, ""), prefsStore, writeFailure);
        note(prefsStore.writeInt(kSettingsSection, kDateKey, 0), prefsStore, writeFailure);
        note(prefsStore.writeBool(kSettingsSection, kWarningKey, false), prefsStore, writeFailure);
    }
    if (!prefsStore.keyExists(kSettingsSection, kWarningKey)) {
        note(prefsStore.writeBool(kSettingsSection, kWarningKey, false), prefsStore, writeFailure);
    }
    Preferences preferences;
    preferences.savedPort = prefsStore.getString(kSettingsSection, kComPortKey);
    preferences.lastDirectory = prefsStore.getString(kSettingsSection, kLastDirectoryKey);
    preferences.skipSafetyWarning = prefsStore.getBool(kSettingsSection, kWarningKey, false);
    return preferences;
}

Preferences startPreferences(ProfileStore& prefsStore, const std::string& programFolder,
                             const std::string& configHome, const std::string& home,
                             SysResult* writeFailure) {
    const std::string path = preferencesPath(programFolder, configHome, prefsStore.fileSystem());
    prefsStore.setPath(path);
    const bool installed = path != joinPath(programFolder, kPreferencesFileName) && !home.empty();
    Preferences preferences =
        loadPreferences(prefsStore, installed ? home : programFolder, writeFailure);
    if (installed && preferences.lastDirectory == programFolder) {
        preferences.lastDirectory = home;
    }
    return preferences;
}

bool agreeToStore(FrontEnd& frontEnd, ProfileStore& prefsStore, bool& skipSafetyWarning) {
    if (skipSafetyWarning) {
        return true;
    }
    const std::optional<bool> dontShowAgain = frontEnd.askSafetyAgreement();
    if (!dontShowAgain) {
        return false;
    }
    skipSafetyWarning = *dontShowAgain;
    if (!prefsStore.writeBool(kSettingsSection, kWarningKey, skipSafetyWarning)) {
        frontEnd.showMessage(prefsStore.lastError().message);
    }
    return true;
}

}  // namespace vn340
