#pragma once

// A small HTTP/1.1 server on the loopback address. It records every request as it arrived
// (method, target and header lines) and answers each one as told: a status, header lines and a
// body, sent at once with its length so that the connection stays open for the next request,
// or the body a byte at a time, or nothing at all.

#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace vn340::testing {

class LoopbackHttpServer : public QObject {
  public:
    struct Answer {
        QByteArray statusLine = "200 OK";
        QByteArray body{};
        bool silent = false;  // reads the request and never answers
        // Each "Name: value\r\n", sent after the status line.
        QByteArray headers{};
        // Above 0: the body goes a byte at a time, this many milliseconds apart.
        int trickleMs = 0;
    };

    struct Request {
        QByteArray method;
        QByteArray target;
        // Names as sent; a value is everything after ": ".
        QList<std::pair<QByteArray, QByteArray>> headers;

        QList<QByteArray> values(const QByteArray& name) const {
            QList<QByteArray> found;
            for (const auto& [header, value] : headers) {
                if (header.compare(name, Qt::CaseInsensitive) == 0) {
                    found.append(value);
                }
            }
            return found;
        }
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
    // For requests of this one target (path and query), instead of the answer to all others.
    void setAnswerFor(const QByteArray& target, Answer answer) {
        answersFor_.insert(target, std::move(answer));
    }
    quint16 port() const { return server_.serverPort(); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    QUrl url(const char* target) const { return QUrl(base() + QLatin1String(target)); }
    const QList<Request>& requests() const { return requests_; }
    QList<QByteArray> targets() const {
        QList<QByteArray> found;
        for (const Request& request : requests_) {
            found.append(request.target);
        }
        return found;
    }
    int connections() const { return connections_; }

  private:
    void serve(QTcpSocket& socket) {
        QByteArray& pending = pending_[&socket];
        pending += socket.readAll();
        for (qsizetype end; (end = pending.indexOf("\r\n\r\n")) >= 0; pending.remove(0, end + 4)) {
            requests_.append(parse(pending.left(end)));
            const Answer& answer = answersFor_.contains(requests_.last().target)
                                       ? answersFor_[requests_.last().target]
                                       : answer_;
            if (answer.silent) {
                continue;
            }
            socket.write("HTTP/1.1 " + answer.statusLine + "\r\n" + answer.headers +
                         "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n");
            if (answer.trickleMs > 0) {
                trickle(socket, answer.body, answer.trickleMs);
            } else {
                socket.write(answer.body);
            }
        }
    }

    static Request parse(const QByteArray& head) {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        Request request{first.value(0), first.value(1), {}};
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0) {
                request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
            }
        }
        return request;
    }

    static void trickle(QTcpSocket& socket, const QByteArray& body, int intervalMs) {
        auto* timer = new QTimer(&socket);
        auto rest = std::make_shared<QByteArray>(body);
        connect(timer, &QTimer::timeout, &socket, [&socket, timer, rest] {
            socket.write(rest->left(1));
            rest->remove(0, 1);
            if (rest->isEmpty()) {
                timer->stop();
            }
        });
        timer->start(intervalMs);
    }

    QTcpServer server_;
    Answer answer_;
    QHash<QByteArray, Answer> answersFor_;
    QHash<QTcpSocket*, QByteArray> pending_;
    QList<Request> requests_;
    int connections_ = 0;
};

}  // namespace vn340::testing
