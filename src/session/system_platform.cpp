#include "session/system_platform.h"

#include "link/d2xx_library.h"
#include "link/loop_owner_thread.h"
#include "link/port_system.h"
#include "link/system_transports.h"
#include "link/tty_class.h"

namespace vn340 {

SystemPlatform::SystemPlatform(const ProgramPaths& paths, std::unique_ptr<EventLoop> loop,
                               DeviceEventsSource deviceEvents)
    : loop_(std::move(loop)),
      deviceEvents_(std::move(deviceEvents)),
      deviceFolder_(paths.deviceFolder),
      watchDevices_(paths.watchDevices),
      ttys_(systemTtyClass(paths.sysClassTty)),
      d2xx_(loadableD2xxLibrary(paths.d2xxLibrary)) {}

SystemPlatform::~SystemPlatform() = default;

FileSystem& SystemPlatform::files() {
    return systemFileSystem();
}

std::unique_ptr<Transports> SystemPlatform::makeTransports(FrontEnd& frontEnd) {
    return std::make_unique<SystemTransports>(
        frontEnd, std::make_unique<LoopOwnerThread>(*loop_),
        LinkSeams{systemPortSystem(), *ttys_, *d2xx_, files(), deviceFolder_});
}

std::unique_ptr<DeviceEvents> SystemPlatform::makeDeviceEvents() {
    return watchDevices_ && deviceEvents_ ? deviceEvents_() : nullptr;
}

bool SystemPlatform::usbLibraryPresent() {
    if (!d2xx_->load()) {
        return false;
    }
    d2xx_->unload();
    return true;
}

LocalTime SystemPlatform::localNow() {
    return localTimeNow();
}

std::chrono::milliseconds SystemPlatform::steadyNow() {
    return loop_->steadyNow();
}

}  // namespace vn340
