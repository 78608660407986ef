// vn340-sim: a simulated vn340 with its adapter on a pseudo-terminal.
//
// Prints the terminal's path as the first line of standard output, answers frames on it until
// SIGTERM or SIGINT (or, with --exit-on-hangup, until the program that used the port closes
// it), then prints the gyro's memory as "0xADDR=0xVALUE" lines. "--help" lists the options.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "gyro_sim.h"
#include "sim_options.h"

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto ignored = write(signalPipe[1], &byte, 1);
}

bool installSignals() {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    std::signal(SIGPIPE, SIG_IGN);
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

// The master side of a new pseudo-terminal in raw mode, and the slave's path.
int openTerminal(std::string& slavePath) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return -1;
    }
    const char* name = ptsname(master);
    if (name == nullptr) {
        return -1;
    }
    slavePath = name;
    termios mode{};
    if (tcgetattr(master, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(master, TCSANOW, &mode);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

class Server {
  public:
    Server(int master, vn340::GyroSimulator& sim, const vn340::SimOptions& options)
        : master_(master), sim_(sim), options_(options) {}

    void run() {
        while (step()) {
        }
    }

  private:
    // While nobody has the slave open, the master reports a hang-up on every poll; it is
    // looked at again after this pause instead of being spun on.
    static constexpr int kHangupPauseMs = 20;

    vn340::SimTime now() const { return std::chrono::steady_clock::now() - origin_; }

    // How long to wait for input: until the next output byte is due, to the nanosecond, since
    // whole milliseconds would make a paced reply up to a millisecond late per character.
    std::optional<timespec> timeout() const {
        using std::chrono::nanoseconds;
        auto span = [](nanoseconds wait) {
            const long long ns = std::max<long long>(0, wait.count());
            return timespec{static_cast<time_t>(ns / 1'000'000'000),
                            static_cast<long>(ns % 1'000'000'000)};
        };
        if (hungUp_) {
            return span(std::chrono::milliseconds(kHangupPauseMs));
        }
        if (!unsent_.empty()) {
            return span(std::chrono::milliseconds(1));
        }
        const auto due = sim_.nextDue();
        if (!due) {
            return std::nullopt;
        }
        return span(*due - now());
    }

    bool step() {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {hungUp_ ? -1 : master_, POLLIN, 0}};
        const std::optional<timespec> wait = timeout();
        hungUp_ = false;  // look at the port again next time: the program may have reopened it
        if (ppoll(fds, 2, wait ? &*wait : nullptr, nullptr) < 0 && errno != EINTR) {
            return false;
        }
        if (fds[0].revents != 0) {
            return false;
        }
        if (fds[1].revents != 0 && !receive()) {
            if (options_.exitOnHangup && used_) {
                return false;
            }
            hungUp_ = true;
        }
        deliver();
        return true;
    }

    // False when the other end has gone.
    bool receive() {
        char buffer[256];
        const ssize_t count = read(master_, buffer, sizeof buffer);
        if (count > 0) {
            used_ = true;
            feed(std::string_view(buffer, static_cast<std::size_t>(count)));
            report();
            return true;
        }
        return count < 0 && (errno == EAGAIN || errno == EINTR);
    }

    // A paced line is slow in both directions. The pseudo-terminal hands over a frame at once,
    // so each character is given the time at which a line at the same baud rate would have
    // delivered it, and the reply starts after the frame's last character.
    void feed(std::string_view received) {
        const vn340::SimSettings& settings = sim_.settings();
        if (!settings.pace) {
            sim_.feed(received, now());
            return;
        }
        const vn340::SimTime characterTime(10'000'000'000LL /
                                           (settings.baud > 0 ? settings.baud : 9600));
        for (char c : received) {
            inputClock_ = std::max(inputClock_, now()) + characterTime;
            sim_.feed(std::string_view(&c, 1), inputClock_);
        }
    }

    void deliver() {
        unsent_ += sim_.takeDue(now());
        while (!unsent_.empty()) {
            const ssize_t written = write(master_, unsent_.data(), unsent_.size());
            if (written <= 0) {
                if (written < 0 && errno != EAGAIN && errno != EINTR) {
                    unsent_.clear();  // nobody to deliver to: the reply is lost, as on a wire
                }
                return;
            }
            unsent_.erase(0, static_cast<std::size_t>(written));
        }
    }

    void report() {
        if (!options_.log) {
            return;
        }
        const auto& frames = sim_.framesReceived();
        for (; framesLogged_ < frames.size(); ++framesLogged_) {
            std::fprintf(stderr, "frame %s\n", frames[framesLogged_].c_str());
        }
        const auto& writes = sim_.writesApplied();
        for (; writesLogged_ < writes.size(); ++writesLogged_) {
            std::fprintf(stderr, "write 0x%04X=0x%04X\n", writes[writesLogged_].address,
                         writes[writesLogged_].value);
        }
    }

    int master_;
    vn340::GyroSimulator& sim_;
    const vn340::SimOptions& options_;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    std::string unsent_;
    vn340::SimTime inputClock_{0};
    bool hungUp_ = false;
    bool used_ = false;
    std::size_t framesLogged_ = 0;
    std::size_t writesLogged_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (std::find_if(args.begin(), args.end(), [](const std::string& arg) {
            return arg == "--help" || arg == "-h";
        }) != args.end()) {
        std::printf(
            "Usage: vn340-sim [options]\n"
            "A simulated vn340 gyro behind its adapter, on a pseudo-terminal whose path is "
            "the first line printed.\n\n%s",
            vn340::simOptionsHelp().c_str());
        return 0;
    }
    auto parsed = vn340::parseSimOptions(args);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::fprintf(stderr, "vn340-sim: %s (vn340-sim --help lists the options)\n",
                     error->c_str());
        return 2;
    }
    const auto& options = std::get<vn340::SimOptions>(parsed);
    std::string slavePath;
    const int master = openTerminal(slavePath);
    if (master < 0 || !installSignals()) {
        std::perror("vn340-sim");
        return 1;
    }
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    vn340::GyroSimulator sim = vn340::makeSimulator(options);
    Server(master, sim, options).run();
    close(master);
    std::fputs(vn340::memoryDump(sim).c_str(), stdout);
    return 0;
}
