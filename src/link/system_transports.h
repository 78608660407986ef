#pragma once

// The system's transports: the serial port over the system's ports and the USB adapter over the
// vendor's D2XX library, each through the seams it is given, with the Vexa-Plug's line
// settings.

#include <memory>
#include <string>

#include "base/file_system.h"
#include "base/front_end.h"
#include "link/d2xx_library.h"
#include "link/line_settings.h"
#include "link/owner_thread.h"
#include "link/port_system.h"
#include "link/serial_port.h"
#include "link/transports.h"
#include "link/tty_class.h"
#include "link/usb_adapter.h"

namespace vn340 {

// Where the transports find the system. The seams must outlive the transports.
struct LinkSeams {
    PortSystem& ports;
    TtyClass& ttys;
    D2xxLibrary& d2xx;
    FileSystem& files;
    // Serial ports are opened as this folder + their name.
    std::string deviceFolder;
};

class SystemTransports final : public Transports {
  public:
    // The Vexa-Plug's line on a serial port, and its USB form.
    static constexpr LineSettings kSerialLine{9600, 8, Parity::None, StopBits::One, Handshake::Off};
    // The chip's latency timer at the shortest it takes: each exchange would otherwise wait up
    // to 16 ms for the last characters of its reply.
    static constexpr UsbLineSettings kUsbLine{"Vexa-Plug", 9600, d2xx::kFtShortestLatency};

    // The transports wake the GUI thread through `owner`, which they keep until their ports
    // are closed (closeAll() or the destructor closes them). The USB adapter's failures go to
    // `frontEnd`.
    SystemTransports(FrontEnd& frontEnd, std::unique_ptr<OwnerThread> owner, LinkSeams seams);
    ~SystemTransports() override;

    SystemTransports(const SystemTransports&) = delete;
    SystemTransports& operator=(const SystemTransports&) = delete;

    void onReceived(std::function<void(std::string_view)> receiver) override;
    void onHangUp(std::function<void()> handler) override;
    void prepare() override;
    void send(std::string_view frame) override;
    Transport inUse() const override;
    bool usbDeviceOpen() const override;
    void closeAll() override;

    // PortTransports
    std::vector<std::string> enumerateSerialPorts() override;
    SysResult openUsb(bool quiet) override;
    void closeUsb() override;
    bool usbInUse() const override;
    SysResult openSerial(std::string_view name) override;
    void closeSerial() override;
    bool serialOpen() const override;
    std::string deviceGroup(std::string_view name) const override;

  private:
    void deliver(std::string_view text);

    std::unique_ptr<OwnerThread> owner_;
    LinkSeams seams_;
    std::function<void(std::string_view)> receiver_;
    std::function<void()> hangUp_;
    SerialPort serialPort_;
    UsbAdapter usbAdapter_;
};

}  // namespace vn340
