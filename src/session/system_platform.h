#pragma once

#include <functional>
#include <memory>
#include <string>

#include "session/platform.h"

namespace vn340 {

class D2xxLibrary;
class TtyClass;

// The running system: its files and terminals (the kernel's tty class), the D2XX library
// `paths` name and the wall clock, on the event loop the program runs (the window's or the
// command line's), with the device events the program can hear on it.
class SystemPlatform : public Platform {
  public:
    using DeviceEventsSource = std::function<std::unique_ptr<DeviceEvents>()>;

    // `deviceEvents` makes the system's news of adapters; none: the system tells nothing.
    SystemPlatform(const ProgramPaths& paths, std::unique_ptr<EventLoop> loop,
                   DeviceEventsSource deviceEvents = {});
    ~SystemPlatform() override;

    FileSystem& files() override;
    EventLoop& loop() override { return *loop_; }
    std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd) override;
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override;
    bool usbLibraryPresent() override;
    LocalTime localNow() override;
    std::chrono::milliseconds steadyNow() override;

  private:
    std::unique_ptr<EventLoop> loop_;
    DeviceEventsSource deviceEvents_;
    std::string deviceFolder_;
    bool watchDevices_;
    std::unique_ptr<TtyClass> ttys_;
    std::unique_ptr<D2xxLibrary> d2xx_;
};

}  // namespace vn340
