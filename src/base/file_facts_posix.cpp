// What POSIX says of a path: stat() and the current folder.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "base/file_facts.h"
#include "base/paths.h"

namespace vn340 {
namespace {

// Empty when the system cannot tell (the folder was removed, or is out of reach).
std::string currentFolder() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

}  // namespace

bool isRegularFile(const std::string& path) {
    struct stat facts {};
    return ::stat(path.c_str(), &facts) == 0 && S_ISREG(facts.st_mode);
}

std::string absolutePath(const std::string& path) {
    return path.empty() ? std::string() : absolutePathFrom(currentFolder(), path);
}

}  // namespace vn340
