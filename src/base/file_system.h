#pragma once

// Every file the program touches goes through this seam: settings files, the preferences, the
// history of configurations and the device nodes it only asks about. The system's own types
// stay in the one file that implements it, and tests replace it to play a full disk, a folder
// in the way or a file that cannot be read.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/sys_result.h"

namespace vn340 {

struct FolderEntry {
    enum class Kind { File, Folder, Other };
    std::string name;
    Kind kind = Kind::Other;
};

// A file that grows a piece at a time, as a recording does. Each piece is handed to the system
// whole as it is appended, so what was appended survives the program being killed.
class GrowingFile {
  public:
    virtual ~GrowingFile() = default;
    // A failure may leave the first part of `bytes` in the file, as a disk that fills up
    // half-way through a piece does.
    virtual SysResult append(std::string_view bytes) = 0;
    // Cuts the file back to its first `length` bytes, to take back what a failed append left.
    virtual SysResult cutTo(std::uint64_t length) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The whole file into `bytes`. A missing file (or one that cannot even be looked at) reads
    // as empty and succeeds. A folder fails with EISDIR, anything else that is no regular file
    // (a named pipe, a device) with EINVAL without being opened, so nothing waits for a writer
    // that never comes; a file that cannot be read fails with the system's error. A failure
    // leaves `bytes` empty.
    virtual SysResult read(const std::string& path, std::string& bytes) = 0;
    // Puts `bytes` in place of the file as a whole: the old file or the new one, never half.
    // The old file's permissions are kept, a symbolic link is followed, not replaced, and a
    // file without write permission is left alone.
    virtual SysResult replace(const std::string& path, std::string_view bytes) = 0;
    // Makes a new file holding `bytes`, whole or not at all, and never in place of another:
    // a name already taken fails with EEXIST and leaves that file as it was.
    virtual SysResult createNew(const std::string& path, std::string_view bytes) = 0;
    // Makes an empty file to grow a piece at a time. A name already taken fails with EEXIST and
    // leaves that file as it was, unless `replaceExisting`, when that file is emptied. A folder
    // fails with EISDIR and anything else that is no regular file (a named pipe, a device) with
    // EINVAL, told as `read` tells them, without waiting: a pipe is never opened to wait for a
    // reader that never comes.
    virtual SysResult createGrowing(const std::string& path, bool replaceExisting,
                                    std::unique_ptr<GrowingFile>& file) = 0;
    // The files and folders directly in `folder`, in no particular order. A missing folder
    // lists as empty and succeeds; a name that is no folder fails with ENOTDIR.
    virtual SysResult listFolder(const std::string& folder, std::vector<FolderEntry>& entries) = 0;
    // Whether a new file can be made in the folder (a real probe: permissions alone do not
    // tell for the superuser).
    virtual bool folderIsWritable(const std::string& folder) = 0;
    // Makes the folder and any missing parents.
    virtual SysResult createFolders(const std::string& folder) = 0;
    // The name of the group that owns the file or device, empty when it cannot be told.
    virtual std::string ownerGroup(const std::string& path) = 0;
};

// The running system's files; one shared instance.
FileSystem& systemFileSystem();

// The full path of the running program, empty when the system cannot tell.
std::string runningProgramPath();

// "Cannot write "<path>": <the system's reason>", as every failed write of a file is told.
SysResult cannotWrite(const std::string& path, int error);

}  // namespace vn340
