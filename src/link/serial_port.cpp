#include "link/serial_port.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace vn340 {

struct SerialPort::Target {
    OwnerThread* owner = nullptr;
    ComNotify notify;
    std::intptr_t value = 0;
    // Cleared by close, so that notifications still posted to the owner are dropped.
    std::atomic<bool> active{true};
};

namespace {

SysResult portClosed() {
    return SysResult::failure(kErrPortClosed, "the serial port is not open");
}

SysResult invalid(const char* what) {
    return SysResult::failure(EINVAL, what);
}

}  // namespace

SerialPort::SerialPort(PortSystem& system) : system_(system) {}

SerialPort::~SerialPort() {
    close();
}

SysResult SerialPort::openPort(const std::string& path, std::uint32_t /*inQueue*/,
                               std::uint32_t /*outQueue*/) {
    if (isOpen()) {
        return result(SysResult::failure(kErrAlreadyOpen, "the serial port is already open"));
    }
    int fd = -1;
    if (SysResult opened = system_.openDevice(path, &fd); !opened) {
        return result(opened);
    }

    auto fail = [&](SysResult failure) {
        system_.closeDevice(fd);
        return result(failure);
    };
    if (SysResult exclusive = system_.makeExclusive(fd); !exclusive) {
        return fail(exclusive);
    }
    // Whatever another program left on the line, the port starts raw at 9600 8N1 without
    // handshake.
    const LineSettings line;
    if (SysResult applied = system_.applyLine(fd, line, kLineAll); !applied) {
        return fail(applied);
    }
    // A USB adapter's chip holds received characters for its latency timer, 16 ms unless its
    // driver is asked for low latency, and every reply's last characters would wait for it.
    // Where the driver has no such setting (a pseudo-terminal, a plain UART) nothing is lost
    // but that wait.
    system_.requestLowLatency(fd);

    int wakeFd = -1;
    if (SysResult wakeup = system_.createWakeup(&wakeFd); !wakeup) {
        return fail(wakeup);
    }

    fd_ = fd;
    wakeFd_ = wakeFd;
    line_ = line;
    mask_.store(kDefaultEventMask);
    eventWord_.store(0);
    blockingReads_ = false;
    rxArmed_.store(true);
    {
        std::lock_guard lock(countersMutex_);
        countersKnown_ = system_.lineCounters(fd_, &counters_).ok();
    }
    return result({});
}

SysResult SerialPort::open(const std::string& path, OwnerThread& owner, ComNotify notify,
                           std::intptr_t value, std::uint32_t inQueue, std::uint32_t outQueue) {
    if (SysResult opened = openPort(path, inQueue, outQueue); !opened) {
        return opened;
    }
    auto state = std::make_shared<Target>();
    state->owner = &owner;
    state->notify = std::move(notify);
    state->value = value;
    {
        std::lock_guard lock(targetMutex_);
        target_ = std::move(state);
    }
    if (SysResult started = startListener(); !started) {
        close();
        return result(started);
    }
    return result({});
}

SysResult SerialPort::close() {
    {
        std::lock_guard lock(targetMutex_);
        if (target_) {
            target_->active.store(false);
        }
        target_.reset();
    }
    if (!isOpen()) {
        return {};
    }
    stopListener(kWaitForever);
    system_.closeWakeup(wakeFd_);
    system_.closeDevice(fd_);
    wakeFd_ = -1;
    fd_ = -1;
    return result({});
}

SysResult SerialPort::applyLine(const LineSettings& line, LineParts parts) {
    SysResult applied = system_.applyLine(fd_, line, parts);
    if (applied) {
        line_ = line;
    }
    return applied;
}

SysResult SerialPort::setup(std::uint32_t baud, int dataBits, Parity parity, StopBits stopBits) {
    if (!isOpen()) {
        return result(portClosed());
    }
    LineSettings line = line_;
    line.baud = baud;
    line.dataBits = dataBits;
    line.parity = parity;
    line.stopBits = stopBits;
    return result(applyLine(line, kLineFraming));
}

SysResult SerialPort::setupHandshaking(Handshake mode) {
    if (!isOpen()) {
        return result(portClosed());
    }
    if (mode != Handshake::Off && mode != Handshake::Hardware && mode != Handshake::Software) {
        return result(invalid("no such handshaking"));
    }
    LineSettings line = line_;
    line.handshake = mode;
    if (SysResult applied = applyLine(line, kLineHandshake); !applied) {
        return result(applied);
    }
    if (mode != Handshake::Hardware) {
        // Lines not used for handshaking are held low. A pseudo-terminal or a device
        // without modem lines has nothing to hold.
        const SysResult held = system_.setModemLines(fd_, false);
        if (!held && held.error != ENOTTY && held.error != EINVAL) {
            return result(held);
        }
    }
    return result({});
}

SysResult SerialPort::setupReadTimeouts(ReadTimeouts mode) {
    if (!isOpen()) {
        return result(portClosed());
    }
    if (mode != ReadTimeouts::NonBlocking && mode != ReadTimeouts::Blocking) {
        return result(invalid("no such read time-outs"));
    }
    blockingReads_ = mode == ReadTimeouts::Blocking;
    return result({});
}

