// The serial transport against real pseudo-terminals: the test plays the adapter on the
// master side and the GUI thread's event loop delivers the notifications.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "link/qt_owner_thread.h"
#include "link/serial_port.h"
#include "pass_through_ports.h"
#include "pty.h"

namespace vn340 {
namespace {

using test::Pty;

// Collects the notifications the GUI thread receives.
struct Receiver {
    QObject context;
    QtOwnerThread owner{&context};
    std::vector<ComNotification> notes;

    ComNotify notify() {
        return [this](const ComNotification& note) { notes.push_back(note); };
    }
    bool waitFor(std::size_t count, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return notes.size() >= count; }, timeoutMs);
    }
};

bool waitForInput(SerialPort& port, std::size_t count) {
    return QTest::qWaitFor(
        [&] {
            std::size_t waiting = 0;
            return port.bytesWaiting(&waiting).ok() && waiting >= count;
        },
        5000);
}

std::vector<std::string> deliver(SerialPort& port, const ComNotification& note) {
    std::vector<std::string> blocks;
    EXPECT_EQ(onComData(port, note, [&](std::string_view text) { blocks.emplace_back(text); }), 0);
    return blocks;
}

class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(pty.ok()); }

    void openWithListener(SerialPort& port, std::intptr_t value = 0) {
        ASSERT_TRUE(port.open(pty.path(), receiver.owner, receiver.notify(), value));
        ASSERT_TRUE(port.setup(9600, 8, Parity::None, StopBits::One));
        ASSERT_TRUE(port.setupHandshaking(Handshake::Off));
    }

    Pty pty;
    Receiver receiver;
};

struct BlockCase {
    std::size_t received;
    std::vector<std::size_t> blocks;
};

class SerialBlocksTest : public SerialPortTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(SerialBlocksTest, ReceivedCharactersArriveInBlocksOfAtMostOneHundred) {
    SerialPort port;
    openWithListener(port);
    std::string sent;
    for (std::size_t i = 0; i < GetParam().received; ++i) {
        sent += static_cast<char>('!' + i % 90);
    }
    ASSERT_TRUE(pty.send(sent));
    ASSERT_TRUE(receiver.waitFor(1));
    ASSERT_TRUE(waitForInput(port, sent.size()));

    const ComNotification& note = receiver.notes.front();
    EXPECT_EQ(note.events & kEventRxChar, kEventRxChar);
    const auto blocks = deliver(port, note);
    std::vector<std::size_t> sizes;
    std::string joined;
    for (const auto& block : blocks) {
        sizes.push_back(block.size());
        joined += block;
    }
    EXPECT_EQ(sizes, GetParam().blocks);
    EXPECT_EQ(joined, sent);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SerialBlocksTest,
                         ::testing::Values(BlockCase{250, {100, 100, 50}}, BlockCase{100, {100, 0}},
                                           BlockCase{1, {1}}, BlockCase{200, {100, 100, 0}}));

