#pragma once

// The program as the page runs it: the browser's event loop, the ports the page has opened,
// and the module's file system, which the page keeps in the browser's own storage. The
// browser has no D2XX library and tells of its ports itself.

#include <memory>

#include "browser/browser_event_loop.h"
#include "browser/page_ports.h"
#include "session/platform.h"

namespace vn340 {

class BrowserPlatform final : public Platform {
  public:
    // The ports outlive the platform.
    explicit BrowserPlatform(PagePorts& ports) : ports_(ports) {}

    FileSystem& files() override;
    EventLoop& loop() override { return loop_; }
    std::unique_ptr<Transports> makeTransports(FrontEnd&) override {
        return ports_.makeTransports();
    }
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override { return ports_.makeDeviceEvents(); }
    bool usbLibraryPresent() override { return false; }
    LocalTime localNow() override;
    std::chrono::milliseconds steadyNow() override { return loop_.steadyNow(); }

  private:
    PagePorts& ports_;
    BrowserEventLoop loop_;
};

}  // namespace vn340
