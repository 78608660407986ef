#pragma once

// The adapter link: the serial port, the USB adapter and the choice between them, as one
// thing that the sequence engine sends frames through and that hands it what comes back.
// It runs the port selection and the Detect wizard against the window's view, opens the
// chosen port with the right transport and the adapter's line settings, and keeps the
// operating system behind the seams it is given.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/file_system.h"
#include "base/front_end.h"
#include "base/sys_result.h"
#include "link/d2xx_library.h"
#include "link/device_events.h"
#include "link/line_settings.h"
#include "link/port_selection.h"
#include "link/port_selector.h"
#include "link/port_system.h"
#include "link/serial_port.h"
#include "link/tty_class.h"
#include "link/usb_adapter.h"

class QObject;

namespace vn340 {

// Where the link finds the system: every seam it goes through. They must outlive the link.
struct LinkSeams {
    PortSystem& ports;
    TtyClass& ttys;
    D2xxLibrary& d2xx;
    FileSystem& files;
    // Serial ports are opened as this folder + their name.
    std::string deviceFolder;
    // Adapters plugged in and pulled out; without it the list follows them only when it is
    // opened again.
    DeviceEvents* events = nullptr;
};

// The running system's seams, by where they are found.
struct AdapterLinkPaths {
    std::string sysClassTty = kSysClassTty;
    std::string deviceFolder = "/dev/";
    // What dlopen() is given: a name looked up the usual way, or a path.
    std::string d2xxLibrary = std::string(kDefaultD2xxLibrary);
};

enum class Transport { None, Serial, Usb };

class AdapterLink : private PortTransports {
  public:
    // The Vexa-Plug's line on a serial port, and its USB form.
    static constexpr LineSettings kSerialLine{9600, 8, Parity::None, StopBits::One, Handshake::Off};
    // The chip's latency timer at the shortest it takes: each exchange would otherwise wait up
    // to 16 ms for the last characters of its reply.
    static constexpr UsbLineSettings kUsbLine{"Vexa-Plug", 9600, d2xx::kFtShortestLatency};
    // The vendor of its chip, as the system reports USB devices.
    static constexpr std::string_view kUsbVendorId = "0403";

    // The transports wake the GUI thread through context, which must outlive the link's
    // open ports (close() or the destructor closes them).
    AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context,
                const AdapterLinkPaths& paths, FileSystem& files = systemFileSystem());
    AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context, LinkSeams seams);
    ~AdapterLink() override;

    AdapterLink(const AdapterLink&) = delete;
    AdapterLink& operator=(const AdapterLink&) = delete;

    // Received text, on the GUI thread, piece by piece as the transport delivers it.
    void onTextReceived(std::function<void(std::string_view)> receiver);
    // Through the transport in use; a frame sent while none is open goes nowhere.
    void sendFrame(std::string_view frame);
    Transport transport() const;

    // Both transports idle: the USB adapter not in use, the serial port watching for
    // characters, breaks and line errors.
    void prepare();

    // The selector's events and the Detect button; savedPort() follows each.
    void fillPortSelectorAtStartup(std::string savedPort);
    void refreshPortList();
    void openSelectedPort();
    void detectAdapterPort();
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
    void close();

    const SerialPort& serialPort() const { return serialPort_; }
    const UsbAdapter& usbAdapter() const { return usbAdapter_; }

  private:
    AdapterLink(PortSelector& selector, FrontEnd& frontEnd, QObject* context,
                std::unique_ptr<TtyClass> ttys, std::unique_ptr<D2xxLibrary> d2xx,
                std::unique_ptr<DeviceEvents> events, std::string deviceFolder, FileSystem& files);

    void watchDevices();
    void onDeviceEvent(const DeviceEvent& event);

    // PortTransports
    std::vector<std::string> enumerateSerialPorts() override;
    SysResult openUsb(bool quiet) override;
    void closeUsb() override;
    bool usbInUse() const override;
    SysResult openSerial(std::string_view name) override;
    void closeSerial() override;
    bool serialOpen() const override;
    std::string deviceGroup(std::string_view name) const override;

    void deliver(std::string_view text);

    QObject* context_;
    std::unique_ptr<TtyClass> ownedTtys_;
    std::unique_ptr<D2xxLibrary> ownedD2xx_;
    std::unique_ptr<DeviceEvents> ownedEvents_;
    LinkSeams seams_;
    std::function<void(std::string_view)> receiver_;
    SerialPort serialPort_;
    UsbAdapter usbAdapter_;
    PortSelection selection_;
};

}  // namespace vn340
