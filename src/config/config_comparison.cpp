#include "config/config_comparison.h"

#include <array>
#include <optional>

namespace vn340 {
namespace {

// The window's order: the servo group top to bottom (type above speed), then the direction,
// the common group, mode 1 and mode 2.
constexpr std::array<Setting, kSettingCount> kScreenOrder{
    Setting::HighEndpoint, Setting::LowEndpoint,  Setting::MidpointTrim,    Setting::Servo,
    Setting::Type,         Setting::Speed,        Setting::Direction,       Setting::StickDeadband,
    Setting::RateExpo,     Setting::AccelProfile, Setting::DecelProfile,    Setting::CwStopGain,
    Setting::CcwStopGain,  Setting::AvcsExpo,     Setting::AvcsSensitivity,
};

bool selected(int position, int count) {
    return position >= 0 && position < count;
}

// The position a choice holds, or none when its selector is empty.
std::optional<int> choice(const GyroConfig& config, Conversion conversion) {
    auto held = [](int position, int count) -> std::optional<int> {
        return selected(position, count) ? std::optional<int>(position) : std::nullopt;
    };
    switch (conversion) {
        case Conversion::ServoCode:
            return held(config.servoModel, kServoRowCount);
        case Conversion::SpeedValue:
            return held(config.servoSpeed, kSpeedOptionCount);
        case Conversion::TypeValue:
            return held(config.servoType, kSignalTypeCount);
        case Conversion::Number:
        case Conversion::Direction:
            break;
    }
    return std::nullopt;
}

// What the gyro or a settings file would be given; none for an empty selector.
std::optional<int> storedValue(const GyroConfig& config, const FieldDescription& field) {
    if (field.conversion == Conversion::Number || field.conversion == Conversion::Direction) {
        return fileValue(config, field);
    }
    if (!choice(config, field.conversion)) {
        return std::nullopt;
    }
    return fileValue(config, field);
}

SettingComparison compare(const GyroConfig& left, const GyroConfig& right, Setting setting) {
    return {setting, describe(setting).label, displayValue(left, setting),
            displayValue(right, setting), settingDiffers(left, right, setting)};
}

}  // namespace

std::string displayValue(const GyroConfig& config, Setting setting) {
    const FieldDescription& field = describe(setting);
    if (field.conversion == Conversion::Number) {
        return std::to_string(config.*field.member);
    }
    if (field.conversion == Conversion::Direction) {
        return config.direction == Direction::Normal ? "Normal" : "Reverse";
    }
    const std::optional<int> position = choice(config, field.conversion);
    if (!position) {
        return std::string(kNoSelectionText);
    }
    const auto row = static_cast<std::size_t>(*position);
    switch (field.conversion) {
        case Conversion::ServoCode:
            return std::string(servoTable()[row].name);
        case Conversion::SpeedValue:
            return std::string(speedOptions()[row].label);
        default:
            return std::string(signalTypeOptions()[row].label);
    }
}

bool settingDiffers(const GyroConfig& left, const GyroConfig& right, Setting setting) {
    const FieldDescription& field = describe(setting);
    return storedValue(left, field) != storedValue(right, field);
}

std::vector<SettingComparison> compareConfigurations(const GyroConfig& left,
                                                     const GyroConfig& right) {
    std::vector<SettingComparison> rows;
    rows.reserve(kScreenOrder.size());
    for (Setting setting : kScreenOrder) {
        rows.push_back(compare(left, right, setting));
    }
    return rows;
}

std::vector<SettingComparison> differingSettings(const GyroConfig& left, const GyroConfig& right) {
    std::vector<SettingComparison> rows;
    for (Setting setting : kScreenOrder) {
        if (settingDiffers(left, right, setting)) {
            rows.push_back(compare(left, right, setting));
        }
    }
    return rows;
}

int countDifferences(const GyroConfig& left, const GyroConfig& right) {
    int count = 0;
    for (Setting setting : kScreenOrder) {
        count += settingDiffers(left, right, setting) ? 1 : 0;
    }
    return count;
}

void useValue(GyroConfig& target, const GyroConfig& source, Setting setting) {
    const FieldDescription& field = describe(setting);
    switch (field.conversion) {
        case Conversion::Number:
            target.*field.member = source.*field.member;
            return;
        case Conversion::ServoCode:
            target.servoModel = source.servoModel;
            return;
        case Conversion::SpeedValue:
            target.servoSpeed = source.servoSpeed;
            return;
        case Conversion::TypeValue:
            // As after a load: the type shown is the one the servo is taken to imply.
            target.servoType = source.servoType;
            if (selected(source.servoType, kSignalTypeCount)) {
                target.servoImpliedType = source.servoType;
            }
            return;
        case Conversion::Direction:
            target.direction = source.direction;
            return;
    }
}

}  // namespace vn340
