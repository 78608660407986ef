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

#include "web/cancel_switch.h"

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

// Errors that only report the HTTP status of an answer that did arrive: every 4xx and 5xx the
// service sends. Whether it liked the request is for the caller to judge from the status and
// the body, which is read all the same. Qt files them under content (most 4xx), server (5xx)
// and, for 400 and 418, an invalid operation of the protocol. A 407 is left out: a proxy on
// the way asks for a password, and as with a refused connection the way to the service failed.
bool isHttpStatusError(const QNetworkReply& reply) {
    const int code = static_cast<int>(reply.error());
    const bool badRequest =
        reply.error() == QNetworkReply::ProtocolInvalidOperationError &&
        reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
    return (code >= 201 && code < 300) || (code >= 401 && code < 500) || badRequest;
}

QByteArray headerLines(const QNetworkReply& reply) {
    QByteArray lines;
    for (const auto& [name, value] : reply.rawHeaderPairs()) {
        lines += name + ": " + value + "\r\n";
    }
    return lines;
}

// "60 seconds"; milliseconds for a second or less, and for a limit between whole seconds.
QString durationText(std::chrono::milliseconds duration) {
    const auto count = static_cast<long long>(duration.count());
    return count > 1000 && count % 1000 == 0 ? QStringLiteral("%1 seconds").arg(count / 1000)
                                             : QStringLiteral("%1 ms").arg(count);
}

// One request, from the name lookup to the last byte, waited for in a local event loop. A
// timer, restarted by every sign of the server, ends a wait that has gone on too long;
// another ends the whole request at its limit; the cancel switch ends it at once.
class FetchRun {
  public:
    struct Limits {
        std::chrono::milliseconds total{0};
        CancelSwitch* cancel = nullptr;
    };

    FetchRun(LoggingInternetConnection& connection, HttpFetcher::WallClock clock,
             QByteArray& response, Limits limits)
        : connection_(connection), clock_(std::move(clock)), response_(response), limits_(limits) {
        silence_.setSingleShot(true);
        QObject::connect(&silence_, &QTimer::timeout, &loop_, [this] { halt(Stop::Silence); });
        total_.setSingleShot(true);
        QObject::connect(&total_, &QTimer::timeout, &loop_, [this] { halt(Stop::Total); });
        if (limits_.cancel != nullptr) {
            if (limits_.cancel->cancelled()) {
                stop_ = Stop::Cancelled;
            }
            limits_.cancel->listen([this] { halt(Stop::Cancelled); });
        }
    }
    ~FetchRun() {
        if (limits_.cancel != nullptr) {
            limits_.cancel->listen(nullptr);
        }
    }
    FetchRun(const FetchRun&) = delete;
    FetchRun& operator=(const FetchRun&) = delete;

    bool run(const QUrl& url, bool reload) {
        if (limits_.total.count() > 0) {
            total_.start(limits_.total);
        }
        return resolve(connection_.hostToResolve(url)) && transfer(url, reload);
    }
    bool cancelled() const { return stop_ == Stop::Cancelled; }

    double rate = 0;
    int statusCode = 0;
    QByteArray headers;

  private:
    enum class Stop { None, Silence, Total, Cancelled };

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
            abort_ = [id] { QHostInfo::abortHostLookup(id); };
            wait();
            if (stop_ != Stop::None) {
                return failStopped();
            }
            if (found.error() != QHostInfo::NoError || found.addresses().isEmpty()) {
                connection_.logError(found.errorString());
                return false;
            }
        }
        if (stop_ != Stop::None) {
            return failStopped();
        }
        connection_.onStatus(InternetStatus::NameResolved, host);
        return true;
    }

    bool transfer(const QUrl& url, bool reload) {
        QNetworkRequest request(url);
        request.setHeader(QNetworkRequest::UserAgentHeader, connection_.agent());
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::UserVerifiedRedirectPolicy);
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
        QObject::connect(r, &QNetworkReply::redirected, &loop_, [this, r](const QUrl& target) {
            alive();
            if (target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
                connection_.log(
                    QStringLiteral("Redirected to %1").arg(target.toString(QUrl::RemoveQuery)));
                emit r->redirectAllowed();
                return;
            }
            connection_.log(QStringLiteral("Not following the redirect to %1")
                                .arg(target.toString(QUrl::RemoveQuery)));
            redirectRefused_ = true;
            statusCode = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            headers = headerLines(*r);
            r->abort();
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
        abort_ = [r] { r->abort(); };
        wait();

        if (stop_ != Stop::None) {
            return failStopped();
        }
        // The redirecting answer is the answer: its status tells the caller it was not taken.
        if (redirectRefused_) {
            return true;
        }
        if (r->error() != QNetworkReply::NoError && !isHttpStatusError(*r)) {
            connection_.logError(r->errorString());
            return false;
        }
        statusCode = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        headers = headerLines(*r);
        return true;
    }

    void readPieces(QNetworkReply& reply) {
        if (!reply.isReadable()) {
            return;
        }
        for (QByteArray piece = reply.read(kPieceSize); !piece.isEmpty();
             piece = reply.read(kPieceSize)) {
            response_ += piece;
            logProgress();
        }
    }

    void logProgress() {
        const std::int64_t now = clock_();
        if (!start_) {
            start_ = now;
        }
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

    bool failStopped() {
        switch (stop_) {
            case Stop::Silence:
                connection_.logError(QStringLiteral("The operation timed out"));
                break;
            case Stop::Total:
                connection_.logError(QStringLiteral("The request did not end within %1")
                                         .arg(durationText(limits_.total)));
                break;
            case Stop::Cancelled:
            case Stop::None:
                connection_.logError(QStringLiteral("The request was cancelled"));
                break;
        }
        return false;
    }

    // Runs the loop until finish(). Timers, sockets and painting go on; input waits, unless
    // it is how the pilot cancels.
    void wait() {
        done_ = false;
        if (stop_ != Stop::None) {
            if (abort_) {
                abort_();
            }
        } else {
            alive();
            if (!done_) {
                loop_.exec(limits_.cancel != nullptr ? QEventLoop::AllEvents
                                                     : QEventLoop::ExcludeUserInputEvents);
            }
        }
        silence_.stop();
        abort_ = nullptr;
    }

    // Ends the wait, and everything after it, for `why`.
    void halt(Stop why) {
        if (stop_ != Stop::None) {
            return;
        }
        stop_ = why;
        if (abort_) {
            abort_();
        }
        finish();
    }

    void alive() {
        if (connection_.receiveTimeout().count() > 0) {
            silence_.start(connection_.receiveTimeout());
        }
    }

    void finish() {
        done_ = true;
        silence_.stop();
        loop_.quit();
    }

    LoggingInternetConnection& connection_;
    HttpFetcher::WallClock clock_;
    QByteArray& response_;
    Limits limits_;
    QEventLoop loop_;
    QTimer silence_;
    QTimer total_;
    std::function<void()> abort_;
    bool done_ = false;
    bool redirectRefused_ = false;
    Stop stop_ = Stop::None;
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
    if (!connection_) {
        openConnection(agent, statusWindow);
    } else if (statusWindow != nullptr) {
        connection_->setStatusWindow(statusWindow);
    }

    FetchRun run(*connection_, wallClock_ ? wallClock_ : systemWallClock, response,
                 {totalTimeout_, cancel_});
    const bool fetched = run.run(url, reloadFromServer_);
    cancelled_ = run.cancelled();
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
