#include "session/program_paths.h"

#include <cstdlib>

#include "config/history_store.h"
#include "config/preferences.h"

namespace vn340 {

ProgramPaths ProgramPaths::ofRunningProgram() {
    ProgramPaths paths;
    paths.programFolder = vn340::programFolder();
    paths.configHome = vn340::configHome();
    paths.historyFolder = vn340::historyFolder();
    if (const char* home = std::getenv("HOME"); home && *home)
        paths.homeFolder = home;
    if (const char* library = std::getenv("VN340_D2XX_LIBRARY"); library && *library)
        paths.d2xxLibrary = library;
    return paths;
}

}  // namespace vn340
