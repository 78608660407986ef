#include "base/user_folders.h"

#include "base/paths.h"

namespace vn340 {
namespace {

// A relative XDG variable is invalid and must be ignored.
std::string xdgFolder(const char* variable, const char* home, const char* underHome) {
    if (variable != nullptr && variable[0] == '/') {
        return variable;
    }
    if (home != nullptr && home[0] != '\0') {
        return joinPath(home, underHome);
    }
    return {};
}

}  // namespace

std::string configHomeFrom(const char* xdgConfigHome, const char* home) {
    return xdgFolder(xdgConfigHome, home, ".config");
}

std::string dataHomeFrom(const char* xdgDataHome, const char* home) {
    return xdgFolder(xdgDataHome, home, ".local/share");
}

}  // namespace vn340
