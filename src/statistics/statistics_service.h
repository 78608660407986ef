#pragma once

// Where the statistics line goes and how long its upload may take, for every front end that
// sends it: the window's Qt Network fetch and the page's fetch alike.

#include <chrono>
#include <string_view>

namespace vn340 {

// The maker's service. Always HTTPS: the line carries the pilot's email address.
inline constexpr std::string_view kStatisticsService = "https://www.tarvel-rc.example";
// The longest wait for the next sign of the service, so the pilot is never left waiting.
inline constexpr std::chrono::milliseconds kStatisticsReceiveTimeout = std::chrono::seconds(20);
// The longest the whole upload may take, however busy the service keeps it.
inline constexpr std::chrono::milliseconds kStatisticsUploadLimit = std::chrono::seconds(60);

}  // namespace vn340
