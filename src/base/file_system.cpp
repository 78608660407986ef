#include "base/file_system.h"

#include <cstring>

namespace vn340 {

SysResult cannotWrite(const std::string& path, int error) {
    return {error, "Cannot write \"" + path + "\": " + std::strerror(error)};
}

}  // namespace vn340
