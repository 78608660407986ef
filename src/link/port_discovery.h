#pragma once

// The serial ports present on this computer, from the kernel's list of tty devices.
//
// A port is offered when its tty has a device bound to a driver (so virtual consoles and
// pseudo-terminals are left out). The kernel registers the legacy ttyS ports whether or not
// a UART sits behind them; such a port counts only when its "type" attribute names a UART
// (non-zero), or, where there is no "type" attribute, when its device has "resources"
// (a Plug-and-Play port). Names are those under /dev ("ttyUSB0", "ttyACM0", "ttyS0"), reported
// in plain text order, the order of the port selector.

#include <functional>
#include <string>
#include <vector>

namespace vn340 {

inline constexpr const char* kSysClassTty = "/sys/class/tty";

struct PortInfo {
    std::string portName;
    std::string friendlyName;
    // The bus that reported the device ("usb-serial", "usb", "platform", "pnp"), or empty.
    std::string enumeratorName;
};

// Return false to stop the enumeration.
using PortCallback = std::function<bool(const PortInfo&)>;

// Calls back once per port until the callback says stop or the ports run out. Fails (false,
// errno EINVAL) without a callback, and (false, the system's errno) when the tty class folder
// cannot be listed; a missing tty class folder is no failure, just no ports.
bool enumerateSerialPorts(const PortCallback& callback,
                          const std::string& sysClassTty = kSysClassTty);

// The port names, for callers that want just the list.
std::vector<std::string> serialPortNames(const std::string& sysClassTty = kSysClassTty);

}  // namespace vn340
