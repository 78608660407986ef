#include "browser/page_ports.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "link/usb_adapter.h"

namespace vn340 {

// The browser has no D2XX library: the adapter is reached as a serial port.
class PageTransports final : public Transports {
  public:
    explicit PageTransports(PagePorts& ports) : ports_(ports) {}
    ~PageTransports() override { closeAll(); }

    void onReceived(std::function<void(std::string_view)> receiver) override {
        ports_.receiver_ = std::move(receiver);
    }
    void onHangUp(std::function<void()> handler) override { ports_.hangUp_ = std::move(handler); }
    void prepare() override {}
    void send(std::string_view frame) override {
        if (!ports_.inUse_.empty()) {
            ports_.writer_(ports_.inUse_, frame);
        }
    }
    Transport inUse() const override {
        return ports_.inUse_.empty() ? Transport::None : Transport::Serial;
    }
    bool usbDeviceOpen() const override { return false; }
    void closeAll() override { closeSerial(); }

    std::vector<std::string> enumerateSerialPorts() override { return ports_.names_; }
    SysResult openUsb(bool) override {
        return SysResult::failure(ENODEV, std::string(usb_text::kUnableToFind));
    }
    void closeUsb() override {}
    bool usbInUse() const override { return false; }
    SysResult openSerial(std::string_view name) override {
        if (!ports_.listed(name)) {
            return SysResult::failure(ENOENT, "No such port");
        }
        ports_.inUse_ = std::string(name);
        return {};
    }
    void closeSerial() override { ports_.inUse_.clear(); }
    bool serialOpen() const override { return !ports_.inUse_.empty(); }
    std::string deviceGroup(std::string_view) const override { return {}; }

  private:
    PagePorts& ports_;
};

class PageDeviceEvents final : public DeviceEvents {
  public:
    explicit PageDeviceEvents(PagePorts& ports) : ports_(ports) {}
    ~PageDeviceEvents() override { stop(); }

    SysResult start(Handler handler) override {
        ports_.events_ = std::move(handler);
        return {};
    }
    void stop() override { ports_.events_ = nullptr; }

  private:
    PagePorts& ports_;
};

bool PagePorts::listed(std::string_view name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void PagePorts::tell(DeviceEvent::Action action, std::string_view name) {
    if (events_) {
        DeviceEvent event;
        event.action = action;
        event.kind = DeviceEvent::Kind::SerialPort;
        event.name = std::string(name);
        events_(event);
    }
}

void PagePorts::portOpened(const std::string& name) {
    if (listed(name)) {
        return;
    }
    names_.push_back(name);
    tell(DeviceEvent::Action::Added, name);
}

void PagePorts::bytesArrived(std::string_view name, std::string_view bytes) {
    // Bytes still on their way from a port given up are nobody's.
    if (name == inUse_ && receiver_) {
        receiver_(bytes);
    }
}

void PagePorts::portGone(std::string_view name) {
    if (!listed(name)) {
        return;
    }
    const std::string gone(name);
    std::erase(names_, gone);
    // The open port hangs up first, as a serial port whose adapter was pulled out does, and
    // the link closes it; then the list hears of it.
    if (gone == inUse_) {
        if (hangUp_) {
            hangUp_();
        }
        inUse_.clear();
    }
    tell(DeviceEvent::Action::Removed, gone);
}

std::unique_ptr<Transports> PagePorts::makeTransports() {
    return std::make_unique<PageTransports>(*this);
}

std::unique_ptr<DeviceEvents> PagePorts::makeDeviceEvents() {
    return std::make_unique<PageDeviceEvents>(*this);
}

}  // namespace vn340