SysResult SerialPort::setMask(std::uint16_t mask) {
    if (!isOpen()) {
        return result(portClosed());
    }
    mask_.store(mask);
    // The listener picks up the new mask at once.
    return result(system_.signalWakeup(wakeFd_));
}

SysResult SerialPort::collectLineErrors(std::uint16_t* errors, bool* breakSeen) {
    *errors = 0;
    if (breakSeen) {
        *breakSeen = false;
    }
    LineCounters now{};
    const SysResult counted = system_.lineCounters(fd_, &now);
    // Pseudo-terminals and some USB adapters keep no counters: then there is nothing to report.
    if (counted.error == ENOTTY || counted.error == EINVAL) {
        return {};
    }
    if (!counted) {
        return counted;
    }
    std::lock_guard lock(countersMutex_);
    if (countersKnown_) {
        if (now.bufferOverruns != counters_.bufferOverruns) {
            *errors |= kLineRxOverflow;
        }
        if (now.overruns != counters_.overruns) {
            *errors |= kLineOverrun;
        }
        if (now.parityErrors != counters_.parityErrors) {
            *errors |= kLineParity;
        }
        if (now.frameErrors != counters_.frameErrors) {
            *errors |= kLineFrame;
        }
        if (now.breaks != counters_.breaks) {
            *errors |= kLineBreak;
            if (breakSeen) {
                *breakSeen = true;
            }
        }
    }
    counters_ = now;
    countersKnown_ = true;
    return {};
}

std::uint16_t SerialPort::lineEvents(std::uint16_t* errors) {
    bool breakSeen = false;
    collectLineErrors(errors, &breakSeen);
    std::uint16_t events = 0;
    if (breakSeen) {
        events |= kEventBreak;
    }
    if (*errors & ~kLineBreak) {
        events |= kEventError;
    }
    return events;
}

SysResult SerialPort::clearErrors(std::uint16_t* errors, bool* breakSeen) {
    if (!isOpen()) {
        return result(portClosed());
    }
    return result(collectLineErrors(errors, breakSeen));
}

SysResult SerialPort::waitEvent(std::chrono::milliseconds timeout) {
    if (!isOpen()) {
        return result(portClosed());
    }
    if (listenerRunning()) {
        return result(SysResult::failure(EBUSY, "the listener waits for the port's events"));
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        PortWaitResult found{};
        const bool wantRead = (mask_.load() & kEventRxChar) != 0;
        if (SysResult waited =
                system_.wait(fd_, wantRead, false, wakeFd_, remaining(timeout, start), &found);
            !waited) {
            return result(waited);
        }
        if (found.woken) {
            system_.drainWakeup(wakeFd_);
        }
        std::uint16_t events = found.readable ? kEventRxChar : 0;
        std::uint16_t errors = 0;
        events |= lineEvents(&errors);
        if (found.hungUp || found.failed) {
            events |= kEventError;
        }
        events &= mask_.load();
        if (events != 0) {
            eventWord_.store(events);
            return result({});
        }
        if (found.hungUp || found.failed) {
            return result(SysResult::failure(EIO, "the serial port has gone"));
        }
    }
}

void SerialPort::rearmReceive() {
    if (!rxArmed_.exchange(true)) {
        system_.signalWakeup(wakeFd_);
    }
}

