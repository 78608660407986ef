#include "browser/page_front_end.h"

#include "base/paths.h"

namespace vn340 {

std::optional<std::string> PageFrontEnd::askSavePath(const FileDialogRequest& request) {
    // Only the name is the program's: the place is the page's own folder.
    return saveFolder_ + "/" + std::string(fileNameOf(request.proposedName));
}

}  // namespace vn340
