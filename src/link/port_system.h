#pragma once

// The operating-system calls of the serial transport, behind one interface so that tests
// can make any of them fail and another platform can bring its own. Every call returns 0
// or an errno value; nothing here keeps state of its own.

#include <termios.h>

#include <cstddef>
#include <cstdint>

namespace vn340 {

// Counters of line events kept by the driver; the transport reports their changes.
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

class PortSystem {
  public:
    virtual ~PortSystem() = default;

    // Opens the device for reading and writing, non-blocking, never as controlling terminal.
    virtual int openDevice(const char* path, int* fd) = 0;
    // Also ends the exclusive use, so that the device can be opened again.
    virtual int closeDevice(int fd) = 0;
    // Refuses further opens of the device by anyone else while it is open.
    virtual int makeExclusive(int fd) = 0;
    virtual int getAttributes(int fd, termios* attributes) = 0;
    virtual int setAttributes(int fd, const termios& attributes) = 0;
    // Clears (set = false) or raises the DTR and RTS lines.
    virtual int setModemLines(int fd, bool set) = 0;
    virtual int readSome(int fd, void* buffer, std::size_t count, std::size_t* got) = 0;
    virtual int writeSome(int fd, const void* buffer, std::size_t count, std::size_t* written) = 0;
    virtual int bytesWaiting(int fd, std::size_t* count) = 0;
    virtual int lineCounters(int fd, LineCounters* counters) = 0;

    // Waits for the port (input when wantRead, room for output when wantWrite; a hang-up is
    // always reported) or the wake-up descriptor; timeoutMs < 0 waits without limit.
    // A time-out returns ETIMEDOUT.
    virtual int wait(int fd, bool wantRead, bool wantWrite, int wakeFd, int timeoutMs,
                     PortWaitResult* result) = 0;

    virtual int createWakeup(int* wakeFd) = 0;
    virtual int signalWakeup(int wakeFd) = 0;
    virtual int drainWakeup(int wakeFd) = 0;
    virtual int closeWakeup(int wakeFd) = 0;
};

// The POSIX implementation (termios, poll, eventfd); one shared instance.
PortSystem& posixPortSystem();

}  // namespace vn340
