// Who may reach a folder on Windows: its attributes (a reparse point is a link), its owner and
// the entries of its access list. The person's own folder is made with an access list that
// admits them alone. Windows' local sockets are named pipes, which live in no folder; the
// folder is still the person's own place for what must stay theirs.

#include <windows.h>
// After <windows.h>, which they need.
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>
#include <string>

#include "base/private_folder.h"
#include "base/wide_text.h"
#include "base/windows_user.h"

namespace vn340 {
namespace {

constexpr DWORD kWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE |
                               WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool sameUser(PSID sid, const SecurityId& user) {
    const auto* bytes = static_cast<const unsigned char*>(sid);
    return !user.empty() && SecurityId(bytes, bytes + ::GetLengthSid(sid)) == user;
}

// The system itself and the administrators reach every folder whatever its list says.
bool countsAsOther(PSID sid, const SecurityId& user) {
    return !sameUser(sid, user) && !::IsWellKnownSid(sid, WinLocalSystemSid) &&
           !::IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

void readAccessList(PACL list, const SecurityId& user, FolderAccess& access) {
    if (list == nullptr) {
        // No list at all admits everyone to everything.
        access.othersMayEnter = access.othersMayWrite = true;
        return;
    }
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(list, i, &entry)) {
            continue;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (countsAsOther(static_cast<PSID>(&allowed->SidStart), user)) {
            access.othersMayEnter = true;
            access.othersMayWrite = access.othersMayWrite || (allowed->Mask & kWriteRights) != 0;
        }
    }
}

class WindowsFolderAccess : public FolderAccessSystem {
  public:
    std::optional<FolderAccess> access(const std::string& folder) override {
        const std::wstring path = wide(folder);
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return std::nullopt;
        }
        PSID owner = nullptr;
        PACL list = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                    nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const SecurityId user = currentUser();
        FolderAccess access;
        access.realFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        access.ownedByUser = owner != nullptr && sameUser(owner, user);
        readAccessList(list, user, access);
        ::LocalFree(descriptor);
        return access;
    }

    SysResult createPrivate(const std::string& folder) override {
        // A protected list (nothing inherited) with full access for the person alone.
        const std::wstring rules = L"D:P(A;OICI;FA;;;" + wide(securityIdText(currentUser())) + L")";
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(rules.c_str(), SDDL_REVISION_1,
                                                                    &descriptor, nullptr)) {
            return failure(folder, ::GetLastError());
        }
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
        const bool made = ::CreateDirectoryW(wide(folder).c_str(), &attributes) != 0;
        const DWORD error = made ? ERROR_SUCCESS : ::GetLastError();
        ::LocalFree(descriptor);
        if (made || error == ERROR_ALREADY_EXISTS) {
            return SysResult::success();
        }
        return failure(folder, error);
    }

  private:
    static SysResult failure(const std::string& folder, DWORD error) {
        return SysResult::failure(EACCES, "\"" + folder + "\" could not be made (Windows error " +
                                              std::to_string(error) + ").");
    }
};

}  // namespace

FolderAccessSystem& systemFolderAccess() {
    static WindowsFolderAccess system;
    return system;
}

PrivateFolderPlaces systemPrivateFolderPlaces() {
    PrivateFolderPlaces places;
    std::wstring temporary(MAX_PATH + 1, L'\0');
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data());
    temporary.resize(length < temporary.size() ? length : 0);
    std::string text = utf8(temporary);
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    while (text.size() > 3 && text.back() == '/') {
        text.pop_back();
    }
    places.temporaryFolder = text;
    places.userNumber = securityIdText(currentUser());
    return places;
}

}  // namespace vn340
