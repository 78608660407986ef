#include "cli/cli_output.h"

#include <nlohmann/json.hpp>

#include "protocol/memory_map.h"

namespace vn340 {
namespace {

struct Identification {
    std::string_view label;
    std::string GyroConfig::*field;
};

constexpr Identification kIdentification[] = {
    {"Firmware version", &GyroConfig::firmwareVersion},
    {"Loader version", &GyroConfig::loaderVersion},
    {"Serial number", &GyroConfig::serialNumber},
};

using Json = nlohmann::json;

void insertError(Json& object, const JsonError& error) {
    object["error"] = error.error;
    object["status"] = error.status;
}

// Keys in their order by name, four blanks a level, one object a document. A text that is not
// UTF-8 (nothing the gyro says should be) is printed with U+FFFD in place of what is not.
std::string document(const Json& whole) {
    return whole.dump(4, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string configurationLines(const GyroConfig& config) {
    std::string lines;
    for (const Identification& item : kIdentification) {
        lines += std::string(item.label) + ": " + config.*item.field + "\n";
    }
    for (const SettingComparison& setting : compareConfigurations(config, config)) {
        lines += std::string(setting.label) + ": " + setting.left + "\n";
    }
    return lines;
}

std::string configurationJson(const GyroConfig& config, const std::optional<JsonError>& error) {
    Json identification = Json::object();
    for (const Identification& item : kIdentification) {
        identification[std::string(item.label)] = config.*item.field;
    }
    Json settings = Json::object();
    for (const SettingComparison& setting : compareConfigurations(config, config)) {
        const bool number = describe(setting.setting).conversion == Conversion::Number;
        Json& value = settings[std::string(setting.label)];
        if (number) {
            value = std::stoi(setting.left);
        } else {
            value = setting.left;
        }
    }
    Json whole = {{"identification", identification}, {"settings", settings}};
    if (error) {
        insertError(whole, *error);
    }
    return document(whole);
}

std::string errorJson(const JsonError& error) {
    Json whole = Json::object();
    insertError(whole, error);
    return document(whole);
}

std::string differenceLines(const std::vector<SettingComparison>& differences,
                            std::string_view left, std::string_view right) {
    std::string lines;
    for (const SettingComparison& difference : differences) {
        lines += std::string(difference.label) + ": " + std::string(left) + " " + difference.left +
                 ", " + std::string(right) + " " + difference.right + "\n";
    }
    return lines;
}

std::string liveSignalsLine(const LiveSignals& round) {
    return diagnosticsStatusText(round.gyro, round.rudder, round.gain) + "\n";
}

std::string snapshotLines(const std::vector<Snapshot>& snapshots) {
    std::string lines;
    for (const Snapshot& snapshot : snapshots) {
        lines += dateText(snapshot.time) + " " + timeText(snapshot.time) + "  " +
                 std::string(snapshotKindName(snapshot.kind)) + "  " + snapshot.serialNumber +
                 "  " + snapshot.path + "\n";
    }
    return lines;
}

}  // namespace vn340
