// The system's requests to end the program, as the program receives them: on its event loop,
// each by its kind, and a write to a closed pipe failing instead of ending the program.

#include "desktop/stop_requests.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <cerrno>
#include <csignal>
#include <vector>

#include <unistd.h>

#include "eventually.h"

namespace vn340 {
namespace {

using testing::eventually;

TEST(StopRequestsTest, EachSignalArrivesOnTheEventLoopByItsKind) {
    QObject context;
    std::vector<StopRequest> received;
    const auto listening = StopRequests::listen(
        [&received](StopRequest request) { received.push_back(request); }, &context);
    ASSERT_TRUE(listening);
    for (const int number : {SIGHUP, SIGTERM, SIGINT})
        ::raise(number);
    EXPECT_TRUE(received.empty()) << "nothing is done inside the signal handler";
    ASSERT_TRUE(eventually([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (std::vector<StopRequest>{StopRequest::HangUp, StopRequest::Terminate,
                                                  StopRequest::Interrupt}));
}

TEST(StopRequestsTest, AClosedPipeFailsTheWriteInsteadOfEndingTheProgram) {
    QObject context;
    const auto listening = StopRequests::listen([](StopRequest) {}, &context);
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
