#include "session/program_paths.h"

#include <cstdlib>

#include "base/user_folders.h"
#include "config/history_store.h"
#include "config/preferences.h"

namespace vn340 {

ProgramPaths ProgramPaths::ofRunningProgram() {
    ProgramPaths paths;
    paths.programFolder = vn340::programFolder();
    paths.configHome = vn340::configHome();
    paths.historyFolder = vn340::historyFolder();
    paths.homeFolder = vn340::homeFolder();
    if (const char* library = std::getenv("VN340_D2XX_LIBRARY"); library && *library) {
        paths.d2xxLibrary = library;
    }
    return paths;
}

}  // namespace vn340
