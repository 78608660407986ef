#pragma once

// What the window asks the system of a path without opening anything: whether a file lies
// there, and where a path given on the command line leads from the current folder. Paths come
// and go as UTF-8 with "/" between their folders, as every path the program handles has them.

#include <string>

namespace vn340 {

// Whether `path` names a regular file, a link to one followed. False for a folder, for what is
// no regular file (a device, a named pipe) and for nothing there at all.
bool isRegularFile(const std::string& path);

// `path` from the root, a relative one taken from the current folder, as absolutePathFrom()
// makes it. An empty path stays empty.
std::string absolutePath(const std::string& path);

}  // namespace vn340
