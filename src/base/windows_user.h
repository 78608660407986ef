#pragma once

// The user a Windows process runs as, by the bytes of their security identifier (which compare
// as the identifiers do). Windows only.

#include <string>
#include <vector>

namespace vn340 {

using SecurityId = std::vector<unsigned char>;

// The user of the process with this handle; empty when the system does not tell.
SecurityId processUser(void* process);
// The user running this program.
SecurityId currentUser();
// The identifier as text ("S-1-5-21-..."); empty when it cannot be told.
std::string securityIdText(const SecurityId& id);

}  // namespace vn340
