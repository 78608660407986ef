#include "base/paths.h"

#include <vector>

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

std::string cleanPath(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    const bool fromRoot = path.front() == '/';
    std::vector<std::string_view> steps;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view step = path.substr(0, slash);
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
        if (step.empty() || step == ".") {
            continue;
        }
        if (step == ".." && !steps.empty() && steps.back() != "..") {
            steps.pop_back();
        } else {
            steps.push_back(step);
        }
    }
    std::string clean = fromRoot ? "/" : "";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        clean.append(i == 0 ? "" : "/").append(steps[i]);
    }
    return clean.empty() ? "." : clean;
}

std::string absolutePathFrom(std::string_view currentFolder, std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string full(path);
    if (path.front() != '/' && !currentFolder.empty()) {
        full = path == "." ? std::string(currentFolder) : joinPath(currentFolder, path);
    }
    if (full == "/") {
        return full;
    }
    const bool folder = full.back() == '/';
    return cleanPath(full) + (folder ? "/" : "");
}

}  // namespace vn340
