// The file seam on Windows. Paths arrive as UTF-8 and go to the wide-character calls as
// UTF-16, so a name in any script reaches the disk as it was written, whatever the system's
// ANSI code page; failures are told with the same errno values as on POSIX.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "base/paths.h"
#include "base/wide_text.h"

namespace vn340 {
namespace {

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD attributesOf(const std::string& path) {
    return ::GetFileAttributesW(wide(path).c_str());
}

bool isFolder(DWORD attributes) {
    return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Whether the nearest part of the path that exists is a file, where a folder should be.
bool fileInTheWay(std::string path) {
    for (std::size_t separator = path.find_last_of("/\\"); separator != std::string::npos;
         separator = path.find_last_of("/\\")) {
        path.resize(separator);
        const DWORD attributes = attributesOf(path);
        if (attributes != kNoAttributes) {
            return !isFolder(attributes);
        }
    }
    return false;
}

// The errno value for a failed call on `path`. Windows tells a file standing where a folder
// should be as a missing path; POSIX, and so every caller, tells it apart as ENOTDIR.
int errnoOf(DWORD error, const std::string& path) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return fileInTheWay(path) ? ENOTDIR : ENOENT;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_TOO_LARGE:
            return EFBIG;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return EINVAL;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EIO;
    }
}

int lastErrno(const std::string& path) {
    return errnoOf(::GetLastError(), path);
}

// Makes the folder after its missing parents; 0 or the errno of the failure, ENOTDIR when a
// file stands where one of the folders should be.
int makeFolders(const std::string& folder) {
    const DWORD attributes = attributesOf(folder);
    if (attributes != kNoAttributes) {
        return isFolder(attributes) ? 0 : EEXIST;
    }
    const std::size_t separator = folder.find_last_of("/\\");
    // A drive ("C:") or the root is there or cannot be made.
    if (separator != std::string::npos && separator > 0 && folder[separator - 1] != ':') {
        const int error = makeFolders(folder.substr(0, separator));
        if (error != 0) {
            return error == EEXIST ? ENOTDIR : error;
        }
    }
    if (::CreateDirectoryW(wide(folder).c_str(), nullptr) == 0 &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return lastErrno(folder);
    }
    return 0;
}

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        const bool closed = !valid() || ::CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

  private:
    HANDLE handle_;
};

