#include "link/device_identities.h"

#include <cstdio>
#include <utility>

namespace vn340 {
namespace {

// The kernel's "PRODUCT" property starts with the vendor number without leading zeros.
std::string vendorFromProductProperty(const std::string& product) {
    unsigned vendor = 0;
    if (std::sscanf(product.c_str(), "%x/", &vendor) != 1) {
        return {};
    }
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04x", vendor & 0xFFFFu);
    return digits;
}

const std::string& firstGiven(const std::string& first, const std::string& second) {
    return first.empty() ? second : first;
}

}  // namespace

DeviceIdentities::Identity DeviceIdentities::identityOf(const UdevFacts& device) {
    Identity identity;
    identity.vendorId = firstGiven(device.vendorAttribute, device.vendorProperty);
    if (identity.vendorId.empty()) {
        identity.vendorId = vendorFromProductProperty(device.productProperty);
    }
    identity.product = firstGiven(device.productAttribute, device.modelProperty);
    return identity;
}

void DeviceIdentities::present(const UdevFacts& device) {
    known_[device.devpath] = identityOf(device);
}

std::optional<DeviceEvent> DeviceIdentities::event(const UdevFacts& device) {
    DeviceEvent event;
    if (device.action == "add") {
        event.action = DeviceEvent::Action::Added;
    } else if (device.action == "remove") {
        event.action = DeviceEvent::Action::Removed;
    } else {
        return std::nullopt;
    }
    event.name = device.sysname;
    if (device.subsystem == "tty") {
        event.kind = DeviceEvent::Kind::SerialPort;
        return event;
    }
    event.kind = DeviceEvent::Kind::UsbDevice;
    Identity identity = identityOf(device);
    if (event.action == DeviceEvent::Action::Added) {
        known_[device.devpath] = identity;
    } else if (auto kept = known_.find(device.devpath); kept != known_.end()) {
        if (identity.vendorId.empty()) {
            identity.vendorId = kept->second.vendorId;
        }
        if (identity.product.empty()) {
            identity.product = kept->second.product;
        }
        known_.erase(kept);
    }
    event.vendorId = std::move(identity.vendorId);
    event.product = std::move(identity.product);
    return event;
}

bool concernsUsbAdapter(const DeviceEvent& event, std::string_view vendorId,
                        std::string_view description) {
    return event.kind == DeviceEvent::Kind::UsbDevice && event.vendorId == vendorId &&
           event.product == description;
}

}  // namespace vn340
