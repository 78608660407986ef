// The other end's user on Windows, where Qt's local socket is a named pipe: the process at the
// pipe's other end, and the user of its access token.

#include <windows.h>

#include "base/local_peer.h"
#include "base/windows_user.h"

namespace vn340 {

bool localPeerIsSameUser(std::intptr_t descriptor) {
    const auto pipe = reinterpret_cast<HANDLE>(descriptor);
    ULONG client = 0;
    ULONG server = 0;
    if (!::GetNamedPipeClientProcessId(pipe, &client) ||
        !::GetNamedPipeServerProcessId(pipe, &server)) {
        return false;
    }
    // Either end asks: the other end is whichever process is not this one.
    const ULONG other = client == ::GetCurrentProcessId() ? server : client;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, other);
    if (process == nullptr) {
        return false;
    }
    const SecurityId theirs = processUser(process);
    ::CloseHandle(process);
    const SecurityId mine = currentUser();
    return !mine.empty() && theirs == mine;
}

}  // namespace vn340
