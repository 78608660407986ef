#include "base/stop_requests.h"

#include <array>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace vn340 {
namespace {

// The write end of the pipe the handlers put their signal numbers into; -1 when none listens.
volatile std::sig_atomic_t writeEnd = -1;

// Only what is safe in a signal handler: one byte down a pipe, read by a thread of our own.
void onSignal(int number) {
    const int fd = writeEnd;
    if (fd >= 0) {
        const auto byte = static_cast<char>(number);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

constexpr std::array<int, 3> kSignals = {SIGINT, SIGHUP, SIGTERM};

StopRequest requestOf(int number) {
    if (number == SIGHUP) {
        return StopRequest::HangUp;
    }
    if (number == SIGTERM) {
        return StopRequest::Terminate;
    }
    return StopRequest::Interrupt;
}

// Whether the listener is still there when a posted request comes to be run.
struct Listening {
    StopRequests::Handler handler;
};

class PosixStopRequests final : public StopRequests {
  public:
    PosixStopRequests(std::array<int, 2> pipe, Handler handler, EventLoop& loop)
        : pipe_(pipe), listening_(std::make_shared<Listening>(Listening{std::move(handler)})) {
        // The reader ends when the pipe's write end is closed.
        reader_ = std::thread([readEnd = pipe_[0], &loop, weak = std::weak_ptr(listening_)] {
            char number = 0;
            while (::read(readEnd, &number, 1) == 1) {
                loop.post([weak, request = requestOf(number)] {
                    if (const std::shared_ptr<Listening> alive = weak.lock()) {
                        alive->handler(request);
                    }
                });
            }
        });
        writeEnd = pipe_[1];
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : kSignals) {
            ::sigaction(number, &action, nullptr);
        }
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~PosixStopRequests() override {
        for (const int number : kSignals) {
            std::signal(number, SIG_DFL);
        }
        writeEnd = -1;
        listening_.reset();
        ::close(pipe_[1]);
        reader_.join();
        ::close(pipe_[0]);
    }

  private:
    std::array<int, 2> pipe_;
    std::shared_ptr<Listening> listening_;
    std::thread reader_;
};

}  // namespace

std::unique_ptr<StopRequests> StopRequests::listen(Handler handler, EventLoop& loop) {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return nullptr;
    }
    // A full pipe drops a request rather than blocking inside the handler.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    return std::make_unique<PosixStopRequests>(ends, std::move(handler), loop);
}

}  // namespace vn340
