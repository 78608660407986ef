#pragma once

// Files held in memory, for tests of everything above the file seam: reads and replacements
// act on a map, and any path can be made to fail as a real system would.

#include <map>
#include <string>
#include <string_view>

#include "config/file_system.h"

namespace vn340 {

class MemoryFileSystem : public FileSystem {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, SysResult> readFailures;     // by path
    std::map<std::string, SysResult> replaceFailures;  // by path

    SysResult read(const std::string& path, std::string& bytes) override {
        bytes.clear();
        if (const auto failure = readFailures.find(path); failure != readFailures.end()) {
            return failure->second;
        }
        if (const auto file = files.find(path); file != files.end()) {
            bytes = file->second;
        }
        return {};
    }
    SysResult replace(const std::string& path, std::string_view bytes) override {
        if (const auto failure = replaceFailures.find(path); failure != replaceFailures.end()) {
            return failure->second;
        }
        files[path] = std::string(bytes);
        return {};
    }
    bool folderIsWritable(const std::string&) override { return true; }
    SysResult createFolders(const std::string&) override { return {}; }
    std::string ownerGroup(const std::string&) override { return {}; }

    // The file's bytes, empty when there is none.
    std::string operator[](const std::string& path) const {
        const auto file = files.find(path);
        return file == files.end() ? std::string() : file->second;
    }
};

}  // namespace vn340
