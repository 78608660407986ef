// The roaming application data folder and the profile folder on Windows. The variables
// (APPDATA, USERPROFILE) come first, as the system sets them from the known folders and a
// person may point them elsewhere; the known folders themselves where a variable is missing or
// not an absolute path. Read as UTF-16, so a name in any script arrives intact.

#include <windows.h>
// After <windows.h>, which it needs.
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "base/user_folders.h"
#include "base/wide_text.h"

namespace vn340 {
namespace {

// "C:\..." or "\\server\...": a drive's root or a share, never one relative to the current
// folder.
bool isAbsolute(std::wstring_view path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool share = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    return drive || share;
}

std::wstring variable(const wchar_t* name) {
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            return {};
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

std::wstring knownFolder(const KNOWNFOLDERID& id) {
    PWSTR path = nullptr;
    std::wstring found;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
        found = path;
    }
    ::CoTaskMemFree(path);
    return found;
}

std::string folder(const wchar_t* name, const KNOWNFOLDERID& id) {
    std::wstring path = variable(name);
    if (!isAbsolute(path)) {
        path = knownFolder(id);
    }
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    std::string text = utf8(path);
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    return text;
}

}  // namespace

std::string configHome() {
    return folder(L"APPDATA", FOLDERID_RoamingAppData);
}

std::string dataHome() {
    return configHome();
}

std::string homeFolder() {
    return folder(L"USERPROFILE", FOLDERID_Profile);
}

}  // namespace vn340
