// The system's requests to end the program, as the program receives them: on its event loop,
// each by its kind, and a write to a closed pipe failing instead of ending the program.

#include "base/stop_requests.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <vector>

#include <unistd.h>

#include "base/system_event_loop.h"

namespace vn340 {
namespace {

TEST(StopRequestsTest, EachSignalArrivesOnTheEventLoopByItsKind) {
    SystemEventLoop loop;
    std::vector<StopRequest> received;
    const auto listening = StopRequests::listen(
        [&received](StopRequest request) { received.push_back(request); }, loop);
    ASSERT_TRUE(listening);
    for (const int number : {SIGHUP, SIGTERM, SIGINT}) {
        ::raise(number);
    }
    EXPECT_TRUE(received.empty()) << "nothing is done inside the signal handler";
    // Each turn waits for what is posted; a request lost would leave the loop waiting in vain.
    for (int turn = 0; turn < 3 && received.size() < 3; ++turn) {
        loop.runOnce(std::chrono::seconds(10));
    }
    EXPECT_EQ(received, (std::vector<StopRequest>{StopRequest::HangUp, StopRequest::Terminate,
                                                  StopRequest::Interrupt}));
}

TEST(StopRequestsTest, AClosedPipeFailsTheWriteInsteadOfEndingTheProgram) {
    SystemEventLoop loop;
    const auto listening = StopRequests::listen([](StopRequest) {}, loop);
    ASSERT_TRUE(listening);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    errno = 0;
    EXPECT_EQ(::write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[1]);
}

}  // namespace
}  // namespace vn340
