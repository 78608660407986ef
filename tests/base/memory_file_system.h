#pragma once

// Files held in memory, for tests of everything above the file seam: reads and replacements
// act on a map, and any path can be made to fail as a real system would.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "base/file_system.h"

namespace vn340 {

class MemoryFileSystem : public FileSystem {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, SysResult> readFailures;     // by path
    std::map<std::string, SysResult> replaceFailures;  // by path
    std::map<std::string, SysResult> createFailures;   // by path
    std::map<std::string, SysResult> appendFailures;   // by path, once the file has grown
    // By path: the bytes the disk still takes. An append beyond them writes what fits and
    // fails with ENOSPC, as a disk that fills up half-way through does.
    std::map<std::string, std::size_t> appendRoom;
    std::set<std::string> folders;  // made by createFolders

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
    SysResult createNew(const std::string& path, std::string_view bytes) override {
        if (const auto failure = createFailures.find(path); failure != createFailures.end()) {
            return failure->second;
        }
        if (files.count(path) != 0) {
            return cannotWrite(path, EEXIST);
        }
        files[path] = std::string(bytes);
        return {};
    }
    SysResult createGrowing(const std::string& path, bool replaceExisting,
                            std::unique_ptr<GrowingFile>& file) override {
        if (const auto failure = createFailures.find(path); failure != createFailures.end()) {
            return failure->second;
        }
        if (files.count(path) != 0 && !replaceExisting) {
            return cannotWrite(path, EEXIST);
        }
        files[path].clear();
        file = std::make_unique<Growing>(*this, path);
        return {};
    }
    // Folders are those made and those that hold a file; the latter without their parents.
    SysResult listFolder(const std::string& folder, std::vector<FolderEntry>& entries) override {
        entries.clear();
        const std::string prefix = folder + "/";
        std::set<std::string> seen;
        auto add = [&](const std::string& path, FolderEntry::Kind kind) {
            if (path.rfind(prefix, 0) != 0) {
                return;
            }
            const std::string rest = path.substr(prefix.size());
            const std::size_t slash = rest.find('/');
            const std::string name = rest.substr(0, slash);
            if (!name.empty() && seen.insert(name).second) {
                entries.push_back(
                    {name, slash == std::string::npos ? kind : FolderEntry::Kind::Folder});
            }
        };
        for (const auto& [path, bytes] : files) {
            add(path, FolderEntry::Kind::File);
        }
        for (const std::string& made : folders) {
            add(made, FolderEntry::Kind::Folder);
        }
        return {};
    }
    bool folderIsWritable(const std::string&) override { return true; }
    SysResult createFolders(const std::string& folder) override {
        folders.insert(folder);
        return {};
    }
    std::string ownerGroup(const std::string&) override { return {}; }

    // The file's bytes, empty when there is none.
    std::string operator[](const std::string& path) const {
        const auto file = files.find(path);
        return file == files.end() ? std::string() : file->second;
    }

  private:
    class Growing final : public GrowingFile {
      public:
        Growing(MemoryFileSystem& files, std::string path)
            : files_(files), path_(std::move(path)) {}
        SysResult append(std::string_view bytes) override {
            if (const auto failure = files_.appendFailures.find(path_);
                failure != files_.appendFailures.end()) {
                return failure->second;
            }
            if (const auto room = files_.appendRoom.find(path_); room != files_.appendRoom.end()) {
                const std::size_t fits = std::min(room->second, bytes.size());
                files_.files[path_] += bytes.substr(0, fits);
                room->second -= fits;
                return fits < bytes.size() ? cannotWrite(path_, ENOSPC) : SysResult{};
            }
            files_.files[path_] += bytes;
            return {};
        }
        SysResult cutTo(std::uint64_t length) override {
            std::string& bytes = files_.files[path_];
            bytes.resize(std::min<std::uint64_t>(length, bytes.size()));
            return {};
        }

      private:
        MemoryFileSystem& files_;
        std::string path_;
    };
};

}  // namespace vn340
