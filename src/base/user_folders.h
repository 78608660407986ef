#pragma once

// Where the system keeps what programs keep for the person using them, outside the program's
// own folder: settings (the preferences of an installed program) and data (the history of
// configurations). Linux names them by the XDG variables; Windows has one roaming application
// data folder for both. Paths come with "/" between their folders, as every path the program
// builds has them; empty when the system names no such folder.

#include <string>

namespace vn340 {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, else empty.
std::string configHomeFrom(const char* xdgConfigHome, const char* home);
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share, else empty.
std::string dataHomeFrom(const char* xdgDataHome, const char* home);

// The running system's folders.
std::string configHome();
std::string dataHome();
// The person's own folder, where an installed program's first file dialog opens.
std::string homeFolder();

}  // namespace vn340
