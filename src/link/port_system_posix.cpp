#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <linux/serial.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "link/port_system.h"

namespace vn340 {
namespace {

SysResult failed(int error, std::string_view what) {
    return SysResult::failure(error,
                              std::string(what) + ": " + std::generic_category().message(error));
}

// The result of a call that returns -1 and sets errno on failure.
SysResult checked(long rc, std::string_view what) {
    return rc < 0 ? failed(errno, what) : SysResult::success();
}

struct BaudEntry {
    std::uint32_t baud;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {300, B300},     {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool speedOf(std::uint32_t baud, speed_t* speed) {
    for (const auto& entry : kBauds) {
        if (entry.baud == baud) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

bool possible(const LineSettings& line) {
    speed_t speed = 0;
    return lineIsPossible(line) && speedOf(line.baud, &speed);
}

void setRaw(termios* t) {
    ::cfmakeraw(t);
    t->c_cflag |= CLOCAL | CREAD;
    // Reads never wait in the driver; waiting is done with poll() and a time-out of ours.
    t->c_cc[VMIN] = 0;
    t->c_cc[VTIME] = 0;
}

void setFraming(const LineSettings& line, termios* t) {
    speed_t speed = 0;
    speedOf(line.baud, &speed);
    ::cfsetispeed(t, speed);
    ::cfsetospeed(t, speed);

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t->c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    t->c_cflag |= kSizes[line.dataBits - 5];

    t->c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (line.parity) {
        case Parity::None:
            break;
        case Parity::Odd:
            t->c_cflag |= PARENB | PARODD;
            break;
        case Parity::Even:
            t->c_cflag |= PARENB;
            break;
        case Parity::Mark:
            t->c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case Parity::Space:
            t->c_cflag |= PARENB | CMSPAR;
            break;
    }
    // Parity checking is on exactly when there is a parity bit.
    t->c_iflag &= ~static_cast<tcflag_t>(INPCK);
    if (line.parity != Parity::None) {
        t->c_iflag |= INPCK;
    }

    t->c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    if (line.stopBits == StopBits::Two) {
        t->c_cflag |= CSTOPB;
    }
}

void setHandshake(Handshake handshake, termios* t) {
    t->c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    t->c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    switch (handshake) {
        case Handshake::Off:
            break;
        case Handshake::Hardware:
            t->c_cflag |= CRTSCTS;
            break;
        case Handshake::Software:
            t->c_iflag |= IXON | IXOFF;
            break;
    }
}

int pollTimeout(std::chrono::milliseconds timeout) {
    if (timeout == kWaitForever) {
        return -1;
    }
    constexpr auto kLongest = std::chrono::milliseconds(0x7FFFFFFF);
    return static_cast<int>(std::clamp(timeout, std::chrono::milliseconds(0), kLongest).count());
}

class PosixPortSystem final : public PortSystem {
  public:
    SysResult openDevice(const std::string& path, int* fd) override {
        int result;
        do {
            result = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        } while (result < 0 && errno == EINTR);
        if (result < 0) {
            return failed(errno, "open " + path);
        }
        *fd = result;
        return {};
    }

    SysResult closeDevice(int fd) override {
        // The exclusive mode belongs to the tty, not to this descriptor: a tty that outlives
        // the close (a pseudo-terminal whose other end is still open, such as the simulator's)
        // would otherwise refuse every later open by an ordinary user, this program's own too.
        ::ioctl(fd, TIOCNXCL);
        return checked(::close(fd), "close the serial port");
    }

    SysResult makeExclusive(int fd) override {
        return checked(::ioctl(fd, TIOCEXCL), "take the serial port for this program alone");
    }

    SysResult applyLine(int fd, const LineSettings& line, LineParts parts) override {
        if ((parts & kLineFraming) && !possible(line)) {
            return failed(EINVAL, "set up the line");
        }
        termios t{};
        if (::tcgetattr(fd, &t) < 0) {
            return failed(errno, "read the line settings");
        }
        if (parts & kLineRaw) {
            setRaw(&t);
        }
        if (parts & kLineFraming) {
            setFraming(line, &t);
        }
        if (parts & kLineHandshake) {
            setHandshake(line.handshake, &t);
        }
        return checked(::tcsetattr(fd, TCSANOW, &t), "set up the line");
    }

    SysResult requestLowLatency(int fd) override {
        serial_struct info{};
        if (::ioctl(fd, TIOCGSERIAL, &info) < 0) {
            return failed(errno, "read the serial driver's settings");
        }
        if (info.flags & ASYNC_LOW_LATENCY) {
            return {};
        }
        info.flags |= ASYNC_LOW_LATENCY;
        return checked(::ioctl(fd, TIOCSSERIAL, &info), "ask the serial driver for low latency");
    }

    SysResult setModemLines(int fd, bool set) override {
        int lines = TIOCM_DTR | TIOCM_RTS;
        return checked(::ioctl(fd, set ? TIOCMBIS : TIOCMBIC, &lines), "set DTR and RTS");
    }

    SysResult readSome(int fd, void* buffer, std::size_t count, std::size_t* got) override {
        *got = 0;
        ssize_t n;
        do {
            n = ::read(fd, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return errno == EAGAIN ? SysResult::success() : failed(errno, "read the serial port");
        }
        *got = static_cast<std::size_t>(n);
        return {};
    }

    SysResult writeSome(int fd, const void* buffer, std::size_t count,
                        std::size_t* written) override {
        *written = 0;
        ssize_t n;
        do {
            n = ::write(fd, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return errno == EAGAIN ? SysResult::success() : failed(errno, "write the serial port");
        }
        *written = static_cast<std::size_t>(n);
        return {};
    }

    SysResult bytesWaiting(int fd, std::size_t* count) override {
        int n = 0;
        if (::ioctl(fd, FIONREAD, &n) < 0) {
            return failed(errno, "count the bytes waiting");
        }
        *count = static_cast<std::size_t>(n);
        return {};
    }

    SysResult lineCounters(int fd, LineCounters* counters) override {
        serial_icounter_struct icount{};
        if (::ioctl(fd, TIOCGICOUNT, &icount) < 0) {
            return failed(errno, "read the line error counters");
        }
        counters->breaks = static_cast<std::uint32_t>(icount.brk);
        counters->frameErrors = static_cast<std::uint32_t>(icount.frame);
        counters->overruns = static_cast<std::uint32_t>(icount.overrun);
        counters->parityErrors = static_cast<std::uint32_t>(icount.parity);
        counters->bufferOverruns = static_cast<std::uint32_t>(icount.buf_overrun);
        return {};
    }

    SysResult wait(int fd, bool wantRead, bool wantWrite, int wakeFd,
                   std::chrono::milliseconds timeout, PortWaitResult* result) override {
        *result = {};
        pollfd fds[2] = {};
        fds[0].fd = fd;
        fds[0].events = static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
        fds[1].fd = wakeFd;
        fds[1].events = POLLIN;
        const nfds_t count = wakeFd >= 0 ? 2 : 1;
        int n;
        do {
            n = ::poll(fds, count, pollTimeout(timeout));
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return failed(errno, "wait for the serial port");
        }
        if (n == 0) {
            return failed(ETIMEDOUT, "wait for the serial port");
        }
        result->readable = (fds[0].revents & POLLIN) != 0;
        result->writable = (fds[0].revents & POLLOUT) != 0;
        result->hungUp = (fds[0].revents & POLLHUP) != 0;
        result->failed = (fds[0].revents & (POLLERR | POLLNVAL)) != 0;
        result->woken = count == 2 && (fds[1].revents & POLLIN) != 0;
        return {};
    }

    SysResult createWakeup(int* wakeFd) override {
        const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0) {
            return failed(errno, "make the listener's wake-up");
        }
        *wakeFd = fd;
        return {};
    }

    SysResult signalWakeup(int wakeFd) override {
        const std::uint64_t one = 1;
        ssize_t n;
        do {
            n = ::write(wakeFd, &one, sizeof one);
        } while (n < 0 && errno == EINTR);
        // A full counter already means "woken".
        return n < 0 && errno != EAGAIN ? failed(errno, "wake the listener") : SysResult{};
    }

    SysResult drainWakeup(int wakeFd) override {
        std::uint64_t value = 0;
        ssize_t n;
        do {
            n = ::read(wakeFd, &value, sizeof value);
        } while (n < 0 && errno == EINTR);
        return n < 0 && errno != EAGAIN ? failed(errno, "clear the listener's wake-up")
                                        : SysResult{};
    }

    SysResult closeWakeup(int wakeFd) override {
        return checked(::close(wakeFd), "close the listener's wake-up");
    }
};

}  // namespace

PortSystem& systemPortSystem() {
    static PosixPortSystem instance;
    return instance;
}

}  // namespace vn340
