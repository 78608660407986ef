#pragma once

// What Windows tells a window with WM_DEVICECHANGE, made into the program's device events.
// Serial ports arrive and go by name ("COM3", DEV_BROADCAST_PORT_W); USB devices by the path of
// their device interface ("\\?\USB#VID_0403&PID_6001#A1B2C3#{a5dcbf10-...}",
// DEV_BROADCAST_DEVICEINTERFACE_W), which holds the vendor number but not the product's
// description: that is asked of the device manager at the arrival and remembered, as a device
// being removed can no longer be asked. Which device is which is judged by DeviceIdentities, as
// for udev's events. Qt-free: the native event filter that feeds it (device_events_windows.cpp)
// and the tests' scripted broadcasts drive it the same way.

#include <windows.h>
// After <windows.h>, which it needs.
#include <dbt.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/device_events.h"
#include "link/device_identities.h"

namespace vn340 {

// The device interface class of USB devices, for RegisterDeviceNotificationW.
inline constexpr GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

class DeviceBroadcasts {
  public:
    // The product description a USB device reports of itself, by its interface's path; empty
    // when it cannot be told.
    using Describe = std::function<std::string(const std::string& interfacePath)>;

    explicit DeviceBroadcasts(Describe describe);

    // A USB device already there when the watch began.
    void present(const std::string& interfacePath);
    // The event of one WM_DEVICECHANGE (its wParam and lParam); none for a change that is
    // neither an arrival nor a completed removal, or for a device that is neither a serial
    // port nor a USB device.
    std::optional<DeviceEvent> event(WPARAM change, LPARAM data);
    void clear() { identities_.clear(); }

  private:
    Describe describe_;
    DeviceIdentities identities_;
};

// The device manager's answers (SetupAPI): a present device's description as its bus reported
// it, and the interface paths of the USB devices present.
std::string busReportedDescription(const std::string& interfacePath);
std::vector<std::string> presentUsbDevices();

}  // namespace vn340
