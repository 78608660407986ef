#pragma once

// Paths as the program handles them: folders separated by "/", a folder given without a
// trailing "/".

#include <string>
#include <string_view>

namespace vn340 {

// What the folder of a file that lies directly in the root folder is called.
enum class RootFolder {
    Slash,  // "/"
    Empty,  // nothing: the path with everything from its last "/" on cut away
};

// Everything before the last "/" of `path`; empty for a bare file name.
std::string folderOf(std::string_view path, RootFolder root = RootFolder::Slash);

// Everything after the last "/" of `path`.
std::string fileNameOf(std::string_view path);

// `name` in `folder`, with one "/" between them; an empty folder is the root folder.
std::string joinPath(std::string_view folder, std::string_view name);

// `path` without its "." steps, doubled or trailing "/" and the ".." steps that a folder before
// them takes back. A ".." with no folder before it to take back stays, even after the root; a
// relative path that comes to nothing is "."; an empty path stays empty.
std::string cleanPath(std::string_view path);

// `path` from the root, a relative one taken from `currentFolder`: cleaned, but with a trailing
// "/" kept, since it says that the path is meant as a folder. An empty path stays empty.
std::string absolutePathFrom(std::string_view currentFolder, std::string_view path);

}  // namespace vn340
