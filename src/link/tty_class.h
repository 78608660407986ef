#pragma once

// The kernel's list of tty devices, as port discovery needs it: the names, whether a device
// behind each is bound to a driver, and the few attributes that tell a real UART. The real one
// reads /sys; a test may point it at a made-up tree or replace it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/sys_result.h"

namespace vn340 {

inline constexpr const char* kSysClassTty = "/sys/class/tty";

class TtyClass {
  public:
    virtual ~TtyClass() = default;

    // The ttys' names. A missing class is no failure, just no names; a listing that breaks off
    // fails and keeps the names it found.
    virtual SysResult names(std::vector<std::string>& names) = 0;
    // Whether the tty's device is bound to a driver (a link that leads nowhere is none).
    virtual bool hasDriver(const std::string& name) = 0;
    // The text of the tty's "type" attribute; nothing when it has none.
    virtual std::optional<std::string> type(const std::string& name) = 0;
    // Whether the tty's device lists "resources" (a Plug-and-Play port).
    virtual bool hasResources(const std::string& name) = 0;
    // The bus that reported the device ("usb-serial", "usb", "platform", "pnp"), or empty.
    virtual std::string bus(const std::string& name) = 0;
};

// The class folder under /sys, or another with the same layout.
std::unique_ptr<TtyClass> sysfsTtyClass(std::string folder = kSysClassTty);

// The running system's list of serial ports: the class folder on Linux; on Windows the
// registry's list (serial_comm.h), where the folder means nothing.
std::unique_ptr<TtyClass> systemTtyClass(std::string folder = kSysClassTty);

}  // namespace vn340
