#include "link/port_system.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <linux/serial.h>

#include <cerrno>

namespace vn340 {
namespace {

int errnoOf(int rc) {
    return rc < 0 ? errno : 0;
}

class PosixPortSystem final : public PortSystem {
  public:
    int openDevice(const char* path, int* fd) override {
        int result;
        do {
            result = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        } while (result < 0 && errno == EINTR);
        if (result < 0)
            return errno;
        *fd = result;
        return 0;
    }

    int closeDevice(int fd) override {
        // The exclusive mode belongs to the tty, not to this descriptor: a tty that outlives
        // the close (a pseudo-terminal whose other end is still open, such as the simulator's)
        // would otherwise refuse every later open by an ordinary user, this program's own too.
        ::ioctl(fd, TIOCNXCL);
        return errnoOf(::close(fd));
    }

    int makeExclusive(int fd) override { return errnoOf(::ioctl(fd, TIOCEXCL)); }

    int getAttributes(int fd, termios* attributes) override {
        return errnoOf(::tcgetattr(fd, attributes));
    }

    int setAttributes(int fd, const termios& attributes) override {
        return errnoOf(::tcsetattr(fd, TCSANOW, &attributes));
    }

    int setModemLines(int fd, bool set) override {
        int lines = TIOCM_DTR | TIOCM_RTS;
        return errnoOf(::ioctl(fd, set ? TIOCMBIS : TIOCMBIC, &lines));
    }

    int readSome(int fd, void* buffer, std::size_t count, std::size_t* got) override {
        *got = 0;
        ssize_t n;
        do {
            n = ::read(fd, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return errno == EAGAIN ? 0 : errno;
        *got = static_cast<std::size_t>(n);
        return 0;
    }

    int writeSome(int fd, const void* buffer, std::size_t count, std::size_t* written) override {
        *written = 0;
        ssize_t n;
        do {
            n = ::write(fd, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return errno == EAGAIN ? 0 : errno;
        *written = static_cast<std::size_t>(n);
        return 0;
    }

    int bytesWaiting(int fd, std::size_t* count) override {
        int n = 0;
        if (::ioctl(fd, FIONREAD, &n) < 0)
            return errno;
        *count = static_cast<std::size_t>(n);
        return 0;
    }

    int lineCounters(int fd, LineCounters* counters) override {
        serial_icounter_struct icount{};
        if (::ioctl(fd, TIOCGICOUNT, &icount) < 0)
            return errno;
        counters->breaks = static_cast<std::uint32_t>(icount.brk);
        counters->frameErrors = static_cast<std::uint32_t>(icount.frame);
        counters->overruns = static_cast<std::uint32_t>(icount.overrun);
        counters->parityErrors = static_cast<std::uint32_t>(icount.parity);
        counters->bufferOverruns = static_cast<std::uint32_t>(icount.buf_overrun);
        return 0;
    }

    int wait(int fd, bool wantRead, bool wantWrite, int wakeFd, int timeoutMs,
             PortWaitResult* result) override {
        *result = {};
        pollfd fds[2] = {};
        fds[0].fd = fd;
        fds[0].events = static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
        fds[1].fd = wakeFd;
        fds[1].events = POLLIN;
        const nfds_t count = wakeFd >= 0 ? 2 : 1;
        int n;
        do {
            n = ::poll(fds, count, timeoutMs);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return errno;
        if (n == 0)
            return ETIMEDOUT;
        result->readable = (fds[0].revents & POLLIN) != 0;
        result->writable = (fds[0].revents & POLLOUT) != 0;
        result->hungUp = (fds[0].revents & POLLHUP) != 0;
        result->failed = (fds[0].revents & (POLLERR | POLLNVAL)) != 0;
        result->woken = count == 2 && (fds[1].revents & POLLIN) != 0;
        return 0;
    }

    int createWakeup(int* wakeFd) override {
        const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0)
            return errno;
        *wakeFd = fd;
        return 0;
    }

    int signalWakeup(int wakeFd) override {
        const std::uint64_t one = 1;
        ssize_t n;
        do {
            n = ::write(wakeFd, &one, sizeof one);
        } while (n < 0 && errno == EINTR);
        // A full counter already means "woken".
        return n < 0 && errno != EAGAIN ? errno : 0;
    }

    int drainWakeup(int wakeFd) override {
        std::uint64_t value = 0;
        ssize_t n;
        do {
            n = ::read(wakeFd, &value, sizeof value);
        } while (n < 0 && errno == EINTR);
        return n < 0 && errno != EAGAIN ? errno : 0;
    }

    int closeWakeup(int wakeFd) override { return errnoOf(::close(wakeFd)); }
};

}  // namespace

PortSystem& posixPortSystem() {
    static PosixPortSystem instance;
    return instance;
}

}  // namespace vn340
