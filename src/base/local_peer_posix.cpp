// The other end's user on Linux: the credentials the kernel recorded when the connection was
// made, which the other end cannot forge.

#include <sys/socket.h>
#include <unistd.h>

#include "base/local_peer.h"

namespace vn340 {

bool localPeerIsSameUser(std::intptr_t descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    const int fd = static_cast<int>(descriptor);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        return false;
    }
    return size == sizeof credentials && credentials.uid == ::geteuid();
}

}  // namespace vn340
