// Device events from udev: a monitor socket for the "tty" and "usb" subsystems, watched by a
// socket notifier on the GUI thread. The only file that knows libudev.

#include <libudev.h>

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "link/device_events.h"

namespace vn340 {
namespace {

std::string text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

// What a USB device says about itself. A device that is being removed has no attributes left
// to read, only the properties udev kept for it.
struct UsbIdentity {
    std::string vendorId;
    std::string product;
};

// The kernel's own "PRODUCT" property starts with the vendor number without leading zeros.
std::string vendorFromProductProperty(const std::string& product) {
    unsigned vendor = 0;
    if (std::sscanf(product.c_str(), "%x/", &vendor) != 1)
        return {};
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04x", vendor & 0xFFFFu);
    return digits;
}

UsbIdentity identityOf(udev_device* device) {
    UsbIdentity identity;
    identity.vendorId = text(udev_device_get_sysattr_value(device, "idVendor"));
    if (identity.vendorId.empty())
        identity.vendorId = text(udev_device_get_property_value(device, "ID_VENDOR_ID"));
    if (identity.vendorId.empty())
        identity.vendorId =
            vendorFromProductProperty(text(udev_device_get_property_value(device, "PRODUCT")));
    identity.product = text(udev_device_get_sysattr_value(device, "product"));
    if (identity.product.empty())
        identity.product = text(udev_device_get_property_value(device, "ID_MODEL"));
    return identity;
}

class UdevDeviceEvents final : public DeviceEvents {
  public:
    ~UdevDeviceEvents() override { stop(); }

    SysResult start(QObject* context, Handler handler) override {
        stop();
        udev_ = udev_new();
        if (udev_ == nullptr)
            return SysResult::failure(ENOMEM, "reach udev");
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ == nullptr) {
            stop();
            return SysResult::failure(EPROTONOSUPPORT, "watch udev's device events");
        }
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr);
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device");
        if (const int rc = udev_monitor_enable_receiving(monitor_); rc < 0) {
            stop();
            return SysResult::failure(-rc, "receive udev's device events");
        }
        rememberPresentUsbDevices();
        handler_ = std::move(handler);
        notifier_ =
            std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, context,
                         [this] { receive(); });
        return {};
    }

    void stop() override {
        notifier_.reset();
        handler_ = nullptr;
        known_.clear();
        if (monitor_ != nullptr)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        if (udev_ != nullptr)
            udev_unref(udev_);
        udev_ = nullptr;
    }

  private:
    // So that a device plugged in before the program started is still known by its vendor and
    // product when it is pulled out.
    void rememberPresentUsbDevices() {
        udev_enumerate* found = udev_enumerate_new(udev_);
        if (found == nullptr)
            return;
        udev_enumerate_add_match_subsystem(found, "usb");
        udev_enumerate_add_match_property(found, "DEVTYPE", "usb_device");
        udev_enumerate_scan_devices(found);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(found)) {
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (device == nullptr)
                continue;
            known_[text(udev_device_get_devpath(device))] = identityOf(device);
            udev_device_unref(device);
        }
        udev_enumerate_unref(found);
    }

    // The socket never blocks: everything waiting is taken.
    void receive() {
        while (monitor_ != nullptr) {
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (device == nullptr)
                return;
            const std::optional<DeviceEvent> event = eventOf(device);
            udev_device_unref(device);
            // The handler may stop this source; nothing of it is touched afterwards.
            if (event && handler_) {
                Handler handler = handler_;
                handler(*event);
            }
        }
    }

    std::optional<DeviceEvent> eventOf(udev_device* device) {
        const std::string action = text(udev_device_get_action(device));
        DeviceEvent event;
        if (action == "add")
            event.action = DeviceEvent::Action::Added;
        else if (action == "remove")
            event.action = DeviceEvent::Action::Removed;
        else
            return std::nullopt;
        event.name = text(udev_device_get_sysname(device));
        if (text(udev_device_get_subsystem(device)) == "tty") {
            event.kind = DeviceEvent::Kind::SerialPort;
            return event;
        }
        event.kind = DeviceEvent::Kind::UsbDevice;
        const std::string path = text(udev_device_get_devpath(device));
        UsbIdentity identity = identityOf(device);
        if (event.action == DeviceEvent::Action::Added) {
            known_[path] = identity;
        } else if (auto kept = known_.find(path); kept != known_.end()) {
            if (identity.vendorId.empty())
                identity.vendorId = kept->second.vendorId;
            if (identity.product.empty())
                identity.product = kept->second.product;
            known_.erase(kept);
        }
        event.vendorId = std::move(identity.vendorId);
        event.product = std::move(identity.product);
        return event;
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    Handler handler_;
    std::map<std::string, UsbIdentity> known_;
};

}  // namespace

std::unique_ptr<DeviceEvents> udevDeviceEvents() {
    return std::make_unique<UdevDeviceEvents>();
}

}  // namespace vn340
