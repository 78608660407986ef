#include "link/adapter_link.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "link/device_identities.h"

namespace vn340 {

AdapterLink::AdapterLink(PortSelector& selector, FrontEnd& frontEnd, Transports& transports,
                         DeviceEvents* events)
    : transports_(transports), events_(events), selection_(selector, frontEnd, transports) {
    transports_.onHangUp([this] { selection_.openPortHungUp(); });
    // Without the system's device events the program works as before: the list is filled
    // again each time it is opened, and a port that hangs up is still closed.
    if (events_ != nullptr) {
        events_->start([this](const DeviceEvent& event) { onDeviceEvent(event); });
    }
}

AdapterLink::~AdapterLink() {
    if (events_ != nullptr) {
        events_->stop();
    }
    close();
}

void AdapterLink::onDeviceEvent(const DeviceEvent& event) {
    const bool added = event.action == DeviceEvent::Action::Added;
    if (event.kind == DeviceEvent::Kind::UsbDevice) {
        if (!concernsUsbAdapter(event, kUsbVendorId, kUsbDescription)) {
            return;
        }
        if (added) {
            selection_.usbAdapterAdded();
        } else {
            selection_.usbAdapterRemoved();
        }
        return;
    }
    if (!added) {
        selection_.portRemoved(event.name);
        return;
    }
    // Consoles and pseudo-terminals are ttys too: only a port the list would offer joins it.
    const std::vector<std::string> offered = transports_.enumerateSerialPorts();
    if (std::find(offered.begin(), offered.end(), event.name) != offered.end()) {
        selection_.portAdded(event.name);
    }
}

void AdapterLink::onTextReceived(std::function<void(std::string_view)> receiver) {
    transports_.onReceived(std::move(receiver));
}

void AdapterLink::onAdapterLost(std::function<bool()> handler) {
    selection_.onAdapterLost(std::move(handler));
}

void AdapterLink::fillPortSelectorAtStartup(std::string savedPort) {
    selection_.fillPortSelectorAtStartup(std::move(savedPort));
}

void AdapterLink::closeUsbAdapter() {
    if (transports_.usbInUse()) {
        transports_.closeUsb();
    }
}

}  // namespace vn340
