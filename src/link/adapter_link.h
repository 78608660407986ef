#pragma once

// The adapter link: the two transports and the choice between them, as one thing that the
// sequence engine sends frames through and that hands it what comes back. It runs the port
// selection and the Detect wizard against the screen's port list, opens the chosen port with
// the right transport, and follows the adapters the system sees come and go.

#include <functional>
#include <string>
#include <string_view>

#include "base/front_end.h"
#include "link/device_events.h"
#include "link/port_selection.h"
#include "link/port_selector.h"
#include "link/transports.h"

namespace vn340 {

class AdapterLink {
  public:
    // The vendor of the Vexa-Plug's chip, as the system reports USB devices, and its name.
    static constexpr std::string_view kUsbVendorId = "0403";
    static constexpr std::string_view kUsbDescription = "Vexa-Plug";

    // `transports` must outlive the link. `events` (none: the list follows the adapters only
    // when it is opened again) deliver on the thread that makes the link.
    AdapterLink(PortSelector& selector, FrontEnd& frontEnd, Transports& transports,
                DeviceEvents* events = nullptr);
    ~AdapterLink();

    AdapterLink(const AdapterLink&) = delete;
    AdapterLink& operator=(const AdapterLink&) = delete;

    // Received text, on the GUI thread, piece by piece as the transport delivers it.
    void onTextReceived(std::function<void(std::string_view)> receiver);
    // Through the transport in use; a frame sent while none is open goes nowhere.
    void sendFrame(std::string_view frame) { transports_.send(frame); }
    Transport transport() const { return transports_.inUse(); }

    // Both transports idle: the USB adapter not in use, the serial port watching for
    // characters, breaks and line errors.
    void prepare() { transports_.prepare(); }

    // The selector's events and the Detect button; savedPort() follows each.
    void fillPortSelectorAtStartup(std::string savedPort);
    void refreshPortList() { selection_.refreshPortList(); }
    void openSelectedPort() { selection_.openSelectedPort(); }
    void detectAdapterPort() { selection_.detectAdapterPort(); }
    const std::string& savedPort() const { return selection_.savedPort(); }

    // The open adapter has gone, its port already closed; the handler answers whether the
    // pilot has heard of it already (a sequence that was running ended with its message).
    // Otherwise the link says so itself.
    void onAdapterLost(std::function<bool()> handler);
    // Each port that was chosen and opened: the one to open at the next start.
    void onPortChosen(std::function<void(std::string_view)> handler) {
        selection_.onPortChosen(std::move(handler));
    }

    // The window's first closing step: the USB adapter, if in use.
    void closeUsbAdapter();
    // Both transports.
    void close() { transports_.closeAll(); }

    const Transports& transports() const { return transports_; }

  private:
    void onDeviceEvent(const DeviceEvent& event);

    Transports& transports_;
    DeviceEvents* events_;
    PortSelection selection_;
};

}  // namespace vn340
