#pragma once

// The world outside the program, as the program meets it: files, the event loop everything
// runs on, the adapter's transports, the system's news of adapters plugged in and pulled out,
// timers and the clock. One platform is chosen where the program starts (the system's, or a
// test's) and handed down; nothing below picks a seam of its own.

#include <chrono>
#include <functional>
#include <memory>

#include "base/event_loop.h"
#include "base/file_system.h"
#include "base/front_end.h"
#include "config/history_store.h"
#include "link/device_events.h"
#include "link/transports.h"
#include "session/program_paths.h"
#include "session/timers.h"

namespace vn340 {

class D2xxLibrary;
class TtyClass;

class Platform {
  public:
    virtual ~Platform() = default;

    // Preferences, settings files and the history.
    virtual FileSystem& files() = 0;
    // Where the program waits, and where everything it does runs.
    virtual EventLoop& loop() = 0;
    // The serial port and the USB adapter. The USB adapter's failures go to `frontEnd`;
    // received text is delivered on the loop, which must outlive their open ports.
    virtual std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd) = 0;
    // Adapters plugged in and pulled out; none where the system does not tell.
    virtual std::unique_ptr<DeviceEvents> makeDeviceEvents() = 0;
    // The sequence engine's timers, on the loop.
    virtual std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry);
    // Whether the USB adapter's library can be loaded: the port list offers "USB" then.
    virtual bool usbLibraryPresent() = 0;
    // Whole days since 1 January 1970, local time: spaces the statistics offers.
    virtual int today() = 0;
    // The wall clock, local time: names the history's snapshots.
    virtual LocalTime localNow() = 0;
    // A clock that only goes forward, from no particular start: times the live signals.
    virtual std::chrono::milliseconds steadyNow() = 0;
};

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
    int today() override;
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
