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

#include "link/serial_port.h"
#include "pty.h"

namespace vn340 {
namespace {

using test::Pty;

// Collects the notifications the GUI thread receives.
struct Receiver {
    QObject context;
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
            return port.bytesWaiting(&waiting) == 0 && waiting >= count;
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
        ASSERT_EQ(port.open(pty.path(), &receiver.context, receiver.notify(), value), 0);
        ASSERT_EQ(port.setup(9600, 8, Parity::None, StopBits::One), 0);
        ASSERT_EQ(port.setupHandshaking(0), 0);
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
    for (std::size_t i = 0; i < GetParam().received; ++i)
        sent += static_cast<char>('!' + i % 90);
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

TEST_F(SerialPortTest, ZeroByteEndsItsBlocksText) {
    SerialPort port;
    openWithListener(port);
    ASSERT_TRUE(pty.send(std::string_view("AB\0CD", 5)));
    ASSERT_TRUE(receiver.waitFor(1));
    ASSERT_TRUE(waitForInput(port, 5));
    EXPECT_EQ(deliver(port, receiver.notes.front()), std::vector<std::string>{"AB"});
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
        ASSERT_EQ(port.bytesWaiting(&waiting), 0);
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

// Passes every call to the real system and keeps the last line settings written (a
// pseudo-terminal forces eight data bits without parity, so it cannot show them itself).
class RecordingSystem : public PortSystem {
  public:
    termios last{};
    int writes = 0;
    int modemLineCalls = 0;

    int openDevice(const char* path, int* fd) override { return real().openDevice(path, fd); }
    int closeDevice(int fd) override { return real().closeDevice(fd); }
    int makeExclusive(int fd) override { return real().makeExclusive(fd); }
    int getAttributes(int fd, termios* t) override { return real().getAttributes(fd, t); }
    int setAttributes(int fd, const termios& t) override {
        last = t;
        ++writes;
        return real().setAttributes(fd, t);
    }
    int setModemLines(int fd, bool set) override {
        ++modemLineCalls;
        return real().setModemLines(fd, set);
    }
    int readSome(int fd, void* b, std::size_t n, std::size_t* got) override {
        return real().readSome(fd, b, n, got);
    }
    int writeSome(int fd, const void* b, std::size_t n, std::size_t* w) override {
        return real().writeSome(fd, b, n, w);
    }
    int bytesWaiting(int fd, std::size_t* n) override { return real().bytesWaiting(fd, n); }
    int lineCounters(int fd, LineCounters* c) override { return real().lineCounters(fd, c); }
    int wait(int fd, bool r, bool w, int wakeFd, int ms, PortWaitResult* out) override {
        return real().wait(fd, r, w, wakeFd, ms, out);
    }
    int createWakeup(int* fd) override { return real().createWakeup(fd); }
    int signalWakeup(int fd) override { return real().signalWakeup(fd); }
    int drainWakeup(int fd) override { return real().drainWakeup(fd); }
    int closeWakeup(int fd) override { return real().closeWakeup(fd); }

  private:
    static PortSystem& real() { return posixPortSystem(); }
};

TEST_F(SerialPortTest, OpenSetsRawNineSixHundredEightNOne) {
    RecordingSystem system;
    SerialPort port(system);
    ASSERT_EQ(port.open(pty.path(), &receiver.context, receiver.notify()), 0);
    ASSERT_EQ(port.setup(9600, 8, Parity::None, StopBits::One), 0);
    ASSERT_EQ(port.setupHandshaking(0), 0);
    const termios& t = system.last;
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(system.modemLineCalls, 1);  // DTR and RTS held low, not for handshaking

    ASSERT_EQ(port.setup(19200, 7, Parity::Even, StopBits::Two), 0);
    EXPECT_EQ(::cfgetospeed(&system.last), static_cast<speed_t>(B19200));
    EXPECT_EQ(system.last.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(system.last.c_cflag & (PARENB | PARODD | CSTOPB),
              static_cast<tcflag_t>(PARENB | CSTOPB));
    EXPECT_NE(system.last.c_iflag & INPCK, 0u);

    ASSERT_EQ(port.setup(9600, 8, Parity::Odd, StopBits::One), 0);
    EXPECT_EQ(system.last.c_cflag & (PARENB | PARODD), static_cast<tcflag_t>(PARENB | PARODD));

    ASSERT_EQ(port.setupHandshaking(1), 0);
    EXPECT_NE(system.last.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(system.last.c_iflag & (IXON | IXOFF), 0u);

    ASSERT_EQ(port.setupHandshaking(2), 0);
    EXPECT_EQ(system.last.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(system.last.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    port.close();
}

TEST_F(SerialPortTest, InvalidArgumentsAreRefusedAndTheLineKept) {
    SerialPort port;
    openWithListener(port);
    EXPECT_EQ(port.setupHandshaking(3), EINVAL);
    EXPECT_EQ(port.lastError(), EINVAL);
    EXPECT_EQ(port.setupReadTimeouts(2), EINVAL);
    EXPECT_EQ(port.setup(12345, 8, Parity::None, StopBits::One), EINVAL);
    EXPECT_EQ(port.setup(9600, 9, Parity::None, StopBits::One), EINVAL);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(SerialPortTest, EveryOperationOnAClosedPortReturnsBadHandle) {
    SerialPort port;
    char buffer[4];
    std::size_t count = 0;
    std::uint16_t errors = 0;
    EXPECT_EQ(port.setup(9600, 8, Parity::None, StopBits::One), kErrPortClosed);
    EXPECT_EQ(port.setupHandshaking(0), kErrPortClosed);
    EXPECT_EQ(port.setupReadTimeouts(0), kErrPortClosed);
    EXPECT_EQ(port.setMask(kDefaultEventMask), kErrPortClosed);
    EXPECT_EQ(port.waitEvent(0), kErrPortClosed);
    EXPECT_EQ(port.read(buffer, 4, &count), kErrPortClosed);
    EXPECT_EQ(port.write(buffer, 4, &count), kErrPortClosed);
    EXPECT_EQ(port.bytesWaiting(&count), kErrPortClosed);
    EXPECT_EQ(port.clearErrors(&errors), kErrPortClosed);
    EXPECT_EQ(port.startListener(), kErrPortClosed);
    EXPECT_EQ(port.lastError(), kErrPortClosed);
}

TEST_F(SerialPortTest, ClosingTwiceAndClosingWithoutListenerSucceed) {
    SerialPort never;
    EXPECT_EQ(never.close(), 0);

    SerialPort portOnly;
    ASSERT_EQ(portOnly.openPort(pty.path()), 0);
    EXPECT_FALSE(portOnly.listenerRunning());
    EXPECT_EQ(portOnly.close(), 0);
    EXPECT_EQ(portOnly.close(), 0);
    EXPECT_FALSE(portOnly.isOpen());

    SerialPort withListener;
    openWithListener(withListener);
    EXPECT_TRUE(withListener.listenerRunning());
    EXPECT_EQ(withListener.close(), 0);
    EXPECT_FALSE(withListener.listenerRunning());
    EXPECT_EQ(withListener.close(), 0);
}

TEST_F(SerialPortTest, OpeningAnOpenPortFailsAndLeavesItOpen) {
    SerialPort port;
    openWithListener(port);
    EXPECT_EQ(port.open(pty.path(), &receiver.context, receiver.notify()), kErrAlreadyOpen);
    EXPECT_EQ(port.openPort(pty.path()), kErrAlreadyOpen);
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.listenerRunning());
    port.sendText("still");
    EXPECT_EQ(pty.receive(5), "still");
}

TEST_F(SerialPortTest, SecondOpenOfTheDeviceIsRefused) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser is not held back by an exclusive open";
    SerialPort first;
    ASSERT_EQ(first.openPort(pty.path()), 0);
    SerialPort second;
    EXPECT_EQ(second.openPort(pty.path()), EBUSY);
}

// The pseudo-terminal outlives the close (its master stays open), as the simulator's does
// while the pilot drops the port list down and chooses the port again.
TEST_F(SerialPortTest, ClosedPortIsNoLongerHeldExclusively) {
    SerialPort port;
    openWithListener(port);
    ASSERT_EQ(port.close(), 0);

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

TEST_F(SerialPortTest, MissingDeviceReportsTheSystemError) {
    SerialPort port;
    EXPECT_EQ(port.open("/dev/vn340-no-such-port", &receiver.context, receiver.notify()), ENOENT);
    EXPECT_FALSE(port.isOpen());
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
    ASSERT_EQ(port.open(pty.path(), &receiver.context, receiver.notify()), 0);
    ASSERT_TRUE(pty.send("late"));
    ASSERT_TRUE(port.waitPosted());
    EXPECT_EQ(port.close(), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.notes.empty());
}

TEST_F(SerialPortTest, BlockingReadTimesOutWithWhatCame) {
    SerialPort port;
    ASSERT_EQ(port.openPort(pty.path()), 0);
    ASSERT_EQ(port.setupReadTimeouts(1), 0);
    ASSERT_TRUE(pty.send("abc"));
    char buffer[10] = {};
    std::size_t got = 0;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, 50), ETIMEDOUT);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(std::string(buffer, got), "abc");
}

// A serial tty whose adapter was unplugged: poll() calls it readable and hung up, and every
// read finds nothing.
class HungUpSystem : public RecordingSystem {
  public:
    int reads = 0;
    int readSome(int, void*, std::size_t, std::size_t* got) override {
        ++reads;
        *got = 0;
        return 0;
    }
    int wait(int, bool, bool, int, int timeoutMs, PortWaitResult* out) override {
        *out = {};
        if (timeoutMs == 0)
            return ETIMEDOUT;  // so that a spinning read ends with its time-out
        out->readable = true;
        out->hungUp = true;
        out->failed = true;
        return 0;
    }
};

TEST_F(SerialPortTest, BlockingReadOfAHungUpPortFailsInsteadOfSpinning) {
    HungUpSystem system;
    SerialPort port(system);
    ASSERT_EQ(port.openPort(pty.path()), 0);
    ASSERT_EQ(port.setupReadTimeouts(1), 0);
    char buffer[10] = {};
    std::size_t got = 0;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, 2000), EIO);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(system.reads, 2);
}

TEST_F(SerialPortTest, WaitEventReportsReceivedCharactersAndTimesOut) {
    SerialPort port;
    ASSERT_EQ(port.openPort(pty.path()), 0);
    EXPECT_EQ(port.waitEvent(10), ETIMEDOUT);
    ASSERT_TRUE(pty.send("z"));
    EXPECT_EQ(port.waitEvent(5000), 0);
    EXPECT_EQ(port.eventWord(), kEventRxChar);
}

// A wait that fails ends the listener with the system's error and no notification.
class FailingWaitSystem : public RecordingSystem {
  public:
    int wait(int, bool, bool, int, int, PortWaitResult*) override { return ENOMEM; }
};

TEST_F(SerialPortTest, FailedWaitEndsTheListenerWithItsError) {
    FailingWaitSystem system;
    SerialPort port(system);
    ASSERT_EQ(port.open(pty.path(), &receiver.context, receiver.notify()), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.listenerRunning(); }, 5000));
    EXPECT_EQ(port.listenerResult(), ENOMEM);
    QCoreApplication::processEvents();
    EXPECT_TRUE(receiver.notes.empty());
    EXPECT_TRUE(port.isOpen());  // the port stays open; closing still works
    EXPECT_EQ(port.close(), 0);
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
    EXPECT_EQ(port.listenerResult(), EIO);
    const ComNotification note = receiver.notes.front();
    EXPECT_EQ(note.events & kEventError, kEventError);
    EXPECT_EQ(note.errors & kLineIoError, kLineIoError);
    // Whatever the window then reads fails quietly.
    EXPECT_TRUE(deliver(port, note).size() <= 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.notes.size(), 1u);
    EXPECT_EQ(port.close(), 0);

    ASSERT_TRUE(other.ok());
    ASSERT_EQ(port.open(other.path(), &second.context, second.notify()), 0);
    ASSERT_TRUE(other.send("again"));
    ASSERT_TRUE(second.waitFor(1));
    ASSERT_TRUE(waitForInput(port, 5));
    EXPECT_EQ(deliver(port, second.notes.front()), std::vector<std::string>{"again"});
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
