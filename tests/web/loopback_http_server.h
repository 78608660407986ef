#pragma once

// A small HTTP/1.1 server on the loopback address for the fetch tests. It records the target
// of every request and answers each one as told: a status and a body, sent at once with its
// length so the connection stays open for the next request, or nothing at all.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
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
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(*socket); });
            }
        });
    }

    void setAnswer(Answer answer) { answer_ = std::move(answer); }
    bool listening() const { return server_.isListening(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QUrl url(const char* target) const { return QUrl(base() + QLatin1String(target)); }
    // Request targets as they arrived, byte for byte.
    const QList<QByteArray>& targets() const { return targets_; }
    int connections() const { return connections_; }

  private:
    void serve(QTcpSocket& socket) {
        QByteArray& pending = pending_[&socket];
        pending += socket.readAll();
        for (qsizetype end = pending.indexOf("\r\n\r\n"); end >= 0;
             end = pending.indexOf("\r\n\r\n")) {
            const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
            targets_.append(requestLine.value(1));
            pending.remove(0, end + 4);
            if (!answer_.silent) {
                socket.write("HTTP/1.1 " + answer_.statusLine + "\r\nContent-Type: text/plain" +
                             "\r\nContent-Length: " + QByteArray::number(answer_.body.size()) +
                             "\r\n\r\n" + answer_.body);
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
