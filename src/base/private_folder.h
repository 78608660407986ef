#pragma once

// A folder that only the person running the program can reach, for what nobody else may
// connect to or put in its place: the socket that keeps the program to one window. The
// session's runtime folder when it is safe, else one the program makes for the person in the
// temporary folder. What the system says of a folder comes through a seam, so that the choice
// can be tried with folders of any owner and permissions.

#include <optional>
#include <string>

#include "base/sys_result.h"

namespace vn340 {

// Who may reach a folder. "Others" are everyone but the person running the program: the
// folder's group and the rest.
struct FolderAccess {
    bool realFolder = false;      // a folder itself, not a link to one, nor a file
    bool ownedByUser = false;     // owned by the person running the program
    bool othersMayWrite = false;  // someone else may add, remove or rename what is in it
    bool othersMayEnter = false;  // someone else has any access to it at all
};

class FolderAccessSystem {
  public:
    virtual ~FolderAccessSystem() = default;
    // What the system says of `folder` itself (a link is not followed); none when there is
    // nothing of that name or it cannot be looked at.
    virtual std::optional<FolderAccess> access(const std::string& folder) = 0;
    // Makes `folder` for the person alone, never open to others for a moment. Something
    // already there of that name is left as it is and succeeds: the caller looks at it.
    virtual SysResult createPrivate(const std::string& folder) = 0;
};

// The running system's; one shared instance.
FolderAccessSystem& systemFolderAccess();

// What the choice starts from.
struct PrivateFolderPlaces {
    std::string runtimeFolder;    // the session's ($XDG_RUNTIME_DIR), empty where none is set
    std::string temporaryFolder;  // the system's temporary folder
    std::string userNumber;       // the person's, as the system names them
};

// The running system's places.
PrivateFolderPlaces systemPrivateFolderPlaces();

// `places.runtimeFolder` when it is an absolute path to a real folder of the person's that
// nobody else may write in; else "<temporaryFolder>/<name>-<userNumber>", made for the person
// when missing and taken only when it is a real folder of theirs that nobody else can reach.
// A failure says why no folder is safe: the caller then does without one.
SysResult privateFolder(const PrivateFolderPlaces& places, const std::string& name,
                        FolderAccessSystem& system, std::string& folder);

}  // namespace vn340
