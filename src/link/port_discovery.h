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

#include "base/sys_result.h"
#include "link/tty_class.h"

namespace vn340 {

struct PortInfo {
    std::string portName;
    std::string friendlyName;
    // The bus that reported the device ("usb-serial", "usb", "platform", "pnp"), or empty.
    std::string enumeratorName;
};

// Return false to stop the enumeration.
using PortCallback = std::function<bool(const PortInfo&)>;

// Calls back once per port until the callback says stop or the ports run out. Fails (EINVAL)
// without a callback, and with the system's error when the tty class cannot be listed (after
// offering the ports it did find); a missing tty class is no failure, just no ports.
SysResult enumerateSerialPorts(const PortCallback& callback, TtyClass& ttys);

// The port names, for callers that want just the list.
std::vector<std::string> serialPortNames(TtyClass& ttys);

}  // namespace vn340