// A zero byte on the line (noise, or an adapter powering up) loses nothing after it: the
// reply behind it still reaches the engine, in a block of its full length.
TEST_F(SerialPortTest, ZeroBytesArriveAsQuestionMarksWithEverythingAfterThem) {
    struct Row {
        const char* what;
        std::string sent;
        std::vector<std::string> blocks;
    };
    const std::string reply = "000801F7.0340C4";
    const std::string hundred(99, 'x');
    const Row rows[] = {
        {"before a reply", std::string(2, '\0') + reply, {"??" + reply}},
        {"inside a reply",
         std::string("0008\0"
                     "01F7",
                     9),
         {"0008?01F7"}},
        {"ending a full block", hundred + '\0' + reply, {hundred + '?', reply}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Pty line;
        ASSERT_TRUE(line.ok());
        Receiver listener;
        SerialPort port;
        ASSERT_TRUE(port.open(line.path(), listener.owner, listener.notify()));
        ASSERT_TRUE(line.send(row.sent));
        ASSERT_TRUE(listener.waitFor(1));
        ASSERT_TRUE(waitForInput(port, row.sent.size()));
        EXPECT_EQ(deliver(port, listener.notes.front()), row.blocks);
    }
}

TEST_F(SerialPortTest, NotificationWithOnlyBreakOrErrorBitsReadsNothing) {
    SerialPort port;
    openWithListener(port);
    ASSERT_TRUE(pty.send("0123456789"));
    ASSERT_TRUE(waitForInput(port, 10));
    for (std::uint16_t events :
         {kEventBreak, kEventError, std::uint16_t(kEventBreak | kEventError)}) {
        SCOPED_TRACE(events);
        EXPECT_TRUE(deliver(port, ComNotification{events, kLineFrame, 0}).empty());
        std::size_t waiting = 0;
        ASSERT_TRUE(port.bytesWaiting(&waiting));
        EXPECT_EQ(waiting, 10u);
    }
}

TEST_F(SerialPortTest, NotificationCarriesTheValueGivenAtOpen) {
    SerialPort port;
    openWithListener(port, 4711);
    ASSERT_TRUE(pty.send("x"));
    ASSERT_TRUE(receiver.waitFor(1));
    EXPECT_EQ(receiver.notes.front().value, 4711);
    EXPECT_EQ(receiver.notes.front().word() & 0xFFFFu, kEventRxChar);
}

TEST_F(SerialPortTest, NextArrivalNotifiesAgainOnceTheInputWasRead) {
    SerialPort port;
    openWithListener(port);
    ASSERT_TRUE(pty.send("first"));
    ASSERT_TRUE(receiver.waitFor(1));
    ASSERT_TRUE(waitForInput(port, 5));
    EXPECT_EQ(deliver(port, receiver.notes.back()), std::vector<std::string>{"first"});
    ASSERT_TRUE(pty.send("second"));
    ASSERT_TRUE(receiver.waitFor(2));
    ASSERT_TRUE(waitForInput(port, 6));
    EXPECT_EQ(deliver(port, receiver.notes.back()), std::vector<std::string>{"second"});
}

TEST_F(SerialPortTest, SendTextWritesTheFrameWithoutTerminator) {
    SerialPort port;
    openWithListener(port);
    port.sendText("000801F7aa");
    EXPECT_EQ(pty.receive(10), "000801F7aa");
}

// Counts the calls that hold DTR and RTS.
class RecordingSystem : public test::PassThroughPorts {
  public:
    int modemLineCalls = 0;

    SysResult setModemLines(int fd, bool set) override {
        ++modemLineCalls;
        return PassThroughPorts::setModemLines(fd, set);
    }
};

termios lineOf(const Pty& pty) {
    termios t{};
    EXPECT_EQ(::tcgetattr(pty.master(), &t), 0);
    return t;
}

// The adapter may be plugged in after another program left its line otherwise; the port
// layer's open alone brings it back to raw 9600 8N1 without handshake. The line is read back
// through the master, where the pseudo-terminal keeps what was set (except that it forces
// eight data bits without a parity bit: parity shows as its odd flag and its checking).
TEST_F(SerialPortTest, OpenAloneLeavesTheLineRawAtEightNOneWithoutHandshake) {
    termios left = lineOf(pty);
    left.c_cflag |= CSTOPB | PARENB | PARODD | CRTSCTS;
    left.c_iflag |= IXON | IXOFF | INPCK;
    left.c_lflag |= ICANON | ECHO | ISIG;
    ::cfsetispeed(&left, B19200);
    ::cfsetospeed(&left, B19200);

    for (const bool withListener : {false, true}) {
        SCOPED_TRACE(withListener ? "open" : "port layer");
        ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &left), 0);
        const termios before = lineOf(pty);
        ASSERT_EQ(before.c_cflag & (CSTOPB | PARODD | CRTSCTS),
                  static_cast<tcflag_t>(CSTOPB | PARODD | CRTSCTS));
        ASSERT_EQ(::cfgetospeed(&before), static_cast<speed_t>(B19200));

        SerialPort port;
        ASSERT_TRUE(withListener ? port.open(pty.path(), receiver.owner, receiver.notify())
                                 : port.openPort(pty.path()));
        const termios t = lineOf(pty);
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
        EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B9600));
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_cflag & (CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS), 0u);
        EXPECT_NE(t.c_cflag & CLOCAL, 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | INPCK), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
    }
}

TEST_F(SerialPortTest, SetupAndHandshakingReachTheLine) {
    struct Row {
        const char* what;
        std::uint32_t baud;
        Parity parity;
        StopBits stopBits;
        Handshake handshake;
        speed_t speed;
        tcflag_t cflags;  // of CSTOPB, PARODD, CMSPAR, CRTSCTS
        tcflag_t iflags;  // of INPCK, IXON, IXOFF
        int modemLineCalls;
    };
    const Row rows[] = {
        {"the adapter's line", 9600, Parity::None, StopBits::One, Handshake::Off, B9600, 0, 0, 1},
        {"two stop bits, even", 19200, Parity::Even, StopBits::Two, Handshake::Off, B19200, CSTOPB,
         INPCK, 1},
        {"odd", 4800, Parity::Odd, StopBits::One, Handshake::Off, B4800, PARODD, INPCK, 1},
        {"mark", 9600, Parity::Mark, StopBits::One, Handshake::Off, B9600, PARODD | CMSPAR, INPCK,
         1},
        {"space", 9600, Parity::Space, StopBits::One, Handshake::Off, B9600, CMSPAR, INPCK, 1},
        {"hardware handshake", 9600, Parity::None, StopBits::One, Handshake::Hardware, B9600,
         CRTSCTS, 0, 0},
        {"software handshake", 9600, Parity::None, StopBits::One, Handshake::Software, B9600, 0,
         IXON | IXOFF, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RecordingSystem system;
        SerialPort port(system);
        ASSERT_TRUE(port.openPort(pty.path()));
        ASSERT_TRUE(port.setup(row.baud, 8, row.parity, row.stopBits));
        ASSERT_TRUE(port.setupHandshaking(row.handshake));
        const termios t = lineOf(pty);
        EXPECT_EQ(::cfgetospeed(&t), row.speed);
        EXPECT_EQ(t.c_cflag & (CSTOPB | PARODD | CMSPAR | CRTSCTS), row.cflags);
        EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF), row.iflags);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u) << "still raw";
        // DTR and RTS are held low unless they do the handshake.
        EXPECT_EQ(system.modemLineCalls, row.modemLineCalls);
    }
}

