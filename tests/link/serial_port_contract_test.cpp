// The serial port over the system's own port seam (POSIX terminals, or Windows COM ports under
// Wine) with the gyro simulator at the other end of the line: what every system must do alike.
// The owner's thread is the test's, draining a queue.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "gyro_sim.h"
#include "link/serial_port.h"
#include "protocol/frames.h"
#include "sim_line.h"
#include "sim_options.h"
#include "support/queued_owner_thread.h"

namespace vn340 {
namespace {

using namespace std::chrono_literals;
using testing::QueuedOwnerThread;

// What the simulator started with the line's options answers to `frame`.
std::string replyTo(const test::SimLine& line, const std::string& frame) {
    auto parsed = parseSimOptions(splitOptionText(line.options));
    EXPECT_TRUE(std::holds_alternative<SimOptions>(parsed)) << line.options;
    GyroSimulator gyro = makeSimulator(std::get<SimOptions>(parsed));
    gyro.feed(frame);
    return gyro.takeAllText();
}

class SerialPortContractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        auto found = test::simLine(&why);
        if (!found) {
            GTEST_SKIP() << why;
        }
        line = *found;
        frame = std::string(kReadProductIdFrame);
        reply = replyTo(line, frame);
        ASSERT_FALSE(reply.empty());
    }

    // Opens the port with its listener, its notifications handed to `received` as text.
    void openListening(SerialPort& port) {
        ASSERT_TRUE(port.open(line.port, owner, [this, &port](const ComNotification& note) {
            onComData(port, note, [this](std::string_view text) { received += text; });
        }));
        ASSERT_TRUE(port.setup(9600, 8, Parity::None, StopBits::One));
        ASSERT_TRUE(port.setupHandshaking(Handshake::Off));
    }

    test::SimLine line;
    std::string frame;
    std::string reply;
    QueuedOwnerThread owner;
    std::string received;
};

TEST_F(SerialPortContractTest, MissingPortFailsWithTheSystemsNotFound) {
    SerialPort port;
    EXPECT_EQ(port.openPort(line.missingPort).error, ENOENT);
    EXPECT_EQ(port.open(line.missingPort, owner, [](const ComNotification&) {}).error, ENOENT);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialPortContractTest, SecondOpenOfThePortIsRefusedAsBusy) {
    if (!line.secondOpenRefused) {
        GTEST_SKIP() << "the superuser is not held back by an exclusive open";
    }
    SerialPort first;
    ASSERT_TRUE(first.openPort(line.port));
    SerialPort second;
    EXPECT_EQ(second.openPort(line.port).error, EBUSY);
    ASSERT_TRUE(first.close());
    EXPECT_TRUE(second.openPort(line.port)) << "free again once closed";
}

// A blocking read waits for the whole count: exactly the reply arrives whole, one more
// character than came waits out its time with what came.
TEST_F(SerialPortContractTest, BlockingReadEndsWithTheWholeCountOrTimesOutWithWhatCame) {
    struct Row {
        const char* what;
        std::size_t extra;
        std::chrono::milliseconds timeout;
        int error;
    };
    const Row rows[] = {{"exactly the reply", 0, 5000ms, 0}, {"one more", 1, 300ms, ETIMEDOUT}};
    SerialPort port;
    ASSERT_TRUE(port.openPort(line.port));
    ASSERT_TRUE(port.setupReadTimeouts(ReadTimeouts::Blocking));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        port.sendText(frame);
        std::string buffer(reply.size() + row.extra, '\0');
        std::size_t got = 0;
        EXPECT_EQ(port.read(buffer.data(), buffer.size(), &got, row.timeout).error, row.error);
        EXPECT_EQ(buffer.substr(0, got), reply);
    }
}

TEST_F(SerialPortContractTest, WaitEventTimesOutOnASilentLineAndWakesForTheReply) {
    SerialPort port;
    ASSERT_TRUE(port.openPort(line.port));
    EXPECT_EQ(port.waitEvent(0ms).error, ETIMEDOUT);
    EXPECT_EQ(port.waitEvent(50ms).error, ETIMEDOUT);
    port.sendText(frame);
    ASSERT_TRUE(port.waitEvent(5000ms));
    EXPECT_EQ(port.eventWord(), kEventRxChar);

    ASSERT_TRUE(port.setupReadTimeouts(ReadTimeouts::Blocking));
    std::string buffer(reply.size(), '\0');
    std::size_t got = 0;
    ASSERT_TRUE(port.read(buffer.data(), buffer.size(), &got, 5000ms));
    std::size_t waiting = 99;
    ASSERT_TRUE(port.bytesWaiting(&waiting));
    EXPECT_EQ(waiting, 0u);
}

