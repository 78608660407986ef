#include "session/platform.h"

#include <QDate>

#include "link/d2xx_library.h"
#include "link/port_system.h"
#include "link/qt_owner_thread.h"
#include "link/system_transports.h"
#include "link/tty_class.h"
#include "session/qt_timers.h"

namespace vn340 {

SystemPlatform::SystemPlatform(const ProgramPaths& paths)
    : deviceFolder_(paths.deviceFolder),
      watchDevices_(paths.watchDevices),
      ttys_(systemTtyClass(paths.sysClassTty)),
      d2xx_(loadableD2xxLibrary(paths.d2xxLibrary)) {}

SystemPlatform::~SystemPlatform() = default;

FileSystem& SystemPlatform::files() {
    return systemFileSystem();
}

std::unique_ptr<Transports> SystemPlatform::makeTransports(FrontEnd& frontEnd, QObject* context) {
    return std::make_unique<SystemTransports>(
        frontEnd, std::make_unique<QtOwnerThread>(context),
        LinkSeams{systemPortSystem(), *ttys_, *d2xx_, files(), deviceFolder_});
}

std::unique_ptr<DeviceEvents> SystemPlatform::makeDeviceEvents() {
    return watchDevices_ ? systemDeviceEvents() : nullptr;
}

std::unique_ptr<Timers> SystemPlatform::makeTimers(Timers::Expiry expiry, QObject* context) {
    return std::make_unique<QtTimers>(std::move(expiry), context);
}

bool SystemPlatform::usbLibraryPresent() {
    if (!d2xx_->load())
        return false;
    d2xx_->unload();
    return true;
}

int SystemPlatform::today() {
    return static_cast<int>(QDate(1970, 1, 1).daysTo(QDate::currentDate()));
}

LocalTime SystemPlatform::localNow() {
    return localTimeNow();
}

std::chrono::milliseconds SystemPlatform::steadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace vn340
