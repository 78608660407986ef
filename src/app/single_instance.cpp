#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>

namespace vn340 {
namespace {

// A hand-over is one line, the file's path in UTF-8, answered by one line once taken.
constexpr char kTaken[] = "taken\n";

}  // namespace

SingleInstance::SingleInstance(QString socketName, QObject* parent)
    : QObject(parent), socketName_(std::move(socketName)), server_(this) {}

QString SingleInstance::defaultSocketName() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/vn340-config.socket");
    return QDir::tempPath() + QStringLiteral("/vn340-config-%1.socket").arg(::getuid());
}

bool SingleInstance::handOver(const QString& file, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == kTaken;
}

bool SingleInstance::listen(std::function<void(const QString& file)> arrived) {
    arrived_ = std::move(arrived);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection())
            serve(socket);
    });
    if (server_.listen(socketName_))
        return true;
    // Nobody answered on it (handOver() came first), so it is a dead program's.
    QLocalServer::removeServer(socketName_);
    return server_.listen(socketName_);
}

void SingleInstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine())
            return;
        const QString file = QString::fromUtf8(socket->readLine()).chopped(1);
        // Answered first: what the window does with the file may take a question to the pilot.
        socket->write(kTaken);
        socket->disconnectFromServer();
        arrived_(file);
    });
}

}  // namespace vn340
