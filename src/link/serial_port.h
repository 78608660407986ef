#pragma once

// The serial transport: a port in raw mode at 9600 baud, 8N1, with a listener thread that
// waits for the port and wakes the GUI thread with a call posted to it. The listener
// never reads data: every read happens on the GUI thread in answer to the notification, so
// received text reaches the sequence engine in order and on one thread only.
//
// Every operation answers with a SysResult, whose error is also kept in lastError().

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "link/line_settings.h"
#include "link/owner_thread.h"
#include "link/port_system.h"

namespace vn340 {

// Event bits of a notification (low half of its event word).
inline constexpr std::uint16_t kEventRxChar = 0x0001;
inline constexpr std::uint16_t kEventBreak = 0x0040;
inline constexpr std::uint16_t kEventError = 0x0080;
inline constexpr std::uint16_t kDefaultEventMask = kEventRxChar | kEventBreak | kEventError;

// Line-error bits (high half of the event word).
inline constexpr std::uint16_t kLineRxOverflow = 0x0001;
inline constexpr std::uint16_t kLineOverrun = 0x0002;
inline constexpr std::uint16_t kLineParity = 0x0004;
inline constexpr std::uint16_t kLineFrame = 0x0008;
inline constexpr std::uint16_t kLineBreak = 0x0010;
// The device has gone away (hang-up); reported once, after which the listener ends.
inline constexpr std::uint16_t kLineIoError = 0x0400;

// Errors besides the plain system ones.
inline constexpr int kErrPortClosed = EBADF;
inline constexpr int kErrAlreadyOpen = EALREADY;

// Reads return at once with what is waiting, or wait for the whole count.
enum class ReadTimeouts { NonBlocking = 0, Blocking = 1 };

// What the GUI thread receives for each event.
struct ComNotification {
    std::uint16_t events = 0;
    std::uint16_t errors = 0;
    std::intptr_t value = 0;  // the value given to open

    std::uint32_t word() const { return static_cast<std::uint32_t>(errors) << 16 | events; }
};

using ComNotify = std::function<void(const ComNotification&)>;

class SerialPort {
  public:
    explicit SerialPort(PortSystem& system = systemPortSystem());
    // Closes the port. A subclass that overrides onEvent must call close() in its own
    // destructor, before its part of the object is gone.
    virtual ~SerialPort();

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the port and starts the listener, whose events arrive as calls of notify posted
    // to the owner's thread. owner must stay alive while the port is open. Queue
    // sizes are accepted for compatibility; the tty driver keeps its own.
    // After a notification with received characters the next one comes only once a read
    // has found the input drained (onComData does this), so a slow GUI thread is never
    // flooded with notifications about the same bytes.
    SysResult open(const std::string& path, OwnerThread& owner, ComNotify notify,
                   std::intptr_t value = 0, std::uint32_t inQueue = 0, std::uint32_t outQueue = 0);

    // The port layer alone: no listener, no notifications. Whatever the device was left
    // with, the line is raw at 9600 8N1 without handshake afterwards.
    SysResult openPort(const std::string& path, std::uint32_t inQueue = 0,
                       std::uint32_t outQueue = 0);

    SysResult close();
    bool isOpen() const { return fd_ >= 0; }

    SysResult setup(std::uint32_t baud, int dataBits, Parity parity, StopBits stopBits);
    SysResult setupHandshaking(Handshake mode);
    SysResult setupReadTimeouts(ReadTimeouts mode);
    // The line as it was last asked for.
    const LineSettings& line() const { return line_; }
    SysResult setMask(std::uint16_t mask);
    std::uint16_t mask() const { return mask_.load(); }

    // Waits for an event of the mask; the events found are kept in eventWord(). Not while the
    // listener runs (it owns the waiting): EBUSY.
    SysResult waitEvent(std::chrono::milliseconds timeout = kWaitForever);
    std::uint16_t eventWord() const { return eventWord_.load(); }

    SysResult read(void* buffer, std::size_t count, std::size_t* got,
                   std::chrono::milliseconds timeout = kWaitForever);
    SysResult write(const void* buffer, std::size_t count, std::size_t* written,
                    std::chrono::milliseconds timeout = kWaitForever);
    // The characters of the text, without a terminator.
    SysResult write(std::string_view text, std::size_t* written,
                    std::chrono::milliseconds timeout = kWaitForever);
    // The sequence engine's send service: writes the whole frame, result not examined.
    void sendText(std::string_view text);

    SysResult bytesWaiting(std::size_t* count);
    // Line errors and breaks since the last call, as error bits.
    SysResult clearErrors(std::uint16_t* errors, bool* breakSeen = nullptr);

    SysResult startListener();
    SysResult stopListener(std::chrono::milliseconds timeout);
    bool listenerRunning() const;
    // How the last listener ended: 0 when stopped, EIO after a hang-up, or a wait's error.
    int listenerError() const { return listenerError_.load(); }

    int lastError() const { return lastError_.load(); }

  protected:
    // Called on the listener thread; posts the notification to the owner.
    virtual void onEvent(std::uint16_t events, std::uint16_t errors);

  private:
    struct Target;

    SysResult result(SysResult outcome) {
        lastError_.store(outcome.error);
        return outcome;
    }
    SysResult applyLine(const LineSettings& line, LineParts parts);
    void listen();
    void rearmReceive();
    SysResult collectLineErrors(std::uint16_t* errors, bool* breakSeen);
    // The line errors since the last look, and the break and error events they amount to.
    std::uint16_t lineEvents(std::uint16_t* errors);

    PortSystem& system_;
    int fd_ = -1;
    int wakeFd_ = -1;
    LineSettings line_;
    std::atomic<int> lastError_{0};
    std::atomic<std::uint16_t> mask_{kDefaultEventMask};
    std::atomic<std::uint16_t> eventWord_{0};
    bool blockingReads_ = false;

    // The listener stops watching for input after reporting it until the GUI thread has read
    // the input away; poll() reports a waiting byte every time, and without this the
    // listener would spin and flood the GUI thread with notifications.
    std::atomic<bool> rxArmed_{true};

    std::mutex countersMutex_;
    LineCounters counters_{};
    bool countersKnown_ = false;

    std::thread listener_;
    std::atomic<bool> stopRequested_{false};
    mutable std::mutex endedMutex_;
    std::condition_variable endedCv_;
    bool ended_ = true;
    std::atomic<int> listenerError_{0};

    std::mutex targetMutex_;
    std::shared_ptr<Target> target_;
};

// The main window's receive handler: on a notification with received characters, reads
// blocks of at most 100 characters and hands each block's text to dispatch, a zero byte shown
// as '?', repeating while a read filled its block. Other notifications read nothing. A failed
// read ends the loop without handing on a block. Returns 0.
int onComData(SerialPort& port, const ComNotification& notification,
              const std::function<void(std::string_view)>& dispatch);

inline constexpr std::size_t kComBlockSize = 100;

}  // namespace vn340
