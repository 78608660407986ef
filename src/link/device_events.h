#pragma once

// Serial ports and USB devices as they come and go while the program runs, reported by the
// system as they happen rather than looked for. The real source watches the kernel's device
// events through udev (WM_DEVICECHANGE on Windows); a test plays its own script.

#include <functional>
#include <memory>
#include <string>

#include "base/sys_result.h"

namespace vn340 {

struct DeviceEvent {
    enum class Action { Added, Removed };
    enum class Kind { SerialPort, UsbDevice };

    Action action = Action::Added;
    Kind kind = Kind::SerialPort;
    // A serial port's name under /dev ("ttyUSB0", "COM3" on Windows); for a USB device, its
    // name on the bus (its device interface's path on Windows).
    std::string name;
    // A USB device's vendor number as four hexadecimal digits ("0403") and its product
    // description ("Vexa-Plug"); empty where the system does not say.
    std::string vendorId;
    std::string product;
};

class DeviceEvents {
  public:
    using Handler = std::function<void(const DeviceEvent&)>;

    virtual ~DeviceEvents() = default;

    // Reports each event to handler, on the thread that started the source, until stop() or
    // destruction. Fails where the system gives no device events; the caller goes on without
    // them.
    virtual SysResult start(Handler handler) = 0;
    virtual void stop() = 0;
};

// The kernel's device events for serial ports and USB devices, as udev passes them on.
std::unique_ptr<DeviceEvents> udevDeviceEvents();

// The running system's device events: udev's on Linux, WM_DEVICECHANGE on Windows.
std::unique_ptr<DeviceEvents> systemDeviceEvents();

}  // namespace vn340
