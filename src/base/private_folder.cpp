#include "base/private_folder.h"

#include <cerrno>

#include "base/paths.h"

namespace vn340 {
namespace {

// A runtime folder named relative to wherever the program was started is no folder at all.
bool isAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

bool safeRuntimeFolder(const std::optional<FolderAccess>& access) {
    return access && access->realFolder && access->ownedByUser && !access->othersMayWrite;
}

// Why the program's own folder is not safe to use; empty when it is. It lies in the shared
// temporary folder, where anyone may have made that name first.
std::string unsafeReason(const std::optional<FolderAccess>& access) {
    if (!access) {
        return "cannot be looked at";
    }
    if (!access->realFolder) {
        return "is not a folder of its own (a link or a file stands there)";
    }
    if (!access->ownedByUser) {
        return "belongs to another user";
    }
    if (access->othersMayEnter) {
        return "is open to other users";
    }
    return {};
}

}  // namespace

SysResult privateFolder(const PrivateFolderPlaces& places, const std::string& name,
                        FolderAccessSystem& system, std::string& folder) {
    folder.clear();
    if (isAbsolute(places.runtimeFolder) &&
        safeRuntimeFolder(system.access(places.runtimeFolder))) {
        folder = places.runtimeFolder;
        return SysResult::success();
    }
    const std::string own = joinPath(places.temporaryFolder, name + "-" + places.userNumber);
    if (SysResult made = system.createPrivate(own); !made) {
        return made;
    }
    const std::string unsafe = unsafeReason(system.access(own));
    if (!unsafe.empty()) {
        return SysResult::failure(EACCES, "\"" + own + "\" " + unsafe + ".");
    }
    folder = own;
    return SysResult::success();
}

}  // namespace vn340
