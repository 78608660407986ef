// Device events from udev: a monitor socket for the "tty" and "usb" subsystems, watched by a
// socket notifier on the GUI thread. The only file that knows libudev; it only reads what
// udev says, and DeviceIdentities makes the events of it.

#include <libudev.h>

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include "link/device_identities.h"

namespace vn340 {
namespace {

std::string text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

UdevFacts factsOf(udev_device* device) {
    UdevFacts facts;
    facts.action = text(udev_device_get_action(device));
    facts.subsystem = text(udev_device_get_subsystem(device));
    facts.sysname = text(udev_device_get_sysname(device));
    facts.devpath = text(udev_device_get_devpath(device));
    if (facts.subsystem == "usb") {
        facts.vendorAttribute = text(udev_device_get_sysattr_value(device, "idVendor"));
        facts.productAttribute = text(udev_device_get_sysattr_value(device, "product"));
        facts.vendorProperty = text(udev_device_get_property_value(device, "ID_VENDOR_ID"));
        facts.productProperty = text(udev_device_get_property_value(device, "PRODUCT"));
        facts.modelProperty = text(udev_device_get_property_value(device, "ID_MODEL"));
    }
    return facts;
}

class UdevDeviceEvents final : public DeviceEvents {
  public:
    ~UdevDeviceEvents() override { stop(); }

    SysResult start(Handler handler) override {
        stop();
        udev_ = udev_new();
        if (udev_ == nullptr) {
            return SysResult::failure(ENOMEM, "reach udev");
        }
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
        // The notifier belongs to this thread and to this source, which stops it first.
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { receive(); });
        return {};
    }

    void stop() override {
        notifier_.reset();
        handler_ = nullptr;
        identities_.clear();
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
        }
        monitor_ = nullptr;
        if (udev_ != nullptr) {
            udev_unref(udev_);
        }
        udev_ = nullptr;
    }

  private:
    // So that a device plugged in before the program started is still known by its vendor and
    // product when it is pulled out.
    void rememberPresentUsbDevices() {
        udev_enumerate* found = udev_enumerate_new(udev_);
        if (found == nullptr) {
            return;
        }
        udev_enumerate_add_match_subsystem(found, "usb");
        udev_enumerate_add_match_property(found, "DEVTYPE", "usb_device");
        udev_enumerate_scan_devices(found);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(found)) {
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;
            }
            identities_.present(factsOf(device));
            udev_device_unref(device);
        }
        udev_enumerate_unref(found);
    }

    // The socket never blocks: everything waiting is taken.
    void receive() {
        while (monitor_ != nullptr) {
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (device == nullptr) {
                return;
            }
            const std::optional<DeviceEvent> event = identities_.event(factsOf(device));
            udev_device_unref(device);
            // The handler may stop this source; nothing of it is touched afterwards.
            if (event && handler_) {
                Handler handler = handler_;
                handler(*event);
            }
        }
    }

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    Handler handler_;
    DeviceIdentities identities_;
};

}  // namespace

std::unique_ptr<DeviceEvents> udevDeviceEvents() {
    return std::make_unique<UdevDeviceEvents>();
}

std::unique_ptr<DeviceEvents> systemDeviceEvents() {
    return udevDeviceEvents();
}

}  // namespace vn340
