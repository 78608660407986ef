#include "link/system_transports.h"

#include <utility>

#include "link/port_discovery.h"

namespace vn340 {

SystemTransports::SystemTransports(FrontEnd& frontEnd, std::unique_ptr<OwnerThread> owner,
                                   LinkSeams seams)
    : owner_(std::move(owner)),
      seams_(std::move(seams)),
      serialPort_(seams_.ports),
      usbAdapter_(frontEnd, seams_.d2xx, kUsbLine) {}

SystemTransports::~SystemTransports() {
    closeAll();
}

void SystemTransports::onReceived(std::function<void(std::string_view)> receiver) {
    receiver_ = std::move(receiver);
}

void SystemTransports::onHangUp(std::function<void()> handler) {
    hangUp_ = std::move(handler);
}

void SystemTransports::deliver(std::string_view text) {
    if (receiver_) {
        receiver_(text);
    }
}

void SystemTransports::prepare() {
    usbAdapter_.setInUse(false);
    serialPort_.setMask(kDefaultEventMask);
}

void SystemTransports::send(std::string_view frame) {
    // The USB adapter's in-use flag decides, as it always has: the serial port is closed
    // while the adapter is in use.
    if (usbAdapter_.inUse()) {
        usbAdapter_.write(frame);
    } else {
        serialPort_.sendText(frame);
    }
}

Transport SystemTransports::inUse() const {
    if (usbAdapter_.inUse()) {
        return Transport::Usb;
    }
    return serialPort_.isOpen() ? Transport::Serial : Transport::None;
}

bool SystemTransports::usbDeviceOpen() const {
    return usbAdapter_.isOpen();
}

void SystemTransports::closeAll() {
    usbAdapter_.close();
    serialPort_.close();
}

std::vector<std::string> SystemTransports::enumerateSerialPorts() {
    return serialPortNames(seams_.ttys);
}

SysResult SystemTransports::openUsb(bool quiet) {
    if (SysResult opened = usbAdapter_.open(quiet); !opened) {
        return opened;
    }
    usbAdapter_.setInUse(true);
    // Without its notification thread the adapter would take frames and never deliver a
    // reply; calling that open would only end every read in the time-out.
    if (SysResult started = usbAdapter_.startNotificationThread(
            *owner_,
            [this] { usbAdapter_.onUsbData([this](std::string_view text) { deliver(text); }); });
        !started) {
        usbAdapter_.close();
        return started;
    }
    return {};
}

void SystemTransports::closeUsb() {
    usbAdapter_.close();
}

bool SystemTransports::usbInUse() const {
    return usbAdapter_.inUse();
}

SysResult SystemTransports::openSerial(std::string_view name) {
    const SysResult opened = serialPort_.open(
        seams_.deviceFolder + std::string(name), *owner_, [this](const ComNotification& note) {
            onComData(serialPort_, note, [this](std::string_view text) { deliver(text); });
            if ((note.errors & kLineIoError) && hangUp_) {
                hangUp_();
            }
        });
    if (!opened) {
        return opened;
    }
    serialPort_.setup(kSerialLine.baud, kSerialLine.dataBits, kSerialLine.parity,
                      kSerialLine.stopBits);
    serialPort_.setupHandshaking(kSerialLine.handshake);
    return {};
}

void SystemTransports::closeSerial() {
    serialPort_.close();
}

bool SystemTransports::serialOpen() const {
    return serialPort_.isOpen();
}

std::string SystemTransports::deviceGroup(std::string_view name) const {
    return seams_.files.ownerGroup(seams_.deviceFolder + std::string(name));
}

}  // namespace vn340
