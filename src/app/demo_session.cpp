#include "app/demo_session.h"

#include <QDir>
#include <vector>

#include "base/file_facts.h"
#include "config/preferences.h"
#include "config/profile_store.h"
#include "link/port_selection.h"

#if !defined(VN340_DEMO_LIBRARY) || !defined(VN340_DEMO_INSTALLED_FOLDER) || \
    !defined(VN340_DEMO_BUILT_FOLDER)
#error "the build names the simulated library and its two folders"
#endif

namespace vn340 {
namespace {

// Where the simulated library may lie, nearest first, for a program in `programFolder`:
// relative to the program, the installed layout first, then the build tree's.
std::vector<std::string> demoLibraryCandidates(const std::string& programFolder) {
    std::vector<std::string> candidates;
    for (const char* relative : {VN340_DEMO_INSTALLED_FOLDER, VN340_DEMO_BUILT_FOLDER}) {
        const QString path = QDir::cleanPath(QString::fromStdString(programFolder) + u'/' +
                                             QString::fromUtf8(relative) + u'/' +
                                             QStringLiteral(VN340_DEMO_LIBRARY));
        candidates.push_back(path.toStdString());
    }
    return candidates;
}

}  // namespace

std::unique_ptr<DemoSession> DemoSession::start(const std::string& programFolder,
                                                QString* problem) {
    std::unique_ptr<DemoSession> session(new DemoSession);
    for (const std::string& candidate : demoLibraryCandidates(programFolder)) {
        if (isRegularFile(candidate)) {
            session->library_ = candidate;
            break;
        }
    }
    if (session->library_.empty()) {
        *problem = QStringLiteral("The demo's simulated USB adapter (" VN340_DEMO_LIBRARY
                                  ") is not installed beside the program.");
        return nullptr;
    }
    if (!session->scratch_.isValid()) {
        *problem = QStringLiteral("The demo cannot make a folder for its preferences: %1")
                       .arg(session->scratch_.errorString());
        return nullptr;
    }
    session->folder_ = session->scratch_.path().toStdString();

    // Written as a first start of the program would write them, with the simulated adapter
    // chosen, so the window opens it at once.
    ProfileStore store;
    store.setPath(session->folder_ + "/" + std::string(kPreferencesFileName));
    const bool written =
        store.writeString(kSettingsSection, kLastDirectoryKey, QDir::homePath().toStdString()) &&
        store.writeString(kSettingsSection, kComPortKey, kUsbPortName) &&
        store.writeInt(kSettingsSection, kDateKey, 0) &&
        store.writeBool(kSettingsSection, kWarningKey, false);
    if (!written) {
        *problem = QString::fromStdString(store.lastError().message);
        return nullptr;
    }
    return session;
}

ProgramPaths DemoSession::paths(ProgramPaths system) const {
    ProgramPaths paths = std::move(system);
    paths.programFolder = folder_;
    // A folder that does not exist lists no serial port; the pilot's real adapter would only
    // confuse a demo of the simulated one.
    paths.sysClassTty = folder_ + "/no-serial-ports";
    paths.watchDevices = false;
    paths.configHome = folder_;
    paths.d2xxLibrary = library_;
    // The demo's reads and stores are of a gyro that does not exist: nothing goes into the
    // pilot's history.
    paths.historyFolder.reset();
    return paths;
}

}  // namespace vn340
