// The XDG folders from the environment.

#include <cstdlib>

#include "base/user_folders.h"

namespace vn340 {

std::string configHome() {
    return configHomeFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string dataHome() {
    return dataHomeFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? std::string(home) : std::string();
}

}  // namespace vn340
