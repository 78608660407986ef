#include "desktop/stop_requests.h"

#include <QObject>
#include <QSocketNotifier>

#include <array>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace vn340 {
namespace {

// The write end of the pipe the handlers put their signal numbers into; -1 when none listens.
volatile std::sig_atomic_t writeEnd = -1;

// Only what is safe in a signal handler: one byte down a pipe, read by the event loop.
void onSignal(int number) {
    const int fd = writeEnd;
    if (fd >= 0) {
        const auto byte = static_cast<char>(number);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

constexpr std::array<int, 3> kSignals = {SIGINT, SIGHUP, SIGTERM};

StopRequest requestOf(int number) {
    if (number == SIGHUP)
        return StopRequest::HangUp;
    if (number == SIGTERM)
        return StopRequest::Terminate;
    return StopRequest::Interrupt;
}

class PosixStopRequests final : public StopRequests {
  public:
    PosixStopRequests(std::array<int, 2> pipe, Handler handler, QObject* context)
        : pipe_(pipe), notifier_(pipe[0], QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, context,
                         [this, handler = std::move(handler)] {
                             char number = 0;
                             while (::read(pipe_[0], &number, 1) == 1)
                                 handler(requestOf(number));
                         });
        writeEnd = pipe_[1];
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : kSignals)
            ::sigaction(number, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~PosixStopRequests() override {
        for (const int number : kSignals)
            std::signal(number, SIG_DFL);
        writeEnd = -1;
        notifier_.setEnabled(false);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }

  private:
    std::array<int, 2> pipe_;
    QSocketNotifier notifier_;
};

}  // namespace

std::unique_ptr<StopRequests> StopRequests::listen(Handler handler, QObject* context) {
    std::array<int, 2> ends{-1, -1};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    return std::make_unique<PosixStopRequests>(ends, std::move(handler), context);
}

}  // namespace vn340