// Each limit of the lines a port is asked for, on both sides: the systems refuse alike what
// lies beyond them.
TEST(LineLimits, LinesArePossibleUpToEachLimitAndNotBeyond) {
    struct Row {
        std::uint32_t baud;
        int dataBits;
        StopBits stopBits;
        bool possible;
    };
    const Row rows[] = {
        {300, 8, StopBits::One, true},    {299, 8, StopBits::One, false},
        {230400, 8, StopBits::One, true}, {230401, 8, StopBits::One, false},
        {12345, 8, StopBits::One, false}, {9600, 5, StopBits::Two, true},
        {9600, 4, StopBits::One, false},  {9600, 8, StopBits::Two, true},
        {9600, 9, StopBits::One, false},  {9600, 8, StopBits::OneAndHalf, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.baud << " baud, " << row.dataBits << " bits");
        EXPECT_EQ(lineIsPossible(LineSettings{row.baud, row.dataBits, Parity::Even, row.stopBits,
                                              Handshake::Off}),
                  row.possible);
    }
}

// The system refuses an impossible line or an unknown handshake or read mode before touching
// the port, and takes those every driver takes.
TEST_F(SerialPortContractTest, ImpossibleLinesAreRefusedAndTheLineKept) {
    struct Row {
        std::uint32_t baud;
        int dataBits;
        StopBits stopBits;
        int error;
    };
    const Row rows[] = {
        {19200, 7, StopBits::Two, 0},     {12345, 8, StopBits::One, EINVAL},
        {9600, 9, StopBits::One, EINVAL}, {9600, 8, StopBits::OneAndHalf, EINVAL},
        {9600, 8, StopBits::One, 0},      {9600, 4, StopBits::One, EINVAL},
    };
    SerialPort port;
    ASSERT_TRUE(port.openPort(line.port));
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.baud << " baud, " << row.dataBits << " bits");
        const LineSettings before = port.line();
        EXPECT_EQ(port.setup(row.baud, row.dataBits, Parity::Even, row.stopBits).error, row.error);
        if (row.error == 0) {
            EXPECT_EQ(port.line().baud, row.baud);
        } else {
            EXPECT_EQ(port.line(), before);
        }
    }
    const LineSettings kept = port.line();
    EXPECT_EQ(port.setupHandshaking(static_cast<Handshake>(3)).error, EINVAL);
    EXPECT_EQ(port.setupReadTimeouts(static_cast<ReadTimeouts>(2)).error, EINVAL);
    EXPECT_EQ(port.lastError(), EINVAL);
    EXPECT_EQ(port.line(), kept);
    ASSERT_TRUE(port.setup(9600, 8, Parity::None, StopBits::One));
    port.sendText(frame);
    ASSERT_TRUE(port.setupReadTimeouts(ReadTimeouts::Blocking));
    std::string buffer(reply.size(), '\0');
    std::size_t got = 0;
    EXPECT_TRUE(port.read(buffer.data(), buffer.size(), &got, 5000ms));
    EXPECT_EQ(buffer, reply) << "the line still works";
}

// The listener's wait ends on its wake-up, and the reply to a frame comes through the
// notifications it posts.
TEST_F(SerialPortContractTest, CloseEndsTheWaitingListenerAndTheReopenedPortAnswers) {
    SerialPort port;
    openListening(port);
    ASSERT_TRUE(port.listenerRunning());
    ASSERT_TRUE(port.setMask(0));  // the listener is woken and waits on
    ASSERT_TRUE(port.listenerRunning());
    EXPECT_TRUE(port.close());
    EXPECT_FALSE(port.listenerRunning());

    openListening(port);
    port.sendText(frame);
    EXPECT_TRUE(owner.runUntil([&] { return received.size() >= reply.size(); }));
    EXPECT_EQ(received, reply);
}

}  // namespace
}  // namespace vn340
