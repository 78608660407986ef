#pragma once

// The operating-system calls of the serial transport, behind one interface so that tests
// can make any of them fail and another platform can bring its own. The system's own types
// stay in the file that implements it; nothing here keeps state of its own.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/sys_result.h"
#include "link/line_settings.h"

namespace vn340 {

// A wait without a time limit.
inline constexpr std::chrono::milliseconds kWaitForever = std::chrono::milliseconds::max();

// What is left of a time-out that started at `start`; a wait without a limit stays one.
inline std::chrono::milliseconds remaining(std::chrono::milliseconds timeout,
                                           std::chrono::steady_clock::time_point start) {
    if (timeout == kWaitForever) {
        return kWaitForever;
    }
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return spent < timeout ? timeout - spent : std::chrono::milliseconds(0);
}

// Counters of line events kept by the driver (or, where the driver only reports that they
// happened, by the implementation); the transport reports their changes.
struct LineCounters {
    std::uint32_t breaks = 0;
    std::uint32_t frameErrors = 0;
    std::uint32_t overruns = 0;
    std::uint32_t parityErrors = 0;
    std::uint32_t bufferOverruns = 0;
};

// What a wait on the port and the wake-up descriptor found.
struct PortWaitResult {
    bool readable = false;  // input is waiting
    bool writable = false;
    bool hungUp = false;  // the other end has gone (adapter unplugged)
    bool failed = false;  // the descriptor is in an error state
    bool woken = false;   // the wake-up descriptor was signalled
};

// Parts of the line, as bits.
using LineParts = unsigned;
// Raw mode, with reads that never wait in the driver.
inline constexpr LineParts kLineRaw = 1;
// Baud rate, data bits, parity and its checking, stop bits.
inline constexpr LineParts kLineFraming = 2;
inline constexpr LineParts kLineHandshake = 4;
inline constexpr LineParts kLineAll = kLineRaw | kLineFraming | kLineHandshake;

class PortSystem {
  public:
    virtual ~PortSystem() = default;

    // Opens the device for reading and writing, non-blocking, never as controlling terminal.
    // A device that is not there fails with ENOENT, one another program holds with EBUSY.
    virtual SysResult openDevice(const std::string& path, int* fd) = 0;
    // Also ends the exclusive use, so that the device can be opened again.
    virtual SysResult closeDevice(int fd) = 0;
    // Refuses further opens of the device by anyone else while it is open.
    virtual SysResult makeExclusive(int fd) = 0;
    // Sets the given parts of the line from `line`; the rest stays as the device has it, so a
    // setting the driver would not take is not asked for again by a later call. What the
    // system cannot do (a baud rate it does not know, one and a half stop bits) is refused
    // with EINVAL before the line is touched.
    virtual SysResult applyLine(int fd, const LineSettings& line, LineParts parts) = 0;
    // Asks the driver to hand on received characters as soon as they come (a USB adapter's
    // driver then shortens the chip's latency timer). Drivers without the setting refuse.
    virtual SysResult requestLowLatency(int fd) = 0;
    // Clears (set = false) or raises the DTR and RTS lines.
    virtual SysResult setModemLines(int fd, bool set) = 0;
    virtual SysResult readSome(int fd, void* buffer, std::size_t count, std::size_t* got) = 0;
    virtual SysResult writeSome(int fd, const void* buffer, std::size_t count,
                                std::size_t* written) = 0;
    virtual SysResult bytesWaiting(int fd, std::size_t* count) = 0;
    virtual SysResult lineCounters(int fd, LineCounters* counters) = 0;

    // Waits for the port (input when wantRead, room for output when wantWrite; a hang-up is
    // always reported) or the wake-up descriptor (none when negative). A time-out fails with
    // ETIMEDOUT.
    virtual SysResult wait(int fd, bool wantRead, bool wantWrite, int wakeFd,
                           std::chrono::milliseconds timeout, PortWaitResult* result) = 0;

    virtual SysResult createWakeup(int* wakeFd) = 0;
    virtual SysResult signalWakeup(int wakeFd) = 0;
    virtual SysResult drainWakeup(int wakeFd) = 0;
    virtual SysResult closeWakeup(int wakeFd) = 0;
};

// The system's implementation, one shared instance: POSIX terminals (termios, poll, eventfd),
// or on Windows the COM ports (the comm functions, overlapped reads and writes, events). The
// build picks the one for its target.
PortSystem& systemPortSystem();

}  // namespace vn340
