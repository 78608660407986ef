#include "link/port_discovery.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vn340 {

namespace fs = std::filesystem;

namespace {

bool present(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);  // follows links: a dangling driver link is no driver
}

bool isLegacyUartName(const std::string& name) {
    return name.rfind("ttyS", 0) == 0;
}

bool uartPresent(const fs::path& tty) {
    std::ifstream type(tty / "type");
    if (type) {
        long value = 0;
        return (type >> value) && value != 0;
    }
    return present(tty / "device" / "resources");
}

std::string enumeratorOf(const fs::path& tty) {
    std::error_code error;
    const fs::path subsystem = fs::read_symlink(tty / "device" / "subsystem", error);
    return error ? std::string() : subsystem.filename().string();
}

}  // namespace

bool enumerateSerialPorts(const PortCallback& callback, const std::string& sysClassTty) {
    if (!callback) {
        errno = EINVAL;
        return false;
    }
    std::vector<PortInfo> ports;
    std::error_code error;
    fs::directory_iterator it(sysClassTty, error);
    if (error == std::errc::no_such_file_or_directory)
        return true;  // no tty class at all: no ports
    if (error) {
        errno = error.value();
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        const fs::path tty = it->path();
        const std::string name = tty.filename().string();
        if (!present(tty / "device" / "driver"))
            continue;
        if (isLegacyUartName(name) && !uartPresent(tty))
            continue;
        ports.push_back(PortInfo{name, name, enumeratorOf(tty)});
    }
    // A listing that broke off still offers the ports it found, and says that it broke off.
    const int listingError = error.value();
    std::sort(ports.begin(), ports.end(),
              [](const PortInfo& a, const PortInfo& b) { return a.portName < b.portName; });
    for (const PortInfo& port : ports) {
        if (!callback(port))
            break;
    }
    if (listingError != 0) {
        errno = listingError;
        return false;
    }
    return true;
}

std::vector<std::string> serialPortNames(const std::string& sysClassTty) {
    std::vector<std::string> names;
    enumerateSerialPorts(
        [&](const PortInfo& port) {
            names.push_back(port.portName);
            return true;
        },
        sysClassTty);
    return names;
}

}  // namespace vn340
