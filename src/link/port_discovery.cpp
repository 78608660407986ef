#include "link/port_discovery.h"

#include <algorithm>
#include <cerrno>
#include <sstream>

namespace vn340 {
namespace {

bool isLegacyUartName(const std::string& name) {
    return name.rfind("ttyS", 0) == 0;
}

bool uartPresent(TtyClass& ttys, const std::string& name) {
    if (const std::optional<std::string> type = ttys.type(name)) {
        std::istringstream text(*type);
        long value = 0;
        return (text >> value) && value != 0;
    }
    return ttys.hasResources(name);
}

}  // namespace

SysResult enumerateSerialPorts(const PortCallback& callback, TtyClass& ttys) {
    if (!callback) {
        return SysResult::failure(EINVAL, "no one to tell about the ports");
    }
    std::vector<std::string> names;
    // A listing that broke off still offers the ports it found, and says that it broke off.
    const SysResult listed = ttys.names(names);
    std::vector<PortInfo> ports;
    for (const std::string& name : names) {
        if (!ttys.hasDriver(name)) {
            continue;
        }
        if (isLegacyUartName(name) && !uartPresent(ttys, name)) {
            continue;
        }
        ports.push_back(PortInfo{name, name, ttys.bus(name)});
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortInfo& a, const PortInfo& b) { return a.portName < b.portName; });
    for (const PortInfo& port : ports) {
        if (!callback(port)) {
            break;
        }
    }
    return listed;
}

std::vector<std::string> serialPortNames(TtyClass& ttys) {
    std::vector<std::string> names;
    enumerateSerialPorts(
        [&](const PortInfo& port) {
            names.push_back(port.portName);
            return true;
        },
        ttys);
    return names;
}

}  // namespace vn340
