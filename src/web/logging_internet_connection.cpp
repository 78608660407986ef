#include "web/logging_internet_connection.h"

#include <QNetworkProxyFactory>
#include <QUrl>

#include <utility>

#include "web/status_log.h"

namespace vn340 {
namespace {

constexpr qsizetype kLineLimit = 511;
constexpr qsizetype kErrorMessageLimit = 254;

QString statusText(InternetStatus status, const QString& info) {
    switch (status) {
        case InternetStatus::ResolvingName:
            return QStringLiteral("Resolving name for %1").arg(info);
        case InternetStatus::NameResolved:
            return QStringLiteral("Resolved name for %1").arg(info);
        case InternetStatus::ConnectingToServer:
            return QStringLiteral("Connecting to socket address ");
        case InternetStatus::RequestSent:
            return QStringLiteral("Request sent");
        case InternetStatus::ResponseReceived:
            return QStringLiteral("Response received");
        case InternetStatus::RequestComplete:
            return QStringLiteral("Request complete");
    }
    return QStringLiteral("Unknown status: %1").arg(static_cast<int>(status));
}

}  // namespace

LoggingInternetConnection::LoggingInternetConnection(QString agent, StatusLog* statusWindow)
    : agent_(std::move(agent)), statusWindow_(statusWindow) {}

void LoggingInternetConnection::setProxy(const QNetworkProxy& proxy) {
    manager_.setProxy(proxy);
}

QString LoggingInternetConnection::hostToResolve(const QUrl& url) const {
    QNetworkProxy proxy = manager_.proxy();
    if (proxy.type() == QNetworkProxy::DefaultProxy) {
        const QList<QNetworkProxy> proxies =
            QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
        proxy = proxies.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy) : proxies.first();
    }
    const bool direct = proxy.type() == QNetworkProxy::NoProxy ||
                        proxy.type() == QNetworkProxy::DefaultProxy || proxy.hostName().isEmpty();
    return direct ? url.host() : proxy.hostName();
}

void LoggingInternetConnection::onStatus(InternetStatus status, const QString& info) {
    log(statusText(status, info));
}

void LoggingInternetConnection::log(const QString& text) {
    lastText_ = text.left(kLineLimit);
    if (statusWindow_ == nullptr) {
        return;
    }
    if (logTarget_ != nullptr) {
        logTarget_->replaceLatest(lastText_);
    }
    statusWindow_->redrawNow();
}

void LoggingInternetConnection::logError(const QString& message) {
    log(QStringLiteral("Error: ") + message.left(kErrorMessageLimit));
}

}  // namespace vn340
