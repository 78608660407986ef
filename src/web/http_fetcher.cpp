#include "web/http_fetcher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

namespace vn340 {
namespace {

constexpr qint64 kPieceSize = 1024;

std::int64_t systemWallClock() {
    return QDateTime::currentSecsSinceEpoch();
}

QString defaultAgent() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("vn340-config") : name;
}

// Errors that only report the HTTP status of an answer that did arrive. Whether the service
// liked the request is for the caller to judge from the body, which is read all the same.
bool isHttpStatusError(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 201 && code < 300) || (code >= 401 && code < 500);
}

QByteArray headerLines(const QNetworkReply& reply) {
    QByteArray lines;
    for (const auto& [name, value] : reply.rawHeaderPairs())
        lines += name + ": " + value + "\r\n";
    return lines;
}

// One request, from the name lookup to the last byte, waited for in a local event loop. A
// timer, restarted by every sign of the server, ends a wait that has gone on too long.
class FetchRun {
  public:
    FetchRun(LoggingInternetConnection& connection, HttpFetcher::WallClock clock,
             QByteArray& response)
        : connection_(connection), clock_(std::move(clock)), response_(response) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] {
            timedOut_ = true;
            if (onTimeout_)
                onTimeout_();
            finish();
        });
    }

    bool run(const QUrl& url, bool reload) {
        return resolve(connection_.hostToResolve(url)) && transfer(url, reload);
    }

    double rate = 0;
    int statusCode = 0;
    QByteArray headers;

  private:
    bool resolve(const QString& host) {
        connection_.onStatus(InternetStatus::ResolvingName, host);
        // An address needs no lookup (asked for one, the resolver would look for its name).
        if (QHostAddress(host).isNull()) {
            QHostInfo found;
            const int id =
                QHostInfo::lookupHost(host, &loop_, [this, &found](const QHostInfo& info) {
                    found = info;
                    finish();
                });
            onTimeout_ = [id] { QHostInfo::abortHostLookup(id); };
            wait();
            if (timedOut_)
                return failTimedOut();
            if (found.error() != QHostInfo::NoError || found.addresses().isEmpty()) {
                connection_.logError(found.errorString());
                return false;
            }
        }
        connection_.onStatus(InternetStatus::NameResolved, host);
        return true;
    }

    bool transfer(const QUrl& url, bool reload) {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader, connection_.agent());
        if (reload) {
            request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                                 QNetworkRequest::AlwaysNetwork);
            request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
            // Proxies on the way must not answer from their caches either.
            request.setRawHeader("Cache-Control", "no-cache");
            request.setRawHeader("Pragma", "no-cache");
        }
        const std::unique_ptr<QNetworkReply> reply(connection_.manager().get(request));
        QNetworkReply* r = reply.get();
        QObject::connect(r, &QNetworkReply::socketStartedConnecting, &loop_, [this] {
            alive();
            connection_.onStatus(InternetStatus::ConnectingToServer);
        });
        QObject::connect(r, &QNetworkReply::requestSent, &loop_, [this] {
            alive();
            connection_.onStatus(InternetStatus::RequestSent);
        });
        QObject::connect(r, &QNetworkReply::metaDataChanged, &loop_, [this] {
            alive();
            if (!start_) {
                start_ = clock_();
                connection_.onStatus(InternetStatus::ResponseReceived);
            }
        });
        QObject::connect(r, &QNetworkReply::readyRead, &loop_, [this, r] {
            alive();
            readPieces(*r);
        });
        QObject::connect(r, &QNetworkReply::finished, &loop_, [this, r] {
            readPieces(*r);
            connection_.onStatus(InternetStatus::RequestComplete);
            finish();
        });
        onTimeout_ = [r] { r->abort(); };
        wait();

        if (timedOut_)
            return failTimedOut();
        if (r->error() != QNetworkReply::NoError && !isHttpStatusError(r->error())) {
            connection_.logError(r->errorString());
            return false;
        }
        statusCode = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        headers = headerLines(*r);
        return true;
    }

    void readPieces(QNetworkReply& reply) {
        if (!reply.isReadable())
            return;
        for (QByteArray piece = reply.read(kPieceSize); !piece.isEmpty();
             piece = reply.read(kPieceSize)) {
            response_ += piece;
            logProgress();
        }
    }

    void logProgress() {
        const std::int64_t now = clock_();
        if (!start_)
            start_ = now;
        const std::int64_t seconds = now - *start_;
        const auto bytes = static_cast<long long>(response_.size());
        if (seconds > 0) {
            rate = static_cast<double>(bytes) / 1024.0 / static_cast<double>(seconds);
            connection_.log(QString::asprintf("Downloading lastest update %lld bytes (%0.1f Kb/s)",
                                              bytes, rate));
        } else {
            rate = static_cast<double>(bytes);
            connection_.log(QString::asprintf("Downloading lastest update %lld bytes", bytes));
        }
    }

    bool failTimedOut() {
        connection_.logError(QStringLiteral("The operation timed out"));
        return false;
    }

    // Runs the loop until finish(); timers, sockets and painting go on, input waits.
    void wait() {
        done_ = false;
        timedOut_ = false;
        alive();
        if (!done_)
            loop_.exec(QEventLoop::ExcludeUserInputEvents);
        timer_.stop();
        onTimeout_ = nullptr;
    }

    void alive() {
        if (connection_.receiveTimeout().count() > 0)
            timer_.start(connection_.receiveTimeout());
    }

    void finish() {
        done_ = true;
        timer_.stop();
        loop_.quit();
    }

    LoggingInternetConnection& connection_;
    HttpFetcher::WallClock clock_;
    QByteArray& response_;
    QEventLoop loop_;
    QTimer timer_;
    std::function<void()> onTimeout_;
    bool done_ = false;
    bool timedOut_ = false;
    std::optional<std::int64_t> start_;
};

}  // namespace

HttpFetcher::HttpFetcher() = default;
HttpFetcher::~HttpFetcher() = default;

void HttpFetcher::setProxy(const QString& host, quint16 port) {
    proxy_ = std::make_pair(host, port);
}

bool HttpFetcher::fetch(const QUrl& url, QByteArray& response, const QString& agent,
                        StatusLog* statusWindow) {
    responseHeaders_.clear();
    statusCode_ = 0;
    response.clear();
    if (!connection_)
        openConnection(agent, statusWindow);
    else if (statusWindow != nullptr)
        connection_->setStatusWindow(statusWindow);

    FetchRun run(*connection_, wallClock_ ? wallClock_ : systemWallClock, response);
    const bool fetched = run.run(url, reloadFromServer_);
    transferRate_ = run.rate;
    if (fetched) {
        statusCode_ = run.statusCode;
        responseHeaders_ = run.headers;
    }
    return fetched;
}

QString HttpFetcher::lastText() const {
    return connection_ ? connection_->lastText() : QString();
}

void HttpFetcher::closeConnection() {
    connection_.reset();
}

void HttpFetcher::openConnection(const QString& agent, StatusLog* statusWindow) {
    closeConnection();
    connection_ = std::make_unique<LoggingInternetConnection>(
        agent.isEmpty() ? defaultAgent() : agent, statusWindow);
    connection_->setLogTarget(logTarget_);
    connection_->setReceiveTimeout(receiveTimeout_);
    if (proxy_) {
        connection_->setProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, proxy_->first, proxy_->second));
    }
}

}  // namespace vn340
