#include "web/statistics_submission.h"

#include <QByteArray>
#include <QDate>

#include "web/http_fetcher.h"
#include "web/statistics_line.h"
#include "web/status_log.h"

namespace vn340 {

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
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty()) {
        service.base_ = url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                                     QUrl::RemoveFragment);
    } else {
        service.problem_ = QStringLiteral("%1 is not an http or https address: %2")
                               .arg(QLatin1String(kStatisticsServiceVariable), override);
    }
    return service;
}

QUrl StatisticsService::requestUrl(std::string_view line) const {
    if (!problem_.isEmpty())
        return {};
    const std::string target = statisticsRequestTarget(line);
    return QUrl::fromEncoded(
        base_.toEncoded() + QByteArray(target.data(), static_cast<qsizetype>(target.size())),
        QUrl::StrictMode);
}

Submission submitStatistics(const std::string& line, StatusLog& hiddenList,
                            const StatisticsService& service,
                            std::chrono::milliseconds receiveTimeout) {
    const QUrl url = service.requestUrl(line);
    if (!url.isValid())
        return {SubmitResult::RequestFailed, "Error: " + service.problem().toStdString()};

    QByteArray answer;
    HttpFetcher fetcher;
    fetcher.setLogTarget(&hiddenList);
    fetcher.setReloadFromServer(true);
    fetcher.setReceiveTimeout(receiveTimeout);
    const bool fetched = fetcher.fetch(url, answer, {}, &hiddenList);
    return judgeSubmission(
        fetched, fetcher.lastText().toStdString(),
        std::string_view(answer.constData(), static_cast<std::size_t>(answer.size())));
}

int todayDayNumber() {
    return static_cast<int>(QDate(1970, 1, 1).daysTo(QDate::currentDate()));
}

}  // namespace vn340
