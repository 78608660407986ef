#include "desktop/desktop_platform.h"

#include "desktop/qt_event_loop.h"
#include "desktop/qt_timers.h"
#include "link/device_events.h"

namespace vn340 {

DesktopPlatform::DesktopPlatform(const ProgramPaths& paths)
    : SystemPlatform(paths, std::make_unique<QtEventLoop>(), systemDeviceEvents) {}

std::unique_ptr<Timers> DesktopPlatform::makeTimers(Timers::Expiry expiry) {
    return std::make_unique<QtTimers>(std::move(expiry));
}

}  // namespace vn340
