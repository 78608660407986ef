#include "cli/cli_output.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

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

QString qt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void insertError(QJsonObject& object, const JsonError& error) {
    object.insert(QStringLiteral("error"), qt(error.error));
    object.insert(QStringLiteral("status"), error.status);
}

}  // namespace

std::string configurationLines(const GyroConfig& config) {
    std::string lines;
    for (const Identification& item : kIdentification)
        lines += std::string(item.label) + ": " + config.*item.field + "\n";
    for (const SettingComparison& setting : compareConfigurations(config, config))
        lines += std::string(setting.label) + ": " + setting.left + "\n";
    return lines;
}

std::string configurationJson(const GyroConfig& config, const std::optional<JsonError>& error) {
    QJsonObject identification;
    for (const Identification& item : kIdentification)
        identification.insert(qt(item.label), qt(config.*item.field));
    QJsonObject settings;
    for (const SettingComparison& setting : compareConfigurations(config, config)) {
        const bool number = describe(setting.setting).conversion == Conversion::Number;
        settings.insert(qt(setting.label), number ? QJsonValue(std::stoi(setting.left))
                                                  : QJsonValue(qt(setting.left)));
    }
    QJsonObject whole;
    whole.insert(QStringLiteral("identification"), identification);
    whole.insert(QStringLiteral("settings"), settings);
    if (error)
        insertError(whole, *error);
    return QJsonDocument(whole).toJson(QJsonDocument::Indented).toStdString();
}

std::string errorJson(const JsonError& error) {
    QJsonObject whole;
    insertError(whole, error);
    return QJsonDocument(whole).toJson(QJsonDocument::Indented).toStdString();
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
