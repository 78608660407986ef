#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <cstdio>

#include "app/command_line.h"
#include "app/qt_text.h"
#include "base/local_peer.h"
#include "base/paths.h"
#include "base/private_folder.h"

namespace vn340 {
namespace {

// A hand-over is the file's path in UTF-8 ended by a NUL, which no path holds (a line break may
// be part of a name), answered by "taken" ended the same way once taken.
constexpr char kEnd = '\0';
constexpr char kTaken[] = "taken";  // with its NUL
// Far beyond any path: a program that sends more is not a start of this one.
constexpr qint64 kLongestMessage = 64 * 1024;

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(deadline.remainingTime());
}

// A socket nobody listens on: no socket file, or one left by a program that has ended.
bool nobodyListens(QLocalSocket::LocalSocketError error) {
    return error == QLocalSocket::ServerNotFoundError ||
           error == QLocalSocket::ConnectionRefusedError;
}

void tell(const QString& text) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, text.toLocal8Bit().constData());
}

}  // namespace

SingleInstance::SingleInstance(QString socketName, PeerCheck sameUser, QObject* parent)
    : QObject(parent),
      socketName_(std::move(socketName)),
      sameUser_(sameUser ? std::move(sameUser)
                         : [](qintptr descriptor) { return localPeerIsSameUser(descriptor); }),
      server_(this) {}

QString SingleInstance::defaultSocketName(QString* problem) {
    std::string folder;
    const SysResult found =
        privateFolder(systemPrivateFolderPlaces(), kProgramName, systemFolderAccess(), folder);
    if (!found) {
        if (problem != nullptr) {
            *problem = fromStd(found.message);
        }
        return {};
    }
    return fromStd(joinPath(folder, "vn340-config.socket"));
}

SingleInstance::HandOver SingleInstance::handOver(const QString& file,
                                                  std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(remainingMs(deadline))) {
        return nobodyListens(socket.error()) ? HandOver::NobodyListens : HandOver::NoAnswer;
    }
    if (!sameUser_(socket.socketDescriptor())) {
        return HandOver::OtherUser;
    }
    socket.write(file.toUtf8() + kEnd);
    if (!socket.waitForBytesWritten(remainingMs(deadline))) {
        return HandOver::NoAnswer;
    }
    QByteArray reply;
    while (!reply.contains(kEnd)) {
        if (!socket.waitForReadyRead(remainingMs(deadline))) {
            return HandOver::NoAnswer;
        }
        reply += socket.readAll();
    }
    return reply == QByteArray(kTaken, sizeof kTaken) ? HandOver::Taken : HandOver::NoAnswer;
}

bool SingleInstance::listen(std::function<void(const QString& file)> arrived) {
    arrived_ = std::move(arrived);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            serve(socket);
        }
    });
    // Bound in place, without Qt's access options: those rename a new socket over whatever
    // holds the name, a running window's included.
    if (!server_.listen(socketName_)) {
        // A window that does not answer still holds its socket: taking it over would start a
        // second window on the same adapter. A crashed program's socket refuses at once.
        QLocalSocket probe;
        probe.connectToServer(socketName_);
        if (probe.waitForConnected(0) || !nobodyListens(probe.error())) {
            return false;
        }
        QLocalServer::removeServer(socketName_);
        if (!server_.listen(socketName_)) {
            return false;
        }
    }
    // The folder keeps everyone else out already; the socket admits its owner alone as well.
    QFile::setPermissions(server_.fullServerName(), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

void SingleInstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!sameUser_(socket->socketDescriptor())) {
        // Another user's program has nothing to hand this window.
        socket->abort();
        socket->deleteLater();
        return;
    }
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { take(socket); });
    take(socket);
}

void SingleInstance::take(QLocalSocket* socket) {
    // The message may arrive in pieces: it waits in the socket until its end has come.
    const qsizetype end = socket->peek(kLongestMessage + 1).indexOf(kEnd);
    if (end < 0) {
        if (socket->bytesAvailable() > kLongestMessage) {
            socket->abort();
        }
        return;
    }
    const QString file = QString::fromUtf8(socket->read(end + 1).chopped(1));
    // Answered first: what the window does with the file may take a question to the pilot.
    socket->write(kTaken, sizeof kTaken);
    socket->disconnectFromServer();
    arrived_(file);
}

std::optional<int> SingleInstance::startOrHandOver(const QString& file,
                                                   std::unique_ptr<SingleInstance>& instance) {
    instance.reset();
    QString problem;
    const QString socketName = defaultSocketName(&problem);
    if (socketName.isEmpty()) {
        tell(problem + QStringLiteral(" This start does not look for a window already running."));
        return std::nullopt;
    }
    auto candidate = std::make_unique<SingleInstance>(socketName);
    switch (candidate->handOver(file)) {
        case HandOver::Taken:
            return 0;
        case HandOver::NoAnswer:
            tell(
                QStringLiteral("A window of the program is already running but does not answer. "
                               "Close it, or end it if it hangs, and start again."));
            return 1;
        case HandOver::OtherUser:
            tell(QStringLiteral("Another user's program holds \"%1\". This start does not look "
                                "for a window already running.")
                     .arg(socketName));
            return std::nullopt;
        case HandOver::NobodyListens:
            break;
    }
    instance = std::move(candidate);
    return std::nullopt;
}

}  // namespace vn340
