#pragma once

// Which port the adapter is on: filling the port selector at start-up and on every drop-down,
// opening the chosen port with the right transport, remembering it, and the Detect wizard that
// finds the adapter by comparing the port lists before and after it is plugged in. The logic
// is plain C++ between the window's view and the transports, so both, and the pilot's
// answers, can be replaced in tests.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/sys_result.h"
#include "link/adapter_view.h"

namespace vn340 {

// The name by which the USB adapter appears in the selector, in memory and in the preference.
inline constexpr std::string_view kUsbPortName = "USB";

// The order of the port selector's entries: plain text order with letter case set aside, so
// "USB" follows the port names ("ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2", "USB"). True when
// `a` goes before `b`.
bool portNameBefore(std::string_view a, std::string_view b);

namespace port_text {
inline constexpr std::string_view kUnableToOpen = "Unable to open serial port";
inline constexpr std::string_view kUnplug =
    "Unplug the Vexa-Plug interface from the computer and gryo. \n\nPress Continue";
inline constexpr std::string_view kPlugIn =
    "Plug the Vexa-Plug interface into a spare USB socket on this computer.  If required, "
    "install the correct drivers for the Vexa-Plug interface. \n\nPress Continue";
inline constexpr std::string_view kNotDetected =
    "Vexa-Plug was not detected on this computer.   Ensure that Vexa-Plug is plugged into a "
    "spare USB socket on this computer and the correct drivers are installed.\n\nPress OK";
// "Found Vexa-Plug interface on <port>. <instruction>"
std::string found(std::string_view port);
// Said after kUnableToOpen when the port exists but this user may not open it.
std::string permissionHelp(std::string_view port, std::string_view group);
}  // namespace port_text

// The transports under the selection: the serial ports present, the serial port and the USB
// adapter, each opened ready for the gyro and closed again.
class PortTransports {
  public:
    virtual ~PortTransports() = default;

    // The serial ports present now, in discovery order.
    virtual std::vector<std::string> enumerateSerialPorts() = 0;

    // The USB adapter: open (with its own messages unless quiet) and start its notification
    // thread; close stops the thread first.
    virtual SysResult openUsb(bool quiet) = 0;
    virtual void closeUsb() = 0;
    virtual bool usbInUse() const = 0;

    // A serial port by its name under /dev, set up for the adapter's line.
    virtual SysResult openSerial(std::string_view name) = 0;
    virtual void closeSerial() = 0;
    virtual bool serialOpen() const = 0;
    // The group that owns the device, for the permission help; empty when unknown.
    virtual std::string deviceGroup(std::string_view name) const = 0;
};

class PortSelection {
  public:
    PortSelection(PortView& view, PortTransports& transports)
        : view_(view), transports_(transports) {}

    // `savedPort` is the "COM PORT" preference as read at start-up.
    void fillPortSelectorAtStartup(std::string savedPort);
    // The selector is being opened.
    void refreshPortList();
    // The selector has been closed, with or without a choice.
    void openSelectedPort();
    // The "Detect" button.
    void detectAdapterPort();

    const std::string& savedPort() const { return savedPort_; }
    const std::vector<std::string>& portList() const { return portList_; }

  private:
    // Opens a serial port and says so when it cannot; returns whether it opened.
    bool openSerialPort(std::string_view name);
    void closeConnection();
    void showFound(std::string_view port);

    PortView& view_;
    PortTransports& transports_;
    std::string savedPort_;
    std::vector<std::string> portList_;
};

}  // namespace vn340
