#pragma once

// The upload of a statistics line to the maker's service: one GET through a fresh fetcher,
// logged into the window's hidden status list, judged by its body.

#include <QString>
#include <QUrl>

#include <chrono>
#include <string>
#include <string_view>

#include "statistics/statistics_offer.h"
#include "statistics/statistics_service.h"

namespace vn340 {

class CancelSwitch;
class StatusLog;

// Names another scheme, host and port for the service (a test, a local service); the path and
// query of the request stay the same, whatever path the override names.
inline constexpr const char* kStatisticsServiceVariable = "VN340_STATISTICS_URL";

struct UploadTimeLimits {
    std::chrono::milliseconds receive = kStatisticsReceiveTimeout;
    std::chrono::milliseconds whole = kStatisticsUploadLimit;
};

// Where a line goes. An override is refused, rather than the line going to the maker's
// service unasked, when it is not an http or https address, and when it names plain http for
// any host but this computer's loopback (127.0.0.0/8, ::1, "localhost"): the line carries the
// pilot's email address.
class StatisticsService {
  public:
    static StatisticsService fromEnvironment();
    // An empty override means the maker's service.
    static StatisticsService fromOverride(const QString& override);

    // The service's scheme, host and port with "/log/log.php?msg=" and the encoded line;
    // invalid when the override was refused.
    QUrl requestUrl(std::string_view line) const;
    // Why the override was refused; empty when it was not.
    const QString& problem() const { return problem_; }

  private:
    QUrl base_;
    QString problem_;
};

// Blocks until the request has ended; the status texts go to `hiddenList` as they come.
// Pressing `cancel` ends it at once as Cancelled; meanwhile the pilot's input is let through,
// so the caller blocks its other windows (see HttpFetcher::setCancelSwitch).
Submission submitStatistics(const std::string& line, StatusLog& hiddenList,
                            const StatisticsService& service = StatisticsService::fromEnvironment(),
                            UploadTimeLimits limits = {}, CancelSwitch* cancel = nullptr);

// Whole days from 1 January 1970 to today, local time.
int todayDayNumber();

}  // namespace vn340
