// Who may reach a folder on POSIX: the folder's own entry (lstat, so a link is seen as a
// link), its owner and its mode. The folder is made with its mode at once, never open to
// others between its making and a later chmod.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/private_folder.h"

namespace vn340 {
namespace {

class PosixFolderAccess : public FolderAccessSystem {
  public:
    std::optional<FolderAccess> access(const std::string& folder) override {
        struct stat facts {};
        if (::lstat(folder.c_str(), &facts) != 0) {
            return std::nullopt;
        }
        FolderAccess access;
        access.realFolder = S_ISDIR(facts.st_mode);
        // The effective user: the one whose files and sockets the program makes.
        access.ownedByUser = facts.st_uid == ::geteuid();
        access.othersMayWrite = (facts.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        access.othersMayEnter = (facts.st_mode & (S_IRWXG | S_IRWXO)) != 0;
        return access;
    }

    SysResult createPrivate(const std::string& folder) override {
        if (::mkdir(folder.c_str(), S_IRWXU) == 0 || errno == EEXIST) {
            return SysResult::success();
        }
        const int error = errno;
        return {error, "\"" + folder + "\" could not be made: " + std::strerror(error) + "."};
    }
};

}  // namespace

FolderAccessSystem& systemFolderAccess() {
    static PosixFolderAccess system;
    return system;
}

PrivateFolderPlaces systemPrivateFolderPlaces() {
    PrivateFolderPlaces places;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        places.runtimeFolder = runtime;
    }
    const char* temporary = std::getenv("TMPDIR");
    places.temporaryFolder = temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp";
    places.userNumber = std::to_string(::geteuid());
    return places;
}

}  // namespace vn340
