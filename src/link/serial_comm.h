#pragma once

// The serial ports of a Windows computer as the system lists them in the registry, under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM: one value per port, named after the driver's device
// ("\Device\VCP0", "\Device\Serial0") and holding the port's name ("COM3"). A driver lists a
// port only while it has one, so each is offered; port discovery sorts them and offers them as
// it does the kernel's ttys, through the TtyClass made of the list. The registry is read in
// serial_comm_registry.cpp; a test gives its own list.

#include <memory>
#include <string>
#include <vector>

#include "base/sys_result.h"
#include "link/tty_class.h"

namespace vn340 {

inline constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct SerialCommEntry {
    std::string device;  // the value's name
    std::string port;    // its data
};

class SerialCommSource {
  public:
    virtual ~SerialCommSource() = default;
    // The list's entries. A missing list is no failure, just no entries; a listing that breaks
    // off fails and keeps the entries it found.
    virtual SysResult entries(std::vector<SerialCommEntry>& entries) = 0;
};

// The ports of the list, each once; an entry without a port's name is left out.
std::unique_ptr<TtyClass> serialCommTtyClass(std::unique_ptr<SerialCommSource> source);

enum class RegistryRoot { LocalMachine, CurrentUser };

// The list in the registry (Windows only): the system's, or a key of the same layout.
std::unique_ptr<SerialCommSource> registrySerialComm(RegistryRoot root = RegistryRoot::LocalMachine,
                                                     std::string key = kSerialCommKey);

}  // namespace vn340
