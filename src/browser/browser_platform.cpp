#include "browser/browser_platform.h"

#include "base/file_system.h"
#include "config/history_store.h"

namespace vn340 {

FileSystem& BrowserPlatform::files() {
    return systemFileSystem();
}

LocalTime BrowserPlatform::localNow() {
    return localTimeNow();
}

}  // namespace vn340
