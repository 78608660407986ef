#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cerrno>
#include <future>
#include <optional>
#include <vector>

#include "eventually.h"

namespace vn340 {
namespace {

using namespace std::chrono_literals;
using HandOver = SingleInstance::HandOver;

// `::bind` or `::connect` of `fd` with the socket at `path`, as the system's own calls make it.
int at(int (*call)(int, const sockaddr*, socklen_t), int fd, const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    return call(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

// A program that crashed leaves its socket behind: nobody takes the file, so the new start
// runs the window itself and takes the socket over.
TEST(SingleInstance, ASocketLeftByACrashedProgramIsTakenOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString socket = dir.filePath("instance");
    // Bound, then closed without being removed, as the end of a crashed program leaves it.
    const int crashed = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(at(::bind, crashed, socket), 0);
    ::close(crashed);
    ASSERT_TRUE(QFile::exists(socket));

    SingleInstance next(socket);
    EXPECT_EQ(next.handOver(QStringLiteral("/tmp/a.tsf"), 500ms), HandOver::NobodyListens);
    EXPECT_TRUE(next.listen([](const QString&) {}));
    EXPECT_EQ(SingleInstance(dir.filePath("nobody")).handOver(QString(), 500ms),
              HandOver::NobodyListens);
}

// A window that hangs (or is busy past the answer time) still holds its socket: the next
// start must neither count it as gone nor take its socket, or two windows would drive one
// adapter.
TEST(SingleInstance, AWindowThatDoesNotAnswerKeepsItsSocket) {
    for (const bool queueFull : {false, true}) {
        SCOPED_TRACE(queueFull ? "the connection waits in a full queue"
                               : "the connection is made but nothing is read");
        QTemporaryDir dir;
        const QString socket = dir.filePath("instance");
        const int hanging = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(at(::bind, hanging, socket), 0);
        ASSERT_EQ(::listen(hanging, 0), 0);
        // Connections nobody accepts, until the system refuses to queue more.
        std::vector<int> waiting;
        bool full = false;
        while (queueFull && !full && waiting.size() < 100) {
            waiting.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
            full = at(::connect, waiting.back(), socket) != 0 && errno == EAGAIN;
        }
        ASSERT_EQ(full, queueFull);

        SingleInstance next(socket);
        EXPECT_EQ(next.handOver(QStringLiteral("/tmp/a.tsf"), 200ms), HandOver::NoAnswer);
        EXPECT_FALSE(next.listen([](const QString&) {}));
        for (int fd : waiting) {
            ::close(fd);
        }
        ::close(hanging);
    }
}

// The running window, and files arriving at it.
class RunningWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(running.listen([this](const QString& file) { arrived = file; }));
    }

    // A later start's hand-over to the window at `to`, from its own thread as from its own
    // program, while this thread runs the window's event loop.
    HandOver handOverFromAnotherStart(const QString& file, SingleInstance::PeerCheck sameUser = {},
                                      const QString& to = {}) {
        auto done = std::async(std::launch::async, [&] {
            return SingleInstance(to.isEmpty() ? socket : to, sameUser).handOver(file, 5s);
        });
        EXPECT_TRUE(
            testing::eventually([&] { return done.wait_for(0s) == std::future_status::ready; }));
        return done.get();
    }

    QTemporaryDir dir;
    const QString socket = dir.filePath("instance");
    std::optional<QString> arrived;
    SingleInstance running{socket};
};

TEST_F(RunningWindow, TakesEveryFileNameWhole) {
    const struct {
        const char* name;
        QString file;
    } rows[] = {
        {"no file, only to the front", QString()},
        {"a plain path", QStringLiteral("/models/Trex 450.tsf")},
        {"a line break in the name", QStringLiteral("/models/two\nlines.tsf")},
        {"a line break at the end", QStringLiteral("/models/Trex 450.tsf\n")},
        {"letters beyond ASCII", QStringLiteral("/models/ölig/Æ.tsf")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        arrived.reset();
        EXPECT_EQ(handOverFromAnotherStart(row.file), HandOver::Taken);
        EXPECT_EQ(arrived, row.file);
    }
}

// The system may hand the server the message in any pieces; it waits for the end. (That the
// answer is then "taken" every hand-over above shows.)
TEST_F(RunningWindow, TakesAMessageThatArrivesInPieces) {
    QLocalSocket client;
    client.connectToServer(socket);
    ASSERT_TRUE(client.waitForConnected(5000));
    QLocalSocket* server = nullptr;
    ASSERT_TRUE(testing::eventually(
        [&] { return (server = running.findChild<QLocalSocket*>()) != nullptr; }));
    const QByteArray pieces[] = {"/models/Tr", "ex 450.t", QByteArray("sf\0", 3)};
    for (const QByteArray& piece : pieces) {
        EXPECT_FALSE(arrived) << arrived->toStdString();
        QSignalSpy read(server, &QLocalSocket::readyRead);
        client.write(piece);
        ASSERT_TRUE(client.waitForBytesWritten(5000));
        ASSERT_TRUE(read.wait(5000));
    }
    EXPECT_EQ(arrived, QStringLiteral("/models/Trex 450.tsf"));
}

// Only a program of the same user hands over, and only to one of the same user: a program
// that lets in anyone would load whatever another user sends it.
TEST_F(RunningWindow, NeitherEndTalksToAnotherUser) {
    const auto anotherUser = [](qintptr) { return false; };
    EXPECT_EQ(handOverFromAnotherStart(QStringLiteral("/models/a.tsf"), anotherUser),
              HandOver::OtherUser);
    SingleInstance refusing(dir.filePath("refusing"), anotherUser);
    ASSERT_TRUE(refusing.listen([this](const QString& file) { arrived = file; }));
    EXPECT_EQ(handOverFromAnotherStart(QStringLiteral("/b.tsf"), {}, dir.filePath("refusing")),
              HandOver::NoAnswer);
    EXPECT_FALSE(arrived) << arrived->toStdString();
}

}  // namespace
}  // namespace vn340
