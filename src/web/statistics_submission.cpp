#include "web/statistics_submission.h"

#include <QByteArray>
#include <QDate>
#include <QHostAddress>

#include "statistics/statistics_line.h"
#include "web/cancel_switch.h"
#include "web/http_fetcher.h"
#include "web/status_log.h"

namespace vn340 {
namespace {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        return address.toIPv4Address() >> 24 == 127;
    }
    return address.protocol() == QAbstractSocket::IPv6Protocol &&
           address == QHostAddress(QHostAddress::LocalHostIPv6);
}

}  // namespace

StatisticsService StatisticsService::fromEnvironment() {
    return fromOverride(qEnvironmentVariable(kStatisticsServiceVariable));
}

StatisticsService StatisticsService::fromOverride(const QString& override) {
    StatisticsService service;
    if (override.isEmpty()) {
        service.base_ = QUrl(QString::fromLatin1(
            kStatisticsService.data(), static_cast<qsizetype>(kStatisticsService.size())));
        return service;
    }
    const QUrl url(override, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty()) {
        service.problem_ = QStringLiteral("%1 is not an http or https address: %2")
                               .arg(QLatin1String(kStatisticsServiceVariable), override);
    } else if (scheme == QLatin1String("http") && !isLoopbackHost(url.host())) {
        service.problem_ = QStringLiteral(
                               "%1 names plain http for a host other than this computer, which "
                               "would send the line unencrypted; use https: %2")
                               .arg(QLatin1String(kStatisticsServiceVariable), override);
    } else {
        service.base_ = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                                     QUrl::RemoveFragment);
    }
    return service;
}

QUrl StatisticsService::requestUrl(std::string_view line) const {
    if (!problem_.isEmpty()) {
        return {};
    }
    const std::string target = statisticsRequestTarget(line);
    return QUrl::fromEncoded(
        base_.toEncoded() + QByteArray(target.data(), static_cast<qsizetype>(target.size())),
        QUrl::StrictMode);
}

Submission submitStatistics(const std::string& line, StatusLog& hiddenList,
                            const StatisticsService& service, UploadTimeLimits limits,
                            CancelSwitch* cancel) {
    const QUrl url = service.requestUrl(line);
    if (!url.isValid()) {
        return {SubmitResult::RequestFailed, "Error: " + service.problem().toStdString()};
    }

    QByteArray answer;
    HttpFetcher fetcher;
    fetcher.setLogTarget(&hiddenList);
    fetcher.setReloadFromServer(true);
    fetcher.setReceiveTimeout(limits.receive);
    fetcher.setTotalTimeout(limits.whole);
    fetcher.setCancelSwitch(cancel);
    const bool fetched = fetcher.fetch(url, answer, {}, &hiddenList);
    if (fetcher.cancelled()) {
        return {SubmitResult::Cancelled, {}};
    }
    return judgeSubmission(
        fetched, fetcher.statusCode(), fetcher.lastText().toStdString(),
        std::string_view(answer.constData(), static_cast<std::size_t>(answer.size())));
}

int todayDayNumber() {
    return static_cast<int>(QDate(1970, 1, 1).daysTo(QDate::currentDate()));
}

}  // namespace vn340
