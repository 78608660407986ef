#pragma once

// What vn340-cli prints on standard output, for people and for scripts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_comparison.h"
#include "config/history_store.h"
#include "protocol/live_signals.h"

namespace vn340 {

// "Label: value" lines, the identification first, then every setting as the window shows it.
std::string configurationLines(const GyroConfig& config);
// What went wrong, for a script that reads JSON: the words told on standard error, and the
// exit status.
struct JsonError {
    std::string error;
    int status = 0;
};
// The same as one JSON object: "identification" and "settings" by label, numbers as numbers;
// with "error" and "status" too when the read was not all it should have been.
std::string configurationJson(const GyroConfig& config,
                              const std::optional<JsonError>& error = std::nullopt);
// {"error": "...", "status": 4}
std::string errorJson(const JsonError& error);
// "Label: <left> X, <right> Y", one line per difference.
std::string differenceLines(const std::vector<SettingComparison>& differences,
                            std::string_view left, std::string_view right);
// The status line of a round: "Gyro = 0512, Rudder = 1600, Gain = 2020 (100%)".
std::string liveSignalsLine(const LiveSignals& round);
// "2026-12-08 22:15:03  Read  135732  <path>", newest first as given.
std::string snapshotLines(const std::vector<Snapshot>& snapshots);

}  // namespace vn340
