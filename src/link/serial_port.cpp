#include "link/serial_port.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <system_error>

namespace vn340 {

struct SerialPort::Target {
    QObject* object = nullptr;
    ComNotify notify;
    std::intptr_t value = 0;
    // Cleared by close, so that notifications still queued for the GUI thread are dropped.
    std::atomic<bool> active{true};
};

namespace {

struct BaudEntry {
    std::uint32_t baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {300, B300},     {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
};

// Milliseconds left of a time-out that started at `start`; -1 for no limit.
int remainingMs(std::uint32_t timeoutMs, std::chrono::steady_clock::time_point start) {
    if (timeoutMs == kWaitForever)
        return -1;
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
    const auto left = static_cast<long long>(timeoutMs) - spent;
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

SerialPort::SerialPort(PortSystem& system) : system_(system) {}

SerialPort::~SerialPort() {
    close();
}

int SerialPort::openPort(const std::string& path, std::uint32_t /*inQueue*/,
                         std::uint32_t /*outQueue*/) {
    if (isOpen())
        return result(kErrAlreadyOpen);
    int fd = -1;
    if (int rc = system_.openDevice(path.c_str(), &fd))
        return result(rc);

    auto fail = [&](int rc) {
        system_.closeDevice(fd);
        return result(rc);
    };
    if (int rc = system_.makeExclusive(fd))
        return fail(rc);

    termios t{};
    if (int rc = system_.getAttributes(fd, &t))
        return fail(rc);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSTOPB | PARENB);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // Reads never wait in the driver; waiting is done with poll() and a time-out of ours.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    if (int rc = system_.setAttributes(fd, t))
        return fail(rc);

    int wakeFd = -1;
    if (int rc = system_.createWakeup(&wakeFd))
        return fail(rc);

    fd_ = fd;
    wakeFd_ = wakeFd;
    mask_.store(kDefaultEventMask);
    eventWord_.store(0);
    blockingReads_ = false;
    rxArmed_.store(true);
    {
        std::lock_guard lock(countersMutex_);
        countersKnown_ = system_.lineCounters(fd_, &counters_) == 0;
    }
    return result(0);
}

int SerialPort::open(const std::string& path, QObject* target, ComNotify notify,
                     std::intptr_t value, std::uint32_t inQueue, std::uint32_t outQueue) {
    if (int rc = openPort(path, inQueue, outQueue))
        return rc;
    auto state = std::make_shared<Target>();
    state->object = target;
    state->notify = std::move(notify);
    state->value = value;
    {
        std::lock_guard lock(targetMutex_);
        target_ = std::move(state);
    }
    if (int rc = startListener()) {
        close();
        return result(rc);
    }
    return result(0);
}

int SerialPort::close() {
    {
        std::lock_guard lock(targetMutex_);
        if (target_)
            target_->active.store(false);
        target_.reset();
    }
    if (!isOpen())
        return 0;
    stopListener(kWaitForever);
    system_.closeWakeup(wakeFd_);
    system_.closeDevice(fd_);
    wakeFd_ = -1;
    fd_ = -1;
    return result(0);
}

int SerialPort::setup(std::uint32_t baud, int dataBits, Parity parity, StopBits stopBits) {
    if (!isOpen())
        return result(kErrPortClosed);
    speed_t speed = 0;
    bool known = false;
    for (const auto& entry : kBauds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            known = true;
        }
    }
    // The tty layer has no one and a half stop bits.
    if (!known || dataBits < 5 || dataBits > 8 || stopBits == StopBits::OneAndHalf) {
        return result(EINVAL);
    }
    termios t{};
    if (int rc = system_.getAttributes(fd_, &t))
        return result(rc);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[dataBits - 5];
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (parity) {
        case Parity::None:
            break;
        case Parity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case Parity::Even:
            t.c_cflag |= PARENB;
            break;
        case Parity::Mark:
            t.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case Parity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (parity == Parity::None) {
        t.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    } else {
        t.c_iflag |= INPCK;
    }
    if (stopBits == StopBits::Two) {
        t.c_cflag |= CSTOPB;
    } else {
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    }
    return result(system_.setAttributes(fd_, t));
}

int SerialPort::setupHandshaking(int mode) {
    if (!isOpen())
        return result(kErrPortClosed);
    if (mode < 0 || mode > 2)
        return result(EINVAL);
    termios t{};
    if (int rc = system_.getAttributes(fd_, &t))
        return result(rc);
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (mode == 1)
        t.c_cflag |= CRTSCTS;
    if (mode == 2)
        t.c_iflag |= IXON | IXOFF;
    if (int rc = system_.setAttributes(fd_, t))
        return result(rc);
    if (mode != 1) {
        // Lines not used for handshaking are held low. A pseudo-terminal or a device
        // without modem lines has nothing to hold.
        const int rc = system_.setModemLines(fd_, false);
        if (rc != 0 && rc != ENOTTY && rc != EINVAL)
            return result(rc);
    }
    return result(0);
}

int SerialPort::setupReadTimeouts(int mode) {
    if (!isOpen())
        return result(kErrPortClosed);
    if (mode != 0 && mode != 1)
        return result(EINVAL);
    blockingReads_ = mode == 1;
    return result(0);
}

int SerialPort::setMask(std::uint16_t mask) {
    if (!isOpen())
        return result(kErrPortClosed);
    mask_.store(mask);
    // The listener picks up the new mask at once.
    return result(system_.signalWakeup(wakeFd_));
}

int SerialPort::collectLineErrors(std::uint16_t* errors, bool* breakSeen) {
    *errors = 0;
    if (breakSeen)
        *breakSeen = false;
    LineCounters now{};
    const int rc = system_.lineCounters(fd_, &now);
    // Pseudo-terminals and some USB adapters keep no counters: then there is nothing to report.
    if (rc == ENOTTY || rc == EINVAL)
        return 0;
    if (rc != 0)
        return rc;
    std::lock_guard lock(countersMutex_);
    if (countersKnown_) {
        if (now.bufferOverruns != counters_.bufferOverruns)
            *errors |= kLineRxOverflow;
        if (now.overruns != counters_.overruns)
            *errors |= kLineOverrun;
        if (now.parityErrors != counters_.parityErrors)
            *errors |= kLineParity;
        if (now.frameErrors != counters_.frameErrors)
            *errors |= kLineFrame;
        if (now.breaks != counters_.breaks) {
            *errors |= kLineBreak;
            if (breakSeen)
                *breakSeen = true;
        }
    }
    counters_ = now;
    countersKnown_ = true;
    return 0;
}

std::uint16_t SerialPort::lineEvents(std::uint16_t* errors) {
    bool breakSeen = false;
    collectLineErrors(errors, &breakSeen);
    std::uint16_t events = 0;
    if (breakSeen)
        events |= kEventBreak;
    if (*errors & ~kLineBreak)
        events |= kEventError;
    return events;
}

int SerialPort::clearErrors(std::uint16_t* errors, bool* breakSeen) {
    if (!isOpen())
        return result(kErrPortClosed);
    return result(collectLineErrors(errors, breakSeen));
}

int SerialPort::waitEvent(std::uint32_t timeoutMs) {
    if (!isOpen())
        return result(kErrPortClosed);
    if (listenerRunning())
        return result(EBUSY);
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        PortWaitResult found{};
        const bool wantRead = (mask_.load() & kEventRxChar) != 0;
        if (int rc = system_.wait(fd_, wantRead, false, wakeFd_, remainingMs(timeoutMs, start),
                                  &found)) {
            return result(rc);
        }
        if (found.woken)
            system_.drainWakeup(wakeFd_);
        std::uint16_t events = found.readable ? kEventRxChar : 0;
        std::uint16_t errors = 0;
        events |= lineEvents(&errors);
        if (found.hungUp || found.failed)
            events |= kEventError;
        events &= mask_.load();
        if (events != 0) {
            eventWord_.store(events);
            return result(0);
        }
        if (found.hungUp || found.failed)
            return result(EIO);
    }
}

void SerialPort::rearmReceive() {
    if (!rxArmed_.exchange(true))
        system_.signalWakeup(wakeFd_);
}

int SerialPort::read(void* buffer, std::size_t count, std::size_t* got, std::uint32_t timeoutMs) {
    *got = 0;
    if (!isOpen())
        return result(kErrPortClosed);
    auto* bytes = static_cast<unsigned char*>(buffer);
    const auto start = std::chrono::steady_clock::now();
    bool hungUp = false;
    for (;;) {
        std::size_t n = 0;
        if (int rc = system_.readSome(fd_, bytes + *got, count - *got, &n))
            return result(rc);
        *got += n;
        if (*got == count)
            return result(0);
        // A hung-up tty stays "readable" and reads nothing, for ever: waiting again would spin.
        if (hungUp && n == 0)
            return result(EIO);
        rearmReceive();  // the input is drained
        if (!blockingReads_)
            return result(0);
        PortWaitResult found{};
        if (int rc = system_.wait(fd_, true, false, -1, remainingMs(timeoutMs, start), &found)) {
            return result(rc);
        }
        hungUp = found.hungUp || found.failed;
        if (hungUp && !found.readable)
            return result(EIO);
    }
}

int SerialPort::write(const void* buffer, std::size_t count, std::size_t* written,
                      std::uint32_t timeoutMs) {
    *written = 0;
    if (!isOpen())
        return result(kErrPortClosed);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const auto start = std::chrono::steady_clock::now();
    while (*written < count) {
        std::size_t n = 0;
        if (int rc = system_.writeSome(fd_, bytes + *written, count - *written, &n))
            return result(rc);
        *written += n;
        if (*written == count)
            break;
        PortWaitResult found{};
        if (int rc = system_.wait(fd_, false, true, -1, remainingMs(timeoutMs, start), &found)) {
            return result(rc);
        }
        if ((found.hungUp || found.failed) && !found.writable)
            return result(EIO);
    }
    return result(0);
}

int SerialPort::write(std::string_view text, std::size_t* written, std::uint32_t timeoutMs) {
    return write(text.data(), text.size(), written, timeoutMs);
}

void SerialPort::sendText(std::string_view text) {
    std::size_t written = 0;
    write(text, &written, kWaitForever);
}

int SerialPort::bytesWaiting(std::size_t* count) {
    *count = 0;
    if (!isOpen())
        return result(kErrPortClosed);
    return result(system_.bytesWaiting(fd_, count));
}

int SerialPort::startListener() {
    if (!isOpen())
        return result(kErrPortClosed);
    if (listener_.joinable()) {
        if (listenerRunning())
            return result(0);
        listener_.join();  // it ended by itself (hang-up or a failed wait)
    }
    {
        std::lock_guard lock(endedMutex_);
        ended_ = false;
    }
    stopRequested_.store(false);
    listenerResult_.store(0);
    try {
        listener_ = std::thread([this] { listen(); });
    } catch (const std::system_error& error) {
        std::lock_guard lock(endedMutex_);
        ended_ = true;
        return result(error.code().value());
    }
    return result(0);
}

int SerialPort::stopListener(std::uint32_t timeoutMs) {
    if (!listener_.joinable())
        return result(0);
    stopRequested_.store(true);
    system_.signalWakeup(wakeFd_);
    {
        std::unique_lock lock(endedMutex_);
        if (timeoutMs == kWaitForever) {
            endedCv_.wait(lock, [this] { return ended_; });
        } else if (!endedCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [this] { return ended_; })) {
            // The thread still runs and still uses this object: keep it, and keep the stop
            // request, so that a later stop or close can wait for it.
            return result(ETIMEDOUT);
        }
    }
    listener_.join();
    stopRequested_.store(false);
    return result(0);
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
        if (int rc = system_.wait(fd_, wantRead, false, wakeFd_, -1, &found)) {
            outcome = rc;
            break;
        }
        if (found.woken)
            system_.drainWakeup(wakeFd_);
        if (stopRequested_.load())
            break;

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
        if (events != 0)
            onEvent(events, errors);
        eventWord_.store(0);
        if (hangUp) {
            outcome = EIO;
            break;
        }
        if (stopRequested_.load())
            break;
    }
    listenerResult_.store(outcome);
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
    if (!target || !target->object || !target->notify)
        return;
    const ComNotification note{events, errors, target->value};
    QMetaObject::invokeMethod(
        target->object,
        [target, note] {
            if (target->active.load())
                target->notify(note);
        },
        Qt::QueuedConnection);
}

int onComData(SerialPort& port, const ComNotification& notification,
              const std::function<void(std::string_view)>& dispatch) {
    if ((notification.events & kEventRxChar) == 0)
        return 0;
    char block[kComBlockSize + 1];
    for (;;) {
        std::size_t got = 0;
        // A failure hands nothing on; a blocking-mode time-out still hands on what came.
        if (port.read(block, kComBlockSize, &got, 0) != 0 && got == 0)
            break;
        block[got] = '\0';
        // A zero byte among the received ones ends the block's text.
        dispatch(std::string_view(block));
        if (got != kComBlockSize)
            break;
    }
    return 0;
}

}  // namespace vn340
