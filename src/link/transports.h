#pragma once

// The two ways to the adapter, the serial port and the USB adapter, as one thing: what ports
// there are, opening and closing each, sending a frame through the one in use, and the text
// that comes back. The system's transports stand behind it in the program; a simulated adapter
// stands behind it in the tests.

#include <functional>
#include <string_view>

#include "link/port_selection.h"

namespace vn340 {

enum class Transport { None, Serial, Usb };

class Transports : public PortTransports {
  public:
    // Received text, on the GUI thread, piece by piece as it arrives.
    virtual void onReceived(std::function<void(std::string_view)> receiver) = 0;
    // The open serial port hung up: its adapter has gone, whether or not the system says so.
    virtual void onHangUp(std::function<void()> handler) = 0;

    // Both idle: the USB adapter not in use, the serial port watching for characters, breaks
    // and line errors.
    virtual void prepare() = 0;
    // Through the transport in use; a frame sent while none is open goes nowhere.
    virtual void send(std::string_view frame) = 0;
    virtual Transport inUse() const = 0;
    // The USB adapter's device is open, in use or not.
    virtual bool usbDeviceOpen() const = 0;
    // Both, with their threads.
    virtual void closeAll() = 0;
};

}  // namespace vn340