// Answers the request for low latency as told, and counts it.
class LowLatencySystem : public test::PassThroughPorts {
  public:
    int answer = 0;
    std::vector<int> askedFor;

    SysResult requestLowLatency(int fd) override {
        askedFor.push_back(fd);
        return answer == 0 ? SysResult{} : SysResult::failure(answer, "refused");
    }
};

// A USB adapter's chip holds replies for its latency timer unless the driver is asked for low
// latency; a driver that has no such setting still gives a working port.
TEST_F(SerialPortTest, OpenAsksForLowLatencyAndWorksWithoutIt) {
    struct Row {
        const char* what;
        int answer;
    };
    const Row rows[] = {
        {"the driver takes it", 0},
        {"a pseudo-terminal", ENOTTY},
        {"a driver without it", EINVAL},
        {"not allowed", EPERM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        LowLatencySystem system;
        system.answer = row.answer;
        SerialPort port(system);
        ASSERT_TRUE(port.open(pty.path(), receiver.owner, receiver.notify()));
        EXPECT_EQ(system.askedFor.size(), 1u);
        port.sendText("000801F7aa");
        EXPECT_EQ(pty.receive(10), "000801F7aa");
    }
}

// The system refuses an impossible line before it changes anything on the device.
TEST_F(SerialPortTest, RefusedLinesLeaveTheDevicesLineAsItWas) {
    SerialPort port;
    ASSERT_TRUE(port.openPort(pty.path()));
    ASSERT_TRUE(port.setup(19200, 8, Parity::None, StopBits::Two));
    EXPECT_EQ(port.setup(12345, 8, Parity::None, StopBits::One).error, EINVAL);
    EXPECT_EQ(port.setup(9600, 9, Parity::None, StopBits::One).error, EINVAL);
    EXPECT_EQ(port.setup(9600, 8, Parity::None, StopBits::OneAndHalf).error, EINVAL);
    const termios t = lineOf(pty);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
}

TEST_F(SerialPortTest, EveryOperationOnAClosedPortReturnsBadHandle) {
    SerialPort port;
    char buffer[4];
    std::size_t count = 0;
    std::uint16_t errors = 0;
    for (const SysResult& refused :
         {port.setup(9600, 8, Parity::None, StopBits::One), port.setupHandshaking(Handshake::Off),
          port.setupReadTimeouts(ReadTimeouts::NonBlocking), port.setMask(kDefaultEventMask),
          port.waitEvent(std::chrono::milliseconds(0)), port.read(buffer, 4, &count),
          port.write(buffer, 4, &count), port.bytesWaiting(&count), port.clearErrors(&errors),
          port.startListener()}) {
        EXPECT_EQ(refused.error, kErrPortClosed);
    }
    EXPECT_EQ(port.lastError(), kErrPortClosed);
}

TEST_F(SerialPortTest, ClosingTwiceAndClosingWithoutListenerSucceed) {
    SerialPort never;
    EXPECT_TRUE(never.close());

    SerialPort portOnly;
    ASSERT_TRUE(portOnly.openPort(pty.path()));
    EXPECT_FALSE(portOnly.listenerRunning());
    EXPECT_TRUE(portOnly.close());
    EXPECT_TRUE(portOnly.close());
    EXPECT_FALSE(portOnly.isOpen());

    SerialPort withListener;
    openWithListener(withListener);
    EXPECT_TRUE(withListener.listenerRunning());
    EXPECT_TRUE(withListener.close());
    EXPECT_FALSE(withListener.listenerRunning());
    EXPECT_TRUE(withListener.close());
}

TEST_F(SerialPortTest, OpeningAnOpenPortFailsAndLeavesItOpen) {
    SerialPort port;
    openWithListener(port);
    EXPECT_EQ(port.open(pty.path(), receiver.owner, receiver.notify()).error, kErrAlreadyOpen);
    EXPECT_EQ(port.openPort(pty.path()).error, kErrAlreadyOpen);
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.listenerRunning());
    port.sendText("still");
    EXPECT_EQ(pty.receive(5), "still");
}

