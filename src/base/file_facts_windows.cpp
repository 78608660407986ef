// What Windows says of a path, through the wide-character calls so that a name in any script
// is found as it was written.

#include <windows.h>

#include <algorithm>

#include "base/file_facts.h"
#include "base/wide_text.h"

namespace vn340 {

bool isRegularFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The system's own rules, which know drives and shares: the current folder of the drive a path
// names, ".." and "." taken out.
std::string absolutePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    const std::wstring given = wide(path);
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()),
                                                full.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    std::string absolute = utf8(full);
    std::replace(absolute.begin(), absolute.end(), '\\', '/');
    return absolute;
}

}  // namespace vn340
