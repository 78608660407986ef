#pragma once

// Whether the other end of a local connection runs as the person running this program. The
// program hands a settings file only to its own person's window, and takes one only from their
// own later start.

#include <cstdint>

namespace vn340 {

// `descriptor` is the connection's as Qt's local socket gives it: the socket on POSIX, the
// named pipe's handle on Windows. False also when the system cannot tell.
bool localPeerIsSameUser(std::intptr_t descriptor);

}  // namespace vn340
