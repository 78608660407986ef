#pragma once

// The virtual platform's files, timers and clock, with the page's ports for transports: the
// program as the page runs it, on a clock the test turns.

#include <memory>
#include <utility>

#include "browser/page_ports.h"
#include "session/platform.h"
#include "support/virtual_platform.h"

namespace vn340::testing {

class VirtualPagePlatform final : public Platform {
  public:
    // Both outlive the platform.
    VirtualPagePlatform(VirtualPlatform& base, PagePorts& ports) : base_(base), ports_(ports) {}

    FileSystem& files() override { return base_.files(); }
    EventLoop& loop() override { return base_.clock; }
    std::unique_ptr<Transports> makeTransports(FrontEnd&) override {
        return ports_.makeTransports();
    }
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override { return ports_.makeDeviceEvents(); }
    std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry) override {
        return base_.makeTimers(std::move(expiry));
    }
    bool usbLibraryPresent() override { return false; }
    int today() override { return base_.today(); }
    LocalTime localNow() override { return base_.localNow(); }
    std::chrono::milliseconds steadyNow() override { return base_.steadyNow(); }

  private:
    VirtualPlatform& base_;
    PagePorts& ports_;
};

}  // namespace vn340::testing
