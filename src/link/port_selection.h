#pragma once

// Which port the adapter is on: filling the port selector at start-up and on every drop-down,
// opening the chosen port with the right transport, remembering it, and the Detect wizard that
// finds the adapter by comparing the port lists before and after it is plugged in. The logic
// is plain C++ over a host, so the window, the transports and the pilot's answers can be
// replaced in tests.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn340 {

// The name by which the USB adapter appears in the selector, in memory and in the preference.
inline constexpr std::string_view kUsbPortName = "USB";

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

enum class PromptAnswer { Continue, Abort, Escape };

class PortHost {
  public:
    virtual ~PortHost() = default;

    // The serial ports present now, in discovery order.
    virtual std::vector<std::string> enumerateSerialPorts() = 0;

    // The selector keeps its entries sorted by plain text order.
    virtual void clearSelector() = 0;
    virtual void addSelectorEntry(std::string_view name) = 0;
    virtual void selectEntry(std::string_view name) = 0;
    virtual std::optional<std::string> selectedEntry() const = 0;

    // The USB adapter: open (with its own messages unless quiet) and start its notification
    // thread; close stops the thread first.
    virtual bool openUsb(bool quiet) = 0;
    virtual void closeUsb() = 0;
    virtual bool usbInUse() const = 0;

    // A serial port by its name under /dev, set up for 9600 8N1 without handshaking. The
    // result is an errno value, 0 on success.
    virtual int openSerial(std::string_view name) = 0;
    virtual void closeSerial() = 0;
    virtual bool serialOpen() const = 0;
    // The group that owns the device, for the permission help; empty when unknown.
    virtual std::string deviceGroup(std::string_view name) const = 0;

    virtual void enableGyroButtons(bool enable) = 0;
    virtual void showMessage(std::string_view text) = 0;
    virtual PromptAnswer askContinueAbort(std::string_view text) = 0;

    // Data exchange with the window around a selection.
    virtual void takeControlsIntoFields() = 0;
    virtual void showFieldsInControls() = 0;

    // The "COM PORT" preference.
    virtual void storeComPort(std::string_view name) = 0;
};

class PortSelection {
  public:
    explicit PortSelection(PortHost& host) : host_(host) {}

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

    PortHost& host_;
    std::string savedPort_;
    std::vector<std::string> portList_;
};

}  // namespace vn340
