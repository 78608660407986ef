#pragma once

// A small HTTP/1.1 server on the loopback address. It records the target of every request and
// answers each one as told: a status and a body, sent at once with its length so that the
// connection stays open for the next request, or nothing at all.

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace vn340::testing {

class LoopbackHttpServer : public QObject {
  public:
    struct Answer {
        QByteArray statusLine = "200 OK";
        QByteArray body;
        bool silent = false;  // reads the request and never answers
    };

    LoopbackHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(*socket); });
            }
        });
    }

    void setAnswer(Answer answer) { answer_ = std::move(answer); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QUrl url(const char* target) const { return QUrl(base() + QLatin1String(target)); }
    const QList<QByteArray>& targets() const { return targets_; }
    int connections() const { return connections_; }

  private:
    void serve(QTcpSocket& socket) {
        QByteArray& pending = pending_[&socket];
        pending += socket.readAll();
        for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0; pending.remove(0, end + 4)) {
            targets_.append(pending.left(pending.indexOf("\r\n")).split(' ').value(1));
            if (!answer_.silent) {
                socket.write("HTTP/1.1 " + answer_.statusLine + "\r\nContent-Length: " +
                             QByteArray::number(answer_.body.size()) + "\r\n\r\n" + answer_.body);
            }
        }
    }

    QTcpServer server_;
    Answer answer_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<QByteArray> targets_;
    int connections_ = 0;
};

}  // namespace vn340::testing
