#pragma once

// A pseudo-terminal pair for the link tests: the test plays the adapter on the master side,
// the transport under test opens the slave by its path.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace vn340::test {

class Pty {
  public:
    Pty() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            char name[128] = {};
            if (::ptsname_r(master_, name, sizeof name) == 0) {
                path_ = name;
            }
        }
    }
    ~Pty() { closeMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && !path_.empty(); }
    const std::string& path() const { return path_; }
    int master() const { return master_; }

    bool send(std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // What the transport wrote, waiting up to timeoutMs for `count` bytes.
    std::string receive(std::size_t count, int timeoutMs = 5000) {
        std::string out;
        while (out.size() < count) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) {
                break;
            }
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }

    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
        }
        master_ = -1;
    }

  private:
    int master_ = -1;
    std::string path_;
};

}  // namespace vn340::test
