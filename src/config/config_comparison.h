#pragma once

// Two configurations side by side, setting by setting, as the pilot reads them on the screen:
// what each side holds, and whether the gyro would be given something different.

#include <string>
#include <string_view>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"

namespace vn340 {

struct SettingComparison {
    Setting setting;
    std::string_view label;  // as the window names the setting
    std::string left;        // each side's value as the window shows it
    std::string right;
    bool differs = false;
};

// What an empty selector shows in a comparison.
inline constexpr std::string_view kNoSelectionText = "(none)";

// The value as the window shows it: the servo's name, the type's label, the speed "0.05",
// "Normal" or "Reverse", or the number.
std::string displayValue(const GyroConfig& config, Setting setting);

// Whether the two sides would store different values: two servos that share a code are the
// same to the gyro and to a settings file.
bool settingDiffers(const GyroConfig& left, const GyroConfig& right, Setting setting);

// Every setting, in the order the window shows them.
std::vector<SettingComparison> compareConfigurations(const GyroConfig& left,
                                                     const GyroConfig& right);
// Only those that differ, in the same order.
std::vector<SettingComparison> differingSettings(const GyroConfig& left, const GyroConfig& right);
int countDifferences(const GyroConfig& left, const GyroConfig& right);

// Puts `source`'s value of the setting into `target` exactly as `source` shows it, as a load
// would: choosing a servo this way leaves the type and speed as they are.
void useValue(GyroConfig& target, const GyroConfig& source, Setting setting);

}  // namespace vn340
