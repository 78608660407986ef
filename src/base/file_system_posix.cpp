// The file seam on POSIX.

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "base/file_system.h"
#include "base/paths.h"

namespace vn340 {
namespace {

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

SysResult unreadable(const std::string& path, int error) {
    return {error, quoted(path) + " exists but cannot be read."};
}

// A folder fails with EISDIR, anything else that is no regular file with EINVAL: opening a
// named pipe would wait for the other end, and a device may never end.
SysResult regularFileOnly(const std::string& path, const struct stat& info) {
    if (S_ISDIR(info.st_mode)) {
        return {EISDIR, quoted(path) + " is a folder, not a file."};
    }
    if (!S_ISREG(info.st_mode)) {
        return {EINVAL, quoted(path) + " is not a regular file."};
    }
    return {};
}

// Appends the rest of the file; 0 or the errno of the failure.
int readAll(int fd, std::string& bytes) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return 0;
        } else if (errno != EINTR) {
            return errno;
        }
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Follows a symbolic link so that the rename replaces the file it points to, not the link.
std::string resolvedTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) {
        return path;
    }
    const std::filesystem::path target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// Makes a new name in the folder survive a crash as the file's bytes do.
void syncFolderOf(const std::string& path) {
    const std::string folder = folderOf(path);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes and syncs the temporary file; returns 0 or the errno of the first failure.
int fillTemporary(int fd, std::string_view bytes, const struct stat* old) {
    if (old != nullptr && ::fchmod(fd, old->st_mode & 07777) != 0) {
        return errno;
    }
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// A new file beside the target, opened for writing; a name left behind by a crashed run of an
// earlier process with our pid is skipped. -1 with errno set when none can be made.
int openTemporary(const std::string& target, std::string& temporary) {
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    return fd;
}

// Writes `bytes` into a new file beside `target` and syncs it; 0 or the errno of the first
// failure, with nothing left behind after a failure.
int writeTemporary(const std::string& target, std::string_view bytes, const struct stat* old,
                   std::string& temporary) {
    const int fd = openTemporary(target, temporary);
    if (fd < 0) {
        return errno;
    }
    int error = fillTemporary(fd, bytes, old);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

// A rename that never replaces: 0, or -1 with errno. Linux does it in one call. The browser's
// file system has no such call, but only the page's one thread ever writes to it, so nothing
// can take the name between the look and the rename.
int renameNoReplace(const std::string& from, const std::string& to) {
#ifdef __EMSCRIPTEN__
    struct stat taken {};
    if (::lstat(to.c_str(), &taken) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
#else
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
#endif
}

// Gives the finished temporary file the name `target` unless that name is taken; 0 or the
// errno of the failure, the temporary file then still in place.
int renameToNewName(const std::string& temporary, const std::string& target) {
    if (renameNoReplace(temporary, target) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system that cannot rename without replacing can still add a second name, which
    // never replaces either.
    if (::link(temporary.c_str(), target.c_str()) != 0) {
        return errno;
    }
    ::unlink(temporary.c_str());
    return 0;
}

FolderEntry::Kind kindOf(const std::filesystem::directory_entry& entry) {
    std::error_code ec;
    const std::filesystem::file_status status = entry.status(ec);
    if (std::filesystem::is_directory(status)) {
        return FolderEntry::Kind::Folder;
    }
    return std::filesystem::is_regular_file(status) ? FolderEntry::Kind::File
                                                    : FolderEntry::Kind::Other;
}

class PosixGrowingFile final : public GrowingFile {
  public:
    PosixGrowingFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixGrowingFile() override { ::close(fd_); }

    SysResult append(std::string_view bytes) override {
        if (!writeAll(fd_, bytes)) {
            return cannotWrite(path_, errno);
        }
        return {};
    }

    SysResult cutTo(std::uint64_t length) override {
        while (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
            if (errno != EINTR) {
                return cannotWrite(path_, errno);
            }
        }
        return {};
    }

  private:
    int fd_;
    std::string path_;
};

class PosixFileSystem final : public FileSystem {
  public:
    SysResult read(const std::string& path, std::string& bytes) override {
        bytes.clear();
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            return {};
        }
        if (const SysResult kind = regularFileOnly(path, info); !kind) {
            return kind;
        }
        // Non-blocking all the same: the name may have become a pipe since it was looked at.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return unreadable(path, errno);
        }
        int error = 0;
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            error = EINVAL;
        } else {
            error = readAll(fd, bytes);
        }
        ::close(fd);
        if (error != 0) {
            bytes.clear();
            return unreadable(path, error);
        }
        return {};
    }

    SysResult replace(const std::string& path, std::string_view bytes) override {
        if (path.empty()) {
            return {ENOENT, "No file name is set for the settings to be written to."};
        }
        const std::string target = resolvedTarget(path);
        struct stat old {};
        const bool existed = ::stat(target.c_str(), &old) == 0;
        if (existed && S_ISDIR(old.st_mode)) {
            return cannotWrite(path, EISDIR);
        }
        // The rename needs only the folder's permission, so without this a file the pilot made
        // read-only would be replaced all the same. No write bit at all counts as read-only
        // even for the superuser, as the read-only attribute does on Windows.
        if (existed && (::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0)) {
            return cannotWrite(path, EACCES);
        }
        std::string temporary;
        int error = writeTemporary(target, bytes, existed ? &old : nullptr, temporary);
        if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
            error = errno;
            ::unlink(temporary.c_str());
        }
        if (error != 0) {
            return cannotWrite(path, error);
        }
        syncFolderOf(target);
        return {};
    }

    SysResult createNew(const std::string& path, std::string_view bytes) override {
        std::string temporary;
        int error = writeTemporary(path, bytes, nullptr, temporary);
        if (error == 0) {
            error = renameToNewName(temporary, path);
            if (error != 0) {
                ::unlink(temporary.c_str());
            }
        }
        if (error != 0) {
            return cannotWrite(path, error);
        }
        syncFolderOf(path);
        return {};
    }

    SysResult createGrowing(const std::string& path, bool replaceExisting,
                            std::unique_ptr<GrowingFile>& file) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            if (const SysResult kind = regularFileOnly(path, info); !kind) {
                return kind;
            }
        }
        // Non-blocking all the same: the name may have become a pipe since it was looked at.
        // A regular file takes no notice of the flag.
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_APPEND | O_NONBLOCK |
                          (replaceExisting ? O_TRUNC : O_EXCL);
        const int fd = ::open(path.c_str(), flags, 0666);
        if (fd < 0) {
            return cannotWrite(path, errno);
        }
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return {EINVAL, quoted(path) + " is not a regular file."};
        }
        file = std::make_unique<PosixGrowingFile>(fd, path);
        return {};
    }

    SysResult listFolder(const std::string& folder, std::vector<FolderEntry>& entries) override {
        entries.clear();
        std::error_code ec;
        std::filesystem::directory_iterator entry(folder, ec);
        if (ec == std::errc::no_such_file_or_directory) {
            return {};
        }
        for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
            entries.push_back({entry->path().filename().string(), kindOf(*entry)});
        }
        if (ec) {
            entries.clear();
            return {ec.value(), "The folder \"" + folder +
                                    "\" cannot be listed: " + std::strerror(ec.value()) + "."};
        }
        return {};
    }

    bool folderIsWritable(const std::string& folder) override {
        // access(W_OK) says yes to root on any folder, so only a real file tells the truth.
        std::string probe = joinPath(folder, ".tarvelrc-probe-XXXXXX");
        const int fd = ::mkstemp(probe.data());
        if (fd < 0) {
            return false;
        }
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }

    SysResult createFolders(const std::string& folder) override {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return {ec.value(), "The folder \"" + folder +
                                    "\" could not be made: " + std::strerror(ec.value()) + "."};
        }
        return {};
    }

    std::string ownerGroup(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            return {};
        }
        group entry{};
        group* found = nullptr;
        std::vector<char> buffer(4096);
        if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
            found == nullptr) {
            return {};
        }
        return found->gr_name;
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static PosixFileSystem files;
    return files;
}

std::string runningProgramPath() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

}  // namespace vn340
