#pragma once

// A platform that hands every request to another, so that a command-line run (or a test) can
// change one thing of the system's platform and keep the rest.

#include "session/platform.h"

namespace vn340 {

class ForwardingPlatform : public Platform {
  public:
    // `inner` outlives this platform.
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    FileSystem& files() override { return inner_.files(); }
    EventLoop& loop() override { return inner_.loop(); }
    std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd) override {
        return inner_.makeTransports(frontEnd);
    }
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override { return inner_.makeDeviceEvents(); }
    std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry) override {
        return inner_.makeTimers(std::move(expiry));
    }
    bool usbLibraryPresent() override { return inner_.usbLibraryPresent(); }
    int today() override { return inner_.today(); }
    LocalTime localNow() override { return inner_.localNow(); }
    std::chrono::milliseconds steadyNow() override { return inner_.steadyNow(); }

  private:
    Platform& inner_;
};

}  // namespace vn340