SysResult SerialPort::read(void* buffer, std::size_t count, std::size_t* got,
                           std::chrono::milliseconds timeout) {
    *got = 0;
    if (!isOpen()) {
        return result(portClosed());
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    const auto start = std::chrono::steady_clock::now();
    bool hungUp = false;
    for (;;) {
        std::size_t n = 0;
        if (SysResult read = system_.readSome(fd_, bytes + *got, count - *got, &n); !read) {
            return result(read);
        }
        *got += n;
        if (*got == count) {
            return result({});
        }
        // A hung-up tty stays "readable" and reads nothing, for ever: waiting again would spin.
        if (hungUp && n == 0) {
            return result(SysResult::failure(EIO, "the serial port has gone"));
        }
        rearmReceive();  // the input is drained
        if (!blockingReads_) {
            return result({});
        }
        PortWaitResult found{};
        if (SysResult waited =
                system_.wait(fd_, true, false, -1, remaining(timeout, start), &found);
            !waited) {
            return result(waited);
        }
        hungUp = found.hungUp || found.failed;
        if (hungUp && !found.readable) {
            return result(SysResult::failure(EIO, "the serial port has gone"));
        }
    }
}

SysResult SerialPort::write(const void* buffer, std::size_t count, std::size_t* written,
                            std::chrono::milliseconds timeout) {
    *written = 0;
    if (!isOpen()) {
        return result(portClosed());
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const auto start = std::chrono::steady_clock::now();
    while (*written < count) {
        std::size_t n = 0;
        if (SysResult wrote = system_.writeSome(fd_, bytes + *written, count - *written, &n);
            !wrote) {
            return result(wrote);
        }
        *written += n;
        if (*written == count) {
            break;
        }
        PortWaitResult found{};
        if (SysResult waited =
                system_.wait(fd_, false, true, -1, remaining(timeout, start), &found);
            !waited) {
            return result(waited);
        }
        if ((found.hungUp || found.failed) && !found.writable) {
            return result(SysResult::failure(EIO, "the serial port has gone"));
        }
    }
    return result({});
}

SysResult SerialPort::write(std::string_view text, std::size_t* written,
                            std::chrono::milliseconds timeout) {
    return write(text.data(), text.size(), written, timeout);
}

void SerialPort::sendText(std::string_view text) {
    std::size_t written = 0;
    write(text, &written, kWaitForever);
}

SysResult SerialPort::bytesWaiting(std::size_t* count) {
    *count = 0;
    if (!isOpen()) {
        return result(portClosed());
    }
    return result(system_.bytesWaiting(fd_, count));
}

SysResult SerialPort::startListener() {
    if (!isOpen()) {
        return result(portClosed());
    }
    if (listener_.joinable()) {
        if (listenerRunning()) {
            return result({});
        }
        listener_.join();  // it ended by itself (hang-up or a failed wait)
    }
    {
        std::lock_guard lock(endedMutex_);
        ended_ = false;
    }
    stopRequested_.store(false);
    listenerError_.store(0);
    try {
        listener_ = std::thread([this] { listen(); });
    } catch (const std::system_error& error) {
        std::lock_guard lock(endedMutex_);
        ended_ = true;
        return result(SysResult::failure(error.code().value(), "start the listener"));
    }
    return result({});
}

SysResult SerialPort::stopListener(std::chrono::milliseconds timeout) {
    if (!listener_.joinable()) {
        return result({});
    }
    stopRequested_.store(true);
    system_.signalWakeup(wakeFd_);
    {
        std::unique_lock lock(endedMutex_);
        if (timeout == kWaitForever) {
            endedCv_.wait(lock, [this] { return ended_; });
        } else if (!endedCv_.wait_for(lock, timeout, [this] { return ended_; })) {
            // The thread still runs and still uses this object: keep it, and keep the stop
            // request, so that a later stop or close can wait for it.
            return result(SysResult::failure(ETIMEDOUT, "stop the listener"));
        }
    }
    listener_.join();
    stopRequested_.store(false);
    return result({});
}

bool SerialPort::listenerRunning() const {
    std::lock_guard lock(endedMutex_);
    return !ended_;
}

void SerialPort::listen() {
    int outcome = 0;
    for (;;) {
        PortWaitResult found{};
        const bool wantRead = rxArmed_.load() && (mask_.load() & kEventRxChar) != 0;
        if (SysResult waited = system_.wait(fd_, wantRead, false, wakeFd_, kWaitForever, &found);
            !waited) {
            outcome = waited.error;
            break;
        }
        if (found.woken) {
            system_.drainWakeup(wakeFd_);
        }
        if (stopRequested_.load()) {
            break;
        }

        std::uint16_t events = 0;
        if (found.readable) {
            events |= kEventRxChar;
            rxArmed_.store(false);
        }
        std::uint16_t errors = 0;
        events |= lineEvents(&errors);
        events &= mask_.load();
        const bool hangUp = found.hungUp || found.failed;
        if (hangUp) {
            // Reported whatever the mask, once; then the listener ends instead of waking
            // again and again on a descriptor that stays hung up.
            events |= kEventError;
            errors |= kLineIoError;
        }
        eventWord_.store(events);
        if (events != 0) {
            onEvent(events, errors);
        }
        eventWord_.store(0);
        if (hangUp) {
            outcome = EIO;
            break;
        }
        if (stopRequested_.load()) {
            break;
        }
    }
    listenerError_.store(outcome);
    std::lock_guard lock(endedMutex_);
    ended_ = true;
    endedCv_.notify_all();
}

void SerialPort::onEvent(std::uint16_t events, std::uint16_t errors) {
    std::shared_ptr<Target> target;
    {
        std::lock_guard lock(targetMutex_);
        target = target_;
    }
    if (!target || !target->notify) {
        return;
    }
    const ComNotification note{events, errors, target->value};
    target->owner->post([target, note] {
        if (target->active.load()) {
            target->notify(note);
        }
    });
}

int onComData(SerialPort& port, const ComNotification& notification,
              const std::function<void(std::string_view)>& dispatch) {
    if ((notification.events & kEventRxChar) == 0) {
        return 0;
    }
    char block[kComBlockSize];
    for (;;) {
        std::size_t got = 0;
        // A failure hands nothing on; a blocking-mode time-out still hands on what came.
        if (!port.read(block, kComBlockSize, &got, std::chrono::milliseconds(0)) && got == 0) {
            break;
        }
        // A zero byte (line noise, an adapter powering up) must not end the text: whatever
        // follows it, a reply too, is handed on, the zero shown as the USB adapter shows it.
        std::replace(block, block + got, '\0', '?');
        dispatch(std::string_view(block, got));
        if (got != kComBlockSize) {
            break;
        }
    }
    return 0;
}

}  // namespace vn340
