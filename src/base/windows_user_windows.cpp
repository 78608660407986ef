#include "base/windows_user.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <sddl.h>

#include "base/wide_text.h"

namespace vn340 {

SecurityId processUser(void* process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(static_cast<HANDLE>(process), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    SecurityId user;
    if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
        const auto* bytes = static_cast<const unsigned char*>(sid);
        user.assign(bytes, bytes + ::GetLengthSid(sid));
    }
    ::CloseHandle(token);
    return user;
}

SecurityId currentUser() {
    return processUser(::GetCurrentProcess());
}

std::string securityIdText(const SecurityId& id) {
    if (id.empty()) {
        return {};
    }
    LPWSTR text = nullptr;
    SecurityId copy = id;
    if (!::ConvertSidToStringSidW(static_cast<PSID>(copy.data()), &text)) {
        return {};
    }
    std::string result = utf8(text);
    ::LocalFree(text);
    return result;
}

}  // namespace vn340
