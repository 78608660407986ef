#include "link/adapter_link.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "link/device_identities.h"
#include "link/port_discovery.h"

namespace vn340 {

AdapterLink::AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context,
                         const AdapterLinkPaths& paths, FileSystem& files)
    : AdapterLink(selector, frontEnd, context, sysfsTtyClass(paths.sysClassTty),
                  loadableD2xxLibrary(paths.d2xxLibrary), udevDeviceEvents(), paths.deviceFolder,
                  files) {}

AdapterLink::AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context,
                         std::unique_ptr<TtyClass> ttys, std::unique_ptr<D2xxLibrary> d2xx,
                         std::unique_ptr<DeviceEvents> events, std::string deviceFolder,
                         FileSystem& files)
    : context_(context),
      ownedTtys_(std::move(ttys)),
      ownedD2xx_(std::move(d2xx)),
      ownedEvents_(std::move(events)),
      seams_{posixPortSystem(),       *ownedTtys_,       *ownedD2xx_, files,
             std::move(deviceFolder), ownedEvents_.get()},
      serialPort_(seams_.ports),
      usbAdapter_(frontEnd, seams_.d2xx, kUsbLine),
      selection_(selector, frontEnd, *this) {
    watchDevices();
}

AdapterLink::AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context,
                         LinkSeams seams)
    : context_(context),
      seams_(std::move(seams)),
      serialPort_(seams_.ports),
      usbAdapter_(frontEnd, seams_.d2xx, kUsbLine),
      selection_(selector, frontEnd, *this) {
    watchDevices();
}

AdapterLink::~AdapterLink() {
    if (seams_.events != nullptr)
        seams_.events->stop();
    close();
}

void AdapterLink::watchDevices() {
    // Without the system's device events the program works as before: the list is filled
    // again each time it is opened, and a port that hangs up is still closed.
    if (seams_.events != nullptr)
        seams_.events->start(context_, [this](const DeviceEvent& event) { onDeviceEvent(event); });
}

void AdapterLink::onDeviceEvent(const DeviceEvent& event) {
    const bool added = event.action == DeviceEvent::Action::Added;
    if (event.kind == DeviceEvent::Kind::UsbDevice) {
        if (!concernsUsbAdapter(event, kUsbVendorId, kUsbLine.description))
            return;
        if (added)
            selection_.usbAdapterAdded();
        else
            selection_.usbAdapterRemoved();
        return;
    }
    if (!added) {
        selection_.portRemoved(event.name);
        return;
    }
    // Consoles and pseudo-terminals are ttys too: only a port the list would offer joins it.
    const std::vector<std::string> offered = serialPortNames(seams_.ttys);
    if (std::find(offered.begin(), offered.end(), event.name) != offered.end())
        selection_.portAdded(event.name);
}

void AdapterLink::onAdapterLost(std::function<bool()> handler) {
    selection_.onAdapterLost(std::move(handler));
}

void AdapterLink::onTextReceived(std::function<void(std::string_view)> receiver) {
    receiver_ = std::move(receiver);
}

void AdapterLink::deliver(std::string_view text) {
    if (receiver_)
        receiver_(text);
}

void AdapterLink::sendFrame(std::string_view frame) {
    // The USB adapter's in-use flag decides, as it always has: the serial port is closed
    // while the adapter is in use.
    if (usbAdapter_.inUse())
        usbAdapter_.write(frame);
    else
        serialPort_.sendText(frame);
}

Transport AdapterLink::transport() const {
    if (usbAdapter_.inUse())
        return Transport::Usb;
    return serialPort_.isOpen() ? Transport::Serial : Transport::None;
}

void AdapterLink::prepare() {
    usbAdapter_.setInUse(false);
    serialPort_.setMask(kDefaultEventMask);
}

void AdapterLink::fillPortSelectorAtStartup(std::string savedPort) {
    selection_.fillPortSelectorAtStartup(std::move(savedPort));
}

void AdapterLink::refreshPortList() {
    selection_.refreshPortList();
}

void AdapterLink::openSelectedPort() {
    selection_.openSelectedPort();
}

void AdapterLink::detectAdapterPort() {
    selection_.detectAdapterPort();
}

void AdapterLink::closeUsbAdapter() {
    if (usbAdapter_.inUse())
        usbAdapter_.close();
}

void AdapterLink::close() {
    usbAdapter_.close();
    serialPort_.close();
}

std::vector<std::string> AdapterLink::enumerateSerialPorts() {
    return serialPortNames(seams_.ttys);
}

SysResult AdapterLink::openUsb(bool quiet) {
    if (SysResult opened = usbAdapter_.open(quiet); !opened)
        return opened;
    usbAdapter_.setInUse(true);
    // Without its notification thread the adapter would take frames and never deliver a
    // reply; calling that open would only end every read in the time-out.
    if (SysResult started = usbAdapter_.startNotificationThread(
            context_,
            [this] { usbAdapter_.onUsbData([this](std::string_view text) { deliver(text); }); });
        !started) {
        usbAdapter_.close();
        return started;
    }
    return {};
}

void AdapterLink::closeUsb() {
    usbAdapter_.close();
}

bool AdapterLink::usbInUse() const {
    return usbAdapter_.inUse();
}

SysResult AdapterLink::openSerial(std::string_view name) {
    const SysResult opened = serialPort_.open(
        seams_.deviceFolder + std::string(name), context_, [this](const ComNotification& note) {
            onComData(serialPort_, note, [this](std::string_view text) { deliver(text); });
            if (note.errors & kLineIoError)
                selection_.openPortHungUp();
        });
    if (!opened)
        return opened;
    serialPort_.setup(kSerialLine.baud, kSerialLine.dataBits, kSerialLine.parity,
                      kSerialLine.stopBits);
    serialPort_.setupHandshaking(kSerialLine.handshake);
    return {};
}

void AdapterLink::closeSerial() {
    serialPort_.close();
}

bool AdapterLink::serialOpen() const {
    return serialPort_.isOpen();
}

std::string AdapterLink::deviceGroup(std::string_view name) const {
    return seams_.files.ownerGroup(seams_.deviceFolder + std::string(name));
}

}  // namespace vn340
