// The serial transport's system calls on Windows: a COM port opened for overlapped I/O, its line
// set with the comm functions, waits made of WaitCommEvent and a Win32 event for the wake-up.
// The interface's descriptors are numbers of this file's own table of handles; the only file
// that knows either.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>

#include "base/wide_text.h"
#include "link/port_system.h"

namespace vn340 {
namespace {

// The errno of a Win32 error, as the POSIX twin would have answered.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_UNIT:
            return ENOENT;
        // A COM port held by another program is refused as access denied.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return EBUSY;
        case ERROR_INVALID_PARAMETER:
            return EINVAL;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return ENOTTY;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_SEM_TIMEOUT:
        case WAIT_TIMEOUT:
            return ETIMEDOUT;
        case ERROR_DEVICE_REMOVED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_OPERATION_ABORTED:
        default:
            return EIO;
    }
}

SysResult failed(int error, std::string_view what) {
    return SysResult::failure(error,
                              std::string(what) + ": " + std::generic_category().message(error));
}

SysResult lastFailed(std::string_view what) {
    return failed(errnoOf(GetLastError()), what);
}

// "COM5" and "\\.\COM5" both name the port; the prefix also reaches COM10 and above.
std::wstring devicePath(const std::string& path) {
    return wide(path.starts_with("\\\\") ? path : "\\\\.\\" + path);
}

DWORD waitMilliseconds(std::chrono::milliseconds timeout) {
    if (timeout == kWaitForever) {
        return INFINITE;
    }
    constexpr auto kLongest = std::chrono::milliseconds(INFINITE - 1);
    return static_cast<DWORD>(std::clamp(timeout, std::chrono::milliseconds(0), kLongest).count());
}

