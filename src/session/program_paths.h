#pragma once

#include <optional>
#include <string>

#include "link/d2xx_library.h"
#include "link/tty_class.h"

namespace vn340 {

// Where the program finds what lies outside it. The preferences file is looked for beside the
// program, or under the configuration home when the program's folder cannot be written. The
// serial ports are listed from the kernel's tty class and opened as deviceFolder + name; the
// USB adapter's library is what dlopen() is given.
struct ProgramPaths {
    std::string programFolder;
    std::string configHome;
    // The pilot's home folder ($HOME, %USERPROFILE% on Windows), where an installed program's first
    // file dialog opens.
    std::string homeFolder;
    std::string sysClassTty = kSysClassTty;
#ifdef _WIN32
    // Windows opens a serial port by its own name ("COM5").
    std::string deviceFolder;
#else
    std::string deviceFolder = "/dev/";
#endif
    std::string d2xxLibrary = std::string(kDefaultD2xxLibrary);
    // Whether adapters plugged in and pulled out while the program runs are heard of.
    bool watchDevices = true;
    // Where reads and stores are kept; none keeps no history.
    std::optional<std::string> historyFolder;

    // The running program's folders, its history and the system's devices. VN340_D2XX_LIBRARY, when
    // set, names another D2XX library (the run script's simulated adapter).
    static ProgramPaths ofRunningProgram();
};

}  // namespace vn340
