#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>

namespace vn340 {
namespace {

// A program that crashed leaves its socket behind: nobody takes the file, so the new start
// runs the window itself and takes the socket over.
TEST(SingleInstance, ASocketLeftByACrashedProgramIsTakenOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString socket = dir.filePath("instance");
    // Bound, then closed without being removed, as the end of a crashed program leaves it.
    const int crashed = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    ASSERT_LT(static_cast<std::size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::bind(crashed, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(crashed);
    ASSERT_TRUE(QFile::exists(socket));

    SingleInstance next(socket);
    EXPECT_FALSE(next.handOver(QStringLiteral("/tmp/a.tsf"), 500));
    EXPECT_TRUE(next.listen([](const QString&) {}));
    EXPECT_FALSE(SingleInstance(dir.filePath("nobody")).handOver(QString(), 500));
}

}  // namespace
}  // namespace vn340
