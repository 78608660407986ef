// Without a port named in the environment, the simulator runs in this process on a
// pseudo-terminal of its own, for as long as the test program runs.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "gyro_sim.h"
#include "pty.h"
#include "sim_line.h"
#include "sim_options.h"

namespace vn340::test {
namespace {

// The default simulator answering on the master side, unpaced, as vn340-sim does.
class PtyGyro {
  public:
    PtyGyro() : thread_([this] { serve(); }) {}
    ~PtyGyro() {
        stop_.store(true);
        thread_.join();
    }
    bool ok() const { return pty_.ok(); }
    const std::string& path() const { return pty_.path(); }

  private:
    // While nobody has the port open the master reports a hang-up on every poll; it is looked
    // at again after this pause instead of being spun on.
    static constexpr int kHangUpPauseMs = 10;
    static constexpr int kStopCheckMs = 50;

    void serve() {
        while (!stop_.load() && pty_.ok()) {
            pollfd p{pty_.master(), POLLIN, 0};
            if (::poll(&p, 1, kStopCheckMs) <= 0) {
                continue;
            }
            if ((p.revents & POLLIN) == 0) {
                ::usleep(kHangUpPauseMs * 1000);
                continue;
            }
            char buffer[256];
            const ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            gyro_.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            pty_.send(gyro_.takeAllText());
        }
    }

    Pty pty_;
    GyroSimulator gyro_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

std::optional<SimLine> simLine(std::string* why) {
    const bool superuser = ::geteuid() == 0;
    if (const char* port = std::getenv(kTestPortVariable); port != nullptr && *port != '\0') {
        const char* options = std::getenv(kTestSimOptionsVariable);
        return SimLine{port, "/dev/vn340-no-such-port", options != nullptr ? options : "",
                       !superuser};
    }
    static const auto gyro = std::make_unique<PtyGyro>();
    if (!gyro->ok()) {
        *why = "no pseudo-terminal for the simulator";
        return std::nullopt;
    }
    return SimLine{gyro->path(), "/dev/vn340-no-such-port", "", !superuser};
}

}  // namespace vn340::test
