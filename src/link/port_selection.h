#pragma once

// Which port the adapter is on: filling the port selector at start-up and on every drop-down,
// opening the chosen port with the right transport, remembering it, and the Detect wizard that
// finds the adapter by comparing the port lists before and after it is plugged in. The logic
// is plain C++ between the window's view and the transports, so both, and the pilot's
// answers, can be replaced in tests.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/front_end.h"
#include "base/sys_result.h"
#include "link/port_selector.h"

namespace vn340 {

// The name by which the USB adapter appears in the selector, in memory and in the preference.
inline constexpr std::string_view kUsbPortName = "USB";

// The order of the port selector's entries: plain text order with letter case set aside, so
// "USB" follows the port names ("ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2", "USB"). True when
// `a` goes before `b`.
bool portNameBefore(std::string_view a, std::string_view b);

namespace port_text {
inline constexpr std::string_view kUnableToOpen = "Unable to open serial port";
// Where the installed package keeps its rule for the adapter.
inline constexpr std::string_view kUdevRule = "/usr/lib/udev/rules.d/70-vn340-vexa-plug.rules";
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
// The open adapter has been pulled out, and has come back.
std::string adapterGone(std::string_view port);
std::string adapterBack(std::string_view port);
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
    PortSelection(PortSelector& selector, FrontEnd& frontEnd, PortTransports& transports)
        : view_(selector), frontEnd_(frontEnd), transports_(transports) {}

    // `savedPort` is the "COM PORT" preference as read at start-up.
    void fillPortSelectorAtStartup(std::string savedPort);
    // The selector is being opened.
    void refreshPortList();
    // The selector has been closed, with or without a choice.
    void openSelectedPort();
    // The "Detect" button.
    void detectAdapterPort();

    // Adapters plugged in and pulled out while the program runs. The list follows them; the
    // open adapter that is pulled out is closed, and opened again when it comes back, its
    // entry staying in the list, selected, all the while. The wizard, which has the pilot
    // unplug and plug the adapter, looks for itself: these are ignored while it runs.
    void portAdded(std::string_view name);
    void portRemoved(std::string_view name);
    void usbAdapterAdded();
    void usbAdapterRemoved();
    // The open serial port hung up: the adapter has gone, whether or not the system says so.
    void openPortHungUp();
    // Told when the open adapter has gone, its port already closed; answers whether the pilot
    // has heard of it already (a sequence that was running ended with its own message).
    void onAdapterLost(std::function<bool()> handler) { adapterLost_ = std::move(handler); }
    // Told of each port the pilot chose (or the wizard found) that opened: the one to open
    // at the next start.
    void onPortChosen(std::function<void(std::string_view)> handler) {
        portChosen_ = std::move(handler);
    }

    const std::string& savedPort() const { return savedPort_; }
    const std::vector<std::string>& portList() const { return portList_; }

  private:
    // Opens a serial port and says so when it cannot; returns whether it opened.
    bool openSerialPort(std::string_view name);
    void closeConnection();
    void showFound(std::string_view port);
    void lose(std::string_view port);

    void chosen(std::string_view name);

    PortSelector& view_;
    FrontEnd& frontEnd_;
    PortTransports& transports_;
    std::string savedPort_;
    std::vector<std::string> portList_;
    std::function<bool()> adapterLost_;
    std::function<void(std::string_view)> portChosen_;
    // The port of the adapter pulled out while open, until it comes back or another is chosen.
    std::string lost_;
    bool detecting_ = false;
};

}  // namespace vn340