// The pseudo-terminal outlives the close (its master stays open), as the simulator's does
// while the pilot drops the port list down and chooses the port again.
TEST_F(SerialPortTest, ClosedPortIsNoLongerHeldExclusively) {
    SerialPort port;
    openWithListener(port);
    ASSERT_TRUE(port.close());

    const int fd = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    int exclusive = -1;
    EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);

    openWithListener(port);
    port.sendText("again");
    EXPECT_EQ(pty.receive(5), "again");
}

// Lets the test know when the listener has posted, without running the GUI thread's queue.
class PostingObserved : public SerialPort {
  public:
    ~PostingObserved() override { close(); }
    bool waitPosted() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [this] { return posted_; });
    }

  protected:
    void onEvent(std::uint16_t events, std::uint16_t errors) override {
        SerialPort::onEvent(events, errors);
        std::lock_guard lock(mutex_);
        posted_ = true;
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool posted_ = false;
};

TEST_F(SerialPortTest, NotificationsQueuedBeforeCloseAreDropped) {
    PostingObserved port;
    ASSERT_TRUE(port.open(pty.path(), receiver.owner, receiver.notify()));
    ASSERT_TRUE(pty.send("late"));
    ASSERT_TRUE(port.waitPosted());
    EXPECT_TRUE(port.close());
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.notes.empty());
}

// A serial tty whose adapter was unplugged: poll() calls it readable and hung up, and every
// read finds nothing.
class HungUpSystem : public test::PassThroughPorts {
  public:
    int reads = 0;
    SysResult readSome(int, void*, std::size_t, std::size_t* got) override {
        ++reads;
        *got = 0;
        return {};
    }
    SysResult wait(int, bool, bool, int, std::chrono::milliseconds timeout,
                   PortWaitResult* out) override {
        *out = {};
        if (timeout == std::chrono::milliseconds(0)) {  // so that a spinning read ends
            return SysResult::failure(ETIMEDOUT, "time-out");
        }
        out->readable = true;
        out->hungUp = true;
        out->failed = true;
        return {};
    }
};

TEST_F(SerialPortTest, BlockingReadOfAHungUpPortFailsInsteadOfSpinning) {
    HungUpSystem system;
    SerialPort port(system);
    ASSERT_TRUE(port.openPort(pty.path()));
    ASSERT_TRUE(port.setupReadTimeouts(ReadTimeouts::Blocking));
    char buffer[10] = {};
    std::size_t got = 0;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, std::chrono::milliseconds(2000)).error, EIO);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(system.reads, 2);
}

// A wait that fails ends the listener with the system's error and no notification.
class FailingWaitSystem : public test::PassThroughPorts {
  public:
    SysResult wait(int, bool, bool, int, std::chrono::milliseconds, PortWaitResult*) override {
        return SysResult::failure(ENOMEM, "out of memory");
    }
};

TEST_F(SerialPortTest, FailedWaitEndsTheListenerWithItsError) {
    FailingWaitSystem system;
    SerialPort port(system);
    ASSERT_TRUE(port.open(pty.path(), receiver.owner, receiver.notify()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.listenerRunning(); }, 5000));
    EXPECT_EQ(port.listenerError(), ENOMEM);
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.notes.empty());
    EXPECT_TRUE(port.isOpen());  // the port stays open; closing still works
    EXPECT_TRUE(port.close());
}

TEST_F(SerialPortTest, UnpluggedAdapterIsReportedOnceAndTheListenerEnds) {
    // The second port's receiver must outlive the port, whose listener reports to it until the
    // port is closed on destruction.
    Pty other;
    Receiver second;
    SerialPort port;
    openWithListener(port);
    pty.closeMaster();
    ASSERT_TRUE(receiver.waitFor(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.listenerRunning(); }, 5000));
    EXPECT_EQ(port.listenerError(), EIO);
    const ComNotification note = receiver.notes.front();
    EXPECT_EQ(note.events & kEventError, kEventError);
    EXPECT_EQ(note.errors & kLineIoError, kLineIoError);
    // Whatever the window then reads fails quietly.
    EXPECT_TRUE(deliver(port, note).size() <= 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.notes.size(), 1u);
    EXPECT_TRUE(port.close());

    ASSERT_TRUE(other.ok());
    ASSERT_TRUE(port.open(other.path(), second.owner, second.notify()));
    ASSERT_TRUE(other.send("again"));
    ASSERT_TRUE(second.waitFor(1));
    ASSERT_TRUE(waitForInput(port, 5));
    EXPECT_EQ(deliver(port, second.notes.front()), std::vector<std::string>{"again"});
}

}  // namespace
}  // namespace vn340