// Appends the rest of the file; 0 or the errno of the failure.
int readAll(HANDLE file, std::string& bytes, const std::string& path) {
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) == 0) {
            return lastErrno(path);
        }
        if (got == 0) {
            return 0;
        }
        bytes.append(chunk, got);
    }
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (::WriteFile(file, bytes.data(), piece, &written, nullptr) == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

// Writes `bytes` into a new file beside `target` and flushes it to the disk; 0 or the errno of
// the first failure, with nothing left behind after a failure.
int writeTemporary(const std::string& target, std::string_view bytes, std::string& temporary) {
    HANDLE raw = INVALID_HANDLE_VALUE;
    // A name left behind by a crashed run of an earlier process with our id is skipped.
    for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryName(target);
        raw = ::CreateFileW(wide(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (raw == INVALID_HANDLE_VALUE) {
        return lastErrno(temporary);
    }
    Handle file(raw);
    int error = 0;
    if (!writeAll(file.get(), bytes) || ::FlushFileBuffers(file.get()) == 0) {
        error = lastErrno(temporary);
    }
    if (!file.close() && error == 0) {
        error = lastErrno(temporary);
    }
    if (error != 0) {
        ::DeleteFileW(wide(temporary).c_str());
    }
    return error;
}

// Puts the finished temporary file in place of `target` with the old file's attributes (a
// hidden file stays hidden). A rename within the folder, so the old file or the new one is
// there, never half of one. ReplaceFileW would keep more, but leaves a file of its own behind
// when the target is held open by another program.
int moveInPlace(const std::string& temporary, const std::string& target, DWORD oldAttributes) {
    const std::wstring from = wide(temporary);
    if (oldAttributes != kNoAttributes) {
        ::SetFileAttributesW(from.c_str(), oldAttributes);
    }
    if (::MoveFileExW(from.c_str(), wide(target).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        return lastErrno(target);
    }
    return 0;
}

FolderEntry::Kind kindOf(const WIN32_FIND_DATAW& found) {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FolderEntry::Kind::Folder;
    }
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0 ? FolderEntry::Kind::Other
                                                                 : FolderEntry::Kind::File;
}

class WindowsGrowingFile final : public GrowingFile {
  public:
    WindowsGrowingFile(HANDLE file, std::string path) : file_(file), path_(std::move(path)) {}

    SysResult append(std::string_view bytes) override {
        if (!writeAll(file_.get(), bytes)) {
            return cannotWrite(path_, lastErrno(path_));
        }
        return {};
    }

    // The file's pointer stays at the new end, where the next piece goes.
    SysResult cutTo(std::uint64_t length) override {
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(length);
        if (::SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN) == 0 ||
            ::SetEndOfFile(file_.get()) == 0) {
            return cannotWrite(path_, lastErrno(path_));
        }
        return {};
    }

  private:
    Handle file_;
    std::string path_;
};

class WindowsFileSystem final : public FileSystem {
  public:
    SysResult read(const std::string& path, std::string& bytes) override {
        bytes.clear();
        const DWORD attributes = attributesOf(path);
        if (attributes == kNoAttributes) {
            return {};
        }
        if (isFolder(attributes)) {
            return {EISDIR, quoted(path) + " is a folder, not a file."};
        }
        Handle file(::CreateFileW(wide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            return {lastErrno(path), quoted(path) + " exists but cannot be read."};
        }
        // A device or a pipe may never end.
        if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
            return {EINVAL, quoted(path) + " is not a regular file."};
        }
        const int error = readAll(file.get(), bytes, path);
        if (error != 0) {
            bytes.clear();
            return {error, quoted(path) + " exists but cannot be read."};
        }
        return {};
    }

    SysResult replace(const std::string& path, std::string_view bytes) override {
        if (path.empty()) {
            return {ENOENT, "No file name is set for the settings to be written to."};
        }
        const DWORD old = attributesOf(path);
        const bool existed = old != kNoAttributes;
        if (isFolder(old)) {
            return cannotWrite(path, EISDIR);
        }
        // ReplaceFileW would refuse too, but only after the new bytes were written.
        if (existed && (old & FILE_ATTRIBUTE_READONLY) != 0) {
            return cannotWrite(path, EACCES);
        }
        std::string temporary;
        int error = writeTemporary(path, bytes, temporary);
        if (error == 0) {
            error = moveInPlace(temporary, path, old);
            if (error != 0) {
                ::DeleteFileW(wide(temporary).c_str());
            }
        }
        return error == 0 ? SysResult{} : cannotWrite(path, error);
    }

    SysResult createNew(const std::string& path, std::string_view bytes) override {
        std::string temporary;
        int error = writeTemporary(path, bytes, temporary);
        // Without MOVEFILE_REPLACE_EXISTING a taken name fails and is left as it was.
        if (error == 0 && ::MoveFileExW(wide(temporary).c_str(), wide(path).c_str(),
                                        MOVEFILE_WRITE_THROUGH) == 0) {
            error = lastErrno(path);
            ::DeleteFileW(wide(temporary).c_str());
        }
        return error == 0 ? SysResult{} : cannotWrite(path, error);
    }

    SysResult createGrowing(const std::string& path, bool replaceExisting,
                            std::unique_ptr<GrowingFile>& file) override {
        if (isFolder(attributesOf(path))) {
            return {EISDIR, quoted(path) + " is a folder, not a file."};
        }
        // Written at the file's pointer, not appended by the system: cutting the file back
        // needs the right to write anywhere in it. Nobody else writes to it meanwhile.
        HANDLE raw = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   replaceExisting ? CREATE_ALWAYS : CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (raw == INVALID_HANDLE_VALUE) {
            return cannotWrite(path, lastErrno(path));
        }
        // A pipe or a device opens without waiting here, but is no file to record into.
        if (::GetFileType(raw) != FILE_TYPE_DISK) {
            ::CloseHandle(raw);
            return {EINVAL, quoted(path) + " is not a regular file."};
        }
        file = std::make_unique<WindowsGrowingFile>(raw, path);
        return {};
    }

    SysResult listFolder(const std::string& folder, std::vector<FolderEntry>& entries) override {
        entries.clear();
        const DWORD attributes = attributesOf(folder);
        if (attributes == kNoAttributes) {
            const int error = lastErrno(folder);
            return error == ENOENT ? SysResult{} : cannotList(folder, error);
        }
        if (!isFolder(attributes)) {
            return cannotList(folder, ENOTDIR);
        }
        WIN32_FIND_DATAW found{};
        HANDLE search = ::FindFirstFileW(wide(joinPath(folder, "*")).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return cannotList(folder, lastErrno(folder));
        }
        do {
            const std::wstring_view name = found.cFileName;
            if (name != L"." && name != L"..") {
                entries.push_back({utf8(name), kindOf(found)});
            }
        } while (::FindNextFileW(search, &found) != 0);
        const DWORD ended = ::GetLastError();
        ::FindClose(search);
        if (ended != ERROR_NO_MORE_FILES) {
            entries.clear();
            return cannotList(folder, errnoOf(ended, folder));
        }
        return {};
    }

    bool folderIsWritable(const std::string& folder) override {
        const std::string probe =
            joinPath(folder, ".tarvelrc-probe-" + std::to_string(::GetCurrentProcessId()));
        Handle file(::CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        return file.valid();
    }

    SysResult createFolders(const std::string& folder) override {
        const int error = makeFolders(folder);
        if (error != 0) {
            return {error, "The folder \"" + folder +
                               "\" could not be made: " + std::strerror(error) + "."};
        }
        return {};
    }

    // Access to a port on Windows is no matter of groups.
    std::string ownerGroup(const std::string&) override { return {}; }

  private:
    static SysResult cannotList(const std::string& folder, int error) {
        return {error,
                "The folder \"" + folder + "\" cannot be listed: " + std::strerror(error) + "."};
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static WindowsFileSystem files;
    return files;
}

// With "/" between its folders, as every path the program builds has them.
std::string runningProgramPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string path = utf8(buffer);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace vn340
