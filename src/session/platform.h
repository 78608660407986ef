#pragma once

// The world outside the program, as the program meets it: files, the adapter's transports, the
// system's news of adapters plugged in and pulled out, timers and the clock. One platform is
// chosen where the program starts (the system's, or a test's) and handed down; nothing below
// picks a seam of its own.

#include <chrono>
#include <memory>

#include "base/file_system.h"
#include "base/front_end.h"
#include "config/history_store.h"
#include "link/device_events.h"
#include "link/transports.h"
#include "session/program_paths.h"
#include "session/timers.h"

class QObject;

namespace vn340 {

class D2xxLibrary;
class TtyClass;

class Platform {
  public:
    virtual ~Platform() = default;

    // Preferences, settings files and the history.
    virtual FileSystem& files() = 0;
    // The serial port and the USB adapter. The USB adapter's failures go to `frontEnd`;
    // received text is delivered on `context`'s thread, which must outlive their open ports.
    virtual std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd, QObject* context) = 0;
    // Adapters plugged in and pulled out; none where the system does not tell.
    virtual std::unique_ptr<DeviceEvents> makeDeviceEvents() = 0;
    // The sequence engine's timers, on `context`'s thread.
    virtual std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry, QObject* context) = 0;
    // Whether the USB adapter's library can be loaded: the port list offers "USB" then.
    virtual bool usbLibraryPresent() = 0;
    // Whole days since 1 January 1970, local time: spaces the statistics offers.
    virtual int today() = 0;
    // The wall clock, local time: names the history's snapshots.
    virtual LocalTime localNow() = 0;
    // A clock that only goes forward, from no particular start: times the live signals.
    virtual std::chrono::milliseconds steadyNow() = 0;
};

// The running system: POSIX files and terminals, the kernel's tty class, the D2XX library
// `paths` name, udev's device events, Qt's timers and the wall clock.
class SystemPlatform final : public Platform {
  public:
    explicit SystemPlatform(const ProgramPaths& paths);
    ~SystemPlatform() override;

    FileSystem& files() override;
    std::unique_ptr<Transports> makeTransports(FrontEnd& frontEnd, QObject* context) override;
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override;
    std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry, QObject* context) override;
    bool usbLibraryPresent() override;
    int today() override;
    LocalTime localNow() override;
    std::chrono::milliseconds steadyNow() override;

  private:
    std::string deviceFolder_;
    bool watchDevices_;
    std::unique_ptr<TtyClass> ttys_;
    std::unique_ptr<D2xxLibrary> d2xx_;
};

}  // namespace vn340
