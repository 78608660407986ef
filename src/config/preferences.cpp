#include "config/preferences.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vn340 {
namespace {

std::string joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path.append(name);
}

// Keeps the first failure of the start-up writes for the caller to report.
void note(bool written, const ProfileStore& store, ProfileWriteResult* writeFailure) {
    if (!written && writeFailure != nullptr && writeFailure->ok()) {
        *writeFailure = store.lastError();
    }
}

}  // namespace

std::string programFolderOf(std::string_view executablePath) {
    const std::size_t slash = executablePath.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(executablePath.substr(0, slash));
}

std::string programFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : programFolderOf(exe.string());
}

std::string configHomeFrom(const char* xdgConfigHome, const char* home) {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
        return xdgConfigHome;
    }
    if (home != nullptr && home[0] != '\0') {
        return joined(home, ".config");
    }
    return {};
}

std::string configHome() {
    return configHomeFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

bool folderIsWritable(const std::string& folder) {
    // access(W_OK) says yes to root on any folder, so only a real file tells the truth.
    std::string probe = joined(folder, ".tarvelrc-probe-XXXXXX");
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string preferencesPath(const std::string& programFolder, const std::string& configHome) {
    const std::string beside = joined(programFolder, kPreferencesFileName);
    if (configHome.empty() || folderIsWritable(programFolder.empty() ? "/" : programFolder)) {
        return beside;
    }
    const std::string folder = joined(configHome, "tarvelrc");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return joined(folder, kPreferencesFileName);
}

Preferences loadPreferences(ProfileStore& prefsStore, const std::string& programFolder,
                            ProfileWriteResult* writeFailure) {
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
                             const std::string& configHome, ProfileWriteResult* writeFailure) {
    prefsStore.setPath(preferencesPath(programFolder, configHome));
    return loadPreferences(prefsStore, programFolder, writeFailure);
}

}  // namespace vn340
