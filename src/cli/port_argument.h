#pragma once

// --port names the adapter's port as the window lists it ("USB", "ttyUSB0", "COM5"), or by the path
// of its device: a link such as /dev/serial/by-id/usb-FTDI_..., a device under /dev, or one that no
// list shows (a pseudo-terminal). The transports open a serial port as the device folder followed
// by its name, and only a port they list; a path is made into such a name.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/forwarding_platform.h"

namespace vn340 {

struct PortChoice {
    std::string name;    // what the controller starts with
    bool listed = true;  // false: the transports list it only because --port names it
};

// What `port` names among the serial ports `listed` (names under `deviceFolder`). A name
// without "/" is taken as it is, Windows' "\\.\COM12" as "COM12". A path is the listed port whose
// device it leads to, links followed; else the device itself, named from the device folder
// ("pts/3"). None when the path leads nowhere.
std::optional<PortChoice> choosePort(const std::string& port, const std::string& deviceFolder,
                                     const std::vector<std::string>& listed);

// The platform whose transports list one more serial port, `name` as choosePort() made it.
class ExtraPortPlatform final : public ForwardingPlatform {
  public:
    ExtraPortPlatform(Platform& inner, std::string name)
        : ForwardingPlatform(inner), name_(std::move(name)) {}
    std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd) override;

  private:
    std::string name_;
};

}  // namespace vn340
