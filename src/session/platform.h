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
    // Whole days since 1 January 1970, local time: spaces the statistics offers. The day of
    // localNow(), unless the platform keeps a calendar of its own.
    virtual int today();
    // The wall clock, local time: names the history's snapshots.
    virtual LocalTime localNow() = 0;
    // A clock that only goes forward, from no particular start: times the live signals.
    virtual std::chrono::milliseconds steadyNow() = 0;
};

}  // namespace vn340
