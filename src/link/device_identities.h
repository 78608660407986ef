#pragma once

// Which device is which, as the kernel's device events tell of them coming and going. A USB
// device that is being removed can no longer be asked what it is: it is known by what it said
// when it arrived (or when the watch began, for one that was already there), under the path
// that stays the same from its arrival to its removal. The udev source reads the facts; this
// judges them, so it runs the same against udev and against a test's script.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "link/device_events.h"

namespace vn340 {

// What udev says of one device event, or of a device present when the watch began.
struct UdevFacts {
    std::string action;     // "add", "remove", or another that does not concern the program
    std::string subsystem;  // "tty" or "usb"
    std::string sysname;    // "ttyUSB0", "1-1"
    std::string devpath;    // the same from arrival to removal
    // A USB device's own attributes ("idVendor", "product"): gone once it is removed.
    std::string vendorAttribute;
    std::string productAttribute;
    // What udev keeps of it, also at its removal: "ID_VENDOR_ID", the kernel's "PRODUCT"
    // ("403/6001/600") and "ID_MODEL".
    std::string vendorProperty;
    std::string productProperty;
    std::string modelProperty;
};

class DeviceIdentities {
  public:
    // A USB device already there when the watch began.
    void present(const UdevFacts& device);
    // The event for the program; none for an action that is neither an arrival nor a removal.
    std::optional<DeviceEvent> event(const UdevFacts& device);
    void clear() { known_.clear(); }

  private:
    struct Identity {
        std::string vendorId;
        std::string product;
    };
    static Identity identityOf(const UdevFacts& device);

    std::map<std::string, Identity> known_;
};

// A USB event concerns the adapter when the device is its chip's vendor's and carries its
// description; any other device of the same vendor (another FTDI cable) does not.
bool concernsUsbAdapter(const DeviceEvent& event, std::string_view vendorId,
                        std::string_view description);

}  // namespace vn340
