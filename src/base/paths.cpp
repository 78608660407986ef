#include "base/paths.h"

namespace vn340 {

std::string folderOf(std::string_view path, RootFolder root) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    if (slash == 0 && root == RootFolder::Slash) {
        return "/";
    }
    return std::string(path.substr(0, slash));
}

std::string fileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path.append(name);
}

}  // namespace vn340