// An event that closes itself, for one overlapped call.
class OwnedEvent {
  public:
    OwnedEvent() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~OwnedEvent() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    OwnedEvent(const OwnedEvent&) = delete;
    OwnedEvent& operator=(const OwnedEvent&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

// Waits for an overlapped call that went pending; false when it failed (GetLastError says why).
bool finish(HANDLE port, OVERLAPPED* overlapped, BOOL started, DWORD* transferred) {
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    return GetOverlappedResult(port, overlapped, transferred, TRUE) != FALSE;
}

struct ComPort {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::mutex mutex;  // the counters, the mask and the modem lines' state
    LineCounters counters;
    DWORD mask = 0;
    // Opening a port raises DTR and RTS; a line setting must not undo what was asked since.
    bool modemLinesUp = true;
    // WaitCommEvent admits one wait at a time per port; another waiter looks at the port
    // every few milliseconds instead, as every waiter does where the driver cannot wait for
    // the port's events at all (Wine's, on a pseudo-terminal).
    std::atomic<bool> commWaitTaken{false};
    std::atomic<bool> noCommWait{false};
};

constexpr std::chrono::milliseconds kPollPeriod(5);

class WindowsPortSystem final : public PortSystem {
  public:
    SysResult openDevice(const std::string& path, int* fd) override {
        const HANDLE handle = CreateFileW(devicePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return lastFailed("open " + path);
        }
        auto port = std::make_shared<ComPort>();
        port->handle = handle;
        std::lock_guard lock(mutex_);
        *fd = nextNumber_++;
        ports_[*fd] = std::move(port);
        return {};
    }

    SysResult closeDevice(int fd) override {
        std::shared_ptr<ComPort> port;
        {
            std::lock_guard lock(mutex_);
            auto found = ports_.find(fd);
            if (found == ports_.end()) {
                return failed(EBADF, "close the serial port");
            }
            port = std::move(found->second);
            ports_.erase(found);
        }
        return CloseHandle(port->handle) ? SysResult{} : lastFailed("close the serial port");
    }

    // A COM port opened without sharing is this program's alone already.
    SysResult makeExclusive(int fd) override {
        return portOf(fd) ? SysResult{} : failed(EBADF, "take the serial port");
    }

    SysResult applyLine(int fd, const LineSettings& line, LineParts parts) override {
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, "set up the line");
        }
        if ((parts & kLineFraming) && !lineIsPossible(line)) {
            return failed(EINVAL, "set up the line");
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(port->handle, &dcb)) {
            return lastFailed("read the line settings");
        }
        if (parts & kLineRaw) {
            if (SysResult timeouts = noWaitingReads(port->handle); !timeouts) {
                return timeouts;
            }
            setRaw(&dcb);
        }
        if (parts & kLineFraming) {
            setFraming(line, &dcb);
        }
        if (parts & kLineHandshake) {
            setHandshake(line.handshake, &dcb);
        }
        {
            // The comm state holds DTR and RTS too: unless RTS does the handshake, they stay
            // as they were last set.
            std::lock_guard lock(port->mutex);
            dcb.fDtrControl = port->modemLinesUp ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
            if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) {
                dcb.fRtsControl = port->modemLinesUp ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
            }
        }
        return SetCommState(port->handle, &dcb) ? SysResult{} : lastFailed("set up the line");
    }

    // Windows leaves a USB adapter's latency timer to its driver's own settings.
    SysResult requestLowLatency(int) override {
        return failed(ENOTTY, "ask the serial driver for low latency");
    }

    SysResult setModemLines(int fd, bool set) override {
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, "set DTR and RTS");
        }
        if (!EscapeCommFunction(port->handle, set ? SETDTR : CLRDTR) ||
            !EscapeCommFunction(port->handle, set ? SETRTS : CLRRTS)) {
            // A device without modem lines refuses as the POSIX one does; Wine on a
            // pseudo-terminal refuses without saying why.
            const DWORD why = GetLastError();
            const bool noLines = why == 0 || why == ERROR_OPERATION_ABORTED ||
                                 why == ERROR_INVALID_FUNCTION || why == ERROR_NOT_SUPPORTED;
            return failed(noLines ? ENOTTY : errnoOf(why), "set DTR and RTS");
        }
        std::lock_guard lock(port->mutex);
        port->modemLinesUp = set;
        return {};
    }

    // The time-outs set with the raw line make a read return at once with what is waiting.
    SysResult readSome(int fd, void* buffer, std::size_t count, std::size_t* got) override {
        return transfer(fd, count, got, "read the serial port",
                        [buffer](HANDLE handle, DWORD wanted, OVERLAPPED* overlapped) {
                            return ReadFile(handle, buffer, wanted, nullptr, overlapped);
                        });
    }

    SysResult writeSome(int fd, const void* buffer, std::size_t count,
                        std::size_t* written) override {
        return transfer(fd, count, written, "write the serial port",
                        [buffer](HANDLE handle, DWORD wanted, OVERLAPPED* overlapped) {
                            return WriteFile(handle, buffer, wanted, nullptr, overlapped);
                        });
    }

    SysResult bytesWaiting(int fd, std::size_t* count) override {
        *count = 0;
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, "count the bytes waiting");
        }
        COMSTAT status{};
        if (!clearErrors(*port, &status)) {
            return lastFailed("count the bytes waiting");
        }
        *count = status.cbInQue;
        return {};
    }

    SysResult lineCounters(int fd, LineCounters* counters) override {
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, "read the line errors");
        }
        COMSTAT status{};
        if (!clearErrors(*port, &status)) {
            return lastFailed("read the line errors");
        }
        std::lock_guard lock(port->mutex);
        *counters = port->counters;
        return {};
    }

    SysResult wait(int fd, bool wantRead, bool wantWrite, int wakeFd,
                   std::chrono::milliseconds timeout, PortWaitResult* result) override {
        *result = {};
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, "wait for the serial port");
        }
        HANDLE wake = nullptr;
        if (wakeFd >= 0 && (wake = wakeupOf(wakeFd)) == nullptr) {
            return failed(EBADF, "wait for the serial port");
        }
        // Output goes to the driver's queue and its writes finish there: there is always room.
        if (wantWrite) {
            result->writable = true;
            return {};
        }
        if (port->noCommWait.load() || port->commWaitTaken.exchange(true)) {
            return polledWait(*port, wantRead, wake, timeout, result);
        }
        const SysResult waited = commWait(*port, wantRead, wake, timeout, result);
        port->commWaitTaken.store(false);
        return waited;
    }

    SysResult createWakeup(int* wakeFd) override {
        // Manual reset: signalled until drained, however often it was signalled.
        const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (event == nullptr) {
            return lastFailed("make the listener's wake-up");
        }
        std::lock_guard lock(mutex_);
        *wakeFd = nextNumber_++;
        wakeups_[*wakeFd] = event;
        return {};
    }

    SysResult signalWakeup(int wakeFd) override {
        const HANDLE event = wakeupOf(wakeFd);
        if (event == nullptr) {
            return failed(EBADF, "wake the listener");
        }
        return SetEvent(event) ? SysResult{} : lastFailed("wake the listener");
    }

    SysResult drainWakeup(int wakeFd) override {
        const HANDLE event = wakeupOf(wakeFd);
        if (event == nullptr) {
            return failed(EBADF, "clear the listener's wake-up");
        }
        return ResetEvent(event) ? SysResult{} : lastFailed("clear the listener's wake-up");
    }

    SysResult closeWakeup(int wakeFd) override {
        HANDLE event = nullptr;
        {
            std::lock_guard lock(mutex_);
            auto found = wakeups_.find(wakeFd);
            if (found == wakeups_.end()) {
                return failed(EBADF, "close the listener's wake-up");
            }
            event = found->second;
            wakeups_.erase(found);
        }
        return CloseHandle(event) ? SysResult{} : lastFailed("close the listener's wake-up");
    }

  private:
    std::shared_ptr<ComPort> portOf(int fd) {
        std::lock_guard lock(mutex_);
        auto found = ports_.find(fd);
        return found != ports_.end() ? found->second : nullptr;
    }

    // One overlapped read or write of up to `count` bytes, started by `start` and waited for.
    template <typename Start>
    SysResult transfer(int fd, std::size_t count, std::size_t* done, const char* what,
                       Start start) {
        *done = 0;
        const auto port = portOf(fd);
        if (!port) {
            return failed(EBADF, what);
        }
        OwnedEvent finished;
        OVERLAPPED overlapped{};
        overlapped.hEvent = finished.get();
        DWORD n = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD));
        if (!finish(port->handle, &overlapped, start(port->handle, wanted, &overlapped), &n)) {
            return lastFailed(what);
        }
        *done = n;
        return {};
    }

    HANDLE wakeupOf(int wakeFd) {
        std::lock_guard lock(mutex_);
        auto found = wakeups_.find(wakeFd);
        return found != wakeups_.end() ? found->second : nullptr;
    }

    static SysResult noWaitingReads(HANDLE handle) {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        return SetCommTimeouts(handle, &timeouts) ? SysResult{}
                                                  : lastFailed("set the port's time-outs");
    }

    static void setRaw(DCB* dcb) {
        dcb->fBinary = TRUE;
        dcb->fErrorChar = FALSE;
        dcb->fNull = FALSE;
        // Otherwise a line error would stop every read until it is cleared.
        dcb->fAbortOnError = FALSE;
        dcb->fDsrSensitivity = FALSE;
        dcb->fOutxDsrFlow = FALSE;
    }

    static void setFraming(const LineSettings& line, DCB* dcb) {
        dcb->BaudRate = line.baud;
        dcb->ByteSize = static_cast<BYTE>(line.dataBits);
        static constexpr BYTE kParities[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY,
                                             SPACEPARITY};
        dcb->Parity = kParities[static_cast<int>(line.parity)];
        // Parity checking is on exactly when there is a parity bit.
        dcb->fParity = line.parity != Parity::None;
        // After five data bits a UART's two stop bits are one and a half, on Linux too; Windows
        // asks for them by that name.
        if (line.stopBits == StopBits::Two) {
            dcb->StopBits = line.dataBits == 5 ? ONE5STOPBITS : TWOSTOPBITS;
        } else {
            dcb->StopBits = ONESTOPBIT;
        }
    }

    static void setHandshake(Handshake handshake, DCB* dcb) {
        dcb->fRtsControl = RTS_CONTROL_ENABLE;
        dcb->fOutxCtsFlow = FALSE;
        dcb->fOutX = FALSE;
        dcb->fInX = FALSE;
        switch (handshake) {
            case Handshake::Off:
                break;
            case Handshake::Hardware:
                dcb->fOutxCtsFlow = TRUE;
                dcb->fRtsControl = RTS_CONTROL_HANDSHAKE;
                break;
            case Handshake::Software:
                dcb->fOutX = TRUE;
                dcb->fInX = TRUE;
                dcb->XonChar = 0x11;
                dcb->XoffChar = 0x13;
                break;
        }
    }

    // ClearCommError clears what it reports: each report is counted here, so that the
    // counters grow as the POSIX driver's do.
    static bool clearErrors(ComPort& port, COMSTAT* status, DWORD* reported = nullptr) {
        DWORD errors = 0;
        if (!ClearCommError(port.handle, &errors, status)) {
            return false;
        }
        if (reported != nullptr) {
            *reported = errors;
        }
        std::lock_guard lock(port.mutex);
        port.counters.breaks += (errors & CE_BREAK) != 0;
        port.counters.frameErrors += (errors & CE_FRAME) != 0;
        port.counters.overruns += (errors & CE_OVERRUN) != 0;
        port.counters.parityErrors += (errors & CE_RXPARITY) != 0;
        port.counters.bufferOverruns += (errors & CE_RXOVER) != 0;
        return true;
    }

    // A port whose comm functions fail has gone (the adapter was pulled out): a hang-up.
    static SysResult hungUp(PortWaitResult* result) {
        result->hungUp = true;
        result->failed = true;
        return {};
    }

    // The driver could not wait for the port's events. A port that still answers has a driver
    // without the wait: it is looked at every few milliseconds from now on. One that does not
    // answer has gone.
    SysResult withoutCommWait(ComPort& port, bool wantRead, HANDLE wake,
                              std::chrono::milliseconds timeout, PortWaitResult* result) {
        COMSTAT status{};
        if (!clearErrors(port, &status)) {
            return hungUp(result);
        }
        port.noCommWait.store(true);
        return polledWait(port, wantRead, wake, timeout, result);
    }

    SysResult commWait(ComPort& port, bool wantRead, HANDLE wake, std::chrono::milliseconds timeout,
                       PortWaitResult* result) {
        const auto start = std::chrono::steady_clock::now();
        const DWORD mask = EV_BREAK | EV_ERR | (wantRead ? EV_RXCHAR : 0);
        {
            std::lock_guard lock(port.mutex);
            if (mask != port.mask) {
                if (!SetCommMask(port.handle, mask)) {
                    return hungUp(result);
                }
                port.mask = mask;
            }
        }
        OwnedEvent done;
        OVERLAPPED overlapped{};
        overlapped.hEvent = done.get();
        DWORD events = 0;
        const bool started = WaitCommEvent(port.handle, &events, &overlapped) != FALSE;
        if (!started && GetLastError() != ERROR_IO_PENDING) {
            return withoutCommWait(port, wantRead, wake, timeout, result);
        }
        auto cancel = [&] {
            if (!started) {
                CancelIoEx(port.handle, &overlapped);
                DWORD ignored = 0;
                GetOverlappedResult(port.handle, &overlapped, &ignored, TRUE);
            }
        };
        // Characters that were waiting before the wait began raise no event of their own.
        COMSTAT status{};
        if (!clearErrors(port, &status)) {
            cancel();
            return hungUp(result);
        }
        if (wantRead && status.cbInQue > 0) {
            cancel();
            result->readable = true;
            return {};
        }
        if (!started) {
            const HANDLE handles[2] = {done.get(), wake};
            const DWORD count = wake != nullptr ? 2 : 1;
            const DWORD outcome =
                WaitForMultipleObjects(count, handles, FALSE, waitMilliseconds(timeout));
            if (outcome == WAIT_TIMEOUT) {
                cancel();
                return failed(ETIMEDOUT, "wait for the serial port");
            }
            if (outcome == WAIT_OBJECT_0 + 1) {
                cancel();
                result->woken = true;
                return {};
            }
            if (outcome != WAIT_OBJECT_0) {
                const SysResult why = lastFailed("wait for the serial port");
                cancel();
                return why;
            }
            DWORD ignored = 0;
            if (!GetOverlappedResult(port.handle, &overlapped, &ignored, FALSE)) {
                return withoutCommWait(port, wantRead, wake, remaining(timeout, start), result);
            }
        }
        if (wake != nullptr && WaitForSingleObject(wake, 0) == WAIT_OBJECT_0) {
            result->woken = true;
        }
        if ((events & EV_RXCHAR) && clearErrors(port, &status)) {
            result->readable = status.cbInQue > 0;
        }
        return {};
    }

    // Looks at the port every few milliseconds.
    SysResult polledWait(ComPort& port, bool wantRead, HANDLE wake,
                         std::chrono::milliseconds timeout, PortWaitResult* result) {
        const auto start = std::chrono::steady_clock::now();
        for (;;) {
            COMSTAT status{};
            DWORD errors = 0;
            if (!clearErrors(port, &status, &errors)) {
                return hungUp(result);
            }
            if (wantRead && status.cbInQue > 0) {
                result->readable = true;
            }
            // Line errors are in the counters now, for the caller to find.
            if (result->readable || errors != 0) {
                return {};
            }
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
            if (timeout != kWaitForever && spent >= timeout) {
                return failed(ETIMEDOUT, "wait for the serial port");
            }
            auto pause = kPollPeriod;
            if (timeout != kWaitForever) {
                pause = std::min(pause, timeout - spent);
            }
            if (wake != nullptr) {
                if (WaitForSingleObject(wake, waitMilliseconds(pause)) == WAIT_OBJECT_0) {
                    result->woken = true;
                    return {};
                }
            } else {
                Sleep(waitMilliseconds(pause));
            }
        }
    }

    std::mutex mutex_;
    int nextNumber_ = 3;
    std::map<int, std::shared_ptr<ComPort>> ports_;
    std::map<int, HANDLE> wakeups_;
};

}  // namespace

PortSystem& systemPortSystem() {
    static WindowsPortSystem instance;
    return instance;
}

}  // namespace vn340
