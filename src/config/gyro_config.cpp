#include "config/gyro_config.h"

#include "config/field_table.h"

namespace vn340 {

namespace {

// Order matters: the selector lists the rows as they stand here, and look-ups by code take the
// first match (code 33 belongs to "JR 3500G" and "MKS DS9670").
constexpr std::array<ServoEntry, kServoRowCount> kServoTable{{
    {"Generic", 0, 0, 5, 0},
    {"Airtronics 94758", 10, 0, 7, 0},
    {"Airtronics 94761", 11, 0, 15, 0},
    {"Align DS410", 25, 0, 13, 0},
    {"Align DS420", 26, 0, 8, 0},
    {"Align DS510", 27, 0, 13, 0},
    {"Align DS520", 28, 0, 9, 0},
    {"Align DS610", 29, 0, 10, 0},
    {"Align DS620", 30, 0, 9, 0},
    {"Futaba BLS251", 24, 1, 6, 2},
    {"Futaba S3153", 5, 0, 12, 0},
    {"Futaba S3154", 6, 0, 10, 0},
    {"Futaba S9251", 16, 1, 7, 2},
    {"Futaba S9253", 1, 0, 8, 0},
    {"Futaba S9254", 2, 0, 6, 0},
    {"Futaba S9256", 17, 1, 6, 2},
    {"Futaba S9257", 3, 0, 8, 0},
    {"Futaba S9650", 4, 0, 14, 0},
    {"Hitec HS-5925MG", 12, 0, 10, 0},
    {"Hitec HS-6965HB", 13, 0, 10, 0},
    {"Hitec HSG-5083MG", 31, 2, 7, 0},
    {"Hitec HSG-5084MG", 36, 0, 7, 0},
    {"JR 290G", 32, 0, 8, 0},
    {"JR 810G", 21, 0, 10, 1},
    {"JR 2700G", 19, 0, 11, 1},
    {"JR 3400G", 8, 0, 11, 0},
    {"JR 3500G", 33, 0, 7, 0},
    {"JR 8700G", 20, 0, 9, 1},
    {"JR 8900G", 7, 0, 5, 0},
    {"Ino-Lab HG-D201HB", 37, 0, 7, 0},
    {"Ino-Lab HG-D261HB", 35, 0, 7, 0},
    {"LogicTech 3100G", 15, 2, 7, 0},
    {"LogicTech 6100G", 18, 2, 5, 0},
    {"MKS DS9670", 33, 0, 9, 0},
    {"MKS DS9810", 34, 1, 5, 2},
    {"Robbe FS61BB", 14, 0, 7, 0},
    {"Sanwa ERG-WRX", 9, 0, 6, 0},
    {"Sky HDS-577", 22, 0, 12, 1},
    {"Sky HDS-877", 23, 0, 11, 1},
}};

constexpr std::array<SignalTypeOption, kSignalTypeCount> kSignalTypes{{
    {"1520usec/333Hz", 0, 0, 0},
    {"760usec/560Hz", 1, 1, 2},
    {"1520usec/250Hz", 2, 0, 1},
    {"960usec/333Hz", 3, 2, 0},
}};

constexpr std::array<SpeedOption, kSpeedOptionCount> kSpeeds{{
    {"0.01", 1},
    {"0.02", 2},
    {"0.03", 3},
    {"0.04", 4},
    {"0.05", 5},
    {"0.06", 6},
    {"0.07", 7},
    {"0.08", 8},
    {"0.09", 9},
    {"0.10", 10},
    {"0.11", 11},
    {"0.12", 12},
    {"0.13", 13},
    {"0.14", 14},
    {"0.15", 15},
}};

// The frame rate decides first: every 250 Hz servo is driven with the 1520 us/250 Hz signal,
// whatever its pulse centre.
int typePositionFor(const ServoEntry& row) {
    if (row.frameClass == 1) {
        return 2;
    }
    if (row.pulseClass == 1) {
        return 1;
    }
    if (row.pulseClass == 0) {
        return 0;
    }
    return 3;
}

}  // namespace

const std::array<ServoEntry, kServoRowCount>& servoTable() {
    return kServoTable;
}

const std::array<SignalTypeOption, kSignalTypeCount>& signalTypeOptions() {
    return kSignalTypes;
}

const std::array<SpeedOption, kSpeedOptionCount>& speedOptions() {
    return kSpeeds;
}

std::optional<int> servoRowForCode(int servoCode) {
    for (int row = 0; row < kServoRowCount; ++row) {
        if (kServoTable[static_cast<std::size_t>(row)].servoCode == servoCode) {
            return row;
        }
    }
    return std::nullopt;
}

void applyServoSelection(GyroConfig& config) {
    if (config.servoModel < 0 || config.servoModel >= kServoRowCount) {
        return;
    }
    const ServoEntry& row = kServoTable[static_cast<std::size_t>(config.servoModel)];
    config.servoType = typePositionFor(row);
    config.servoSpeed = row.speedValue - 1;
    config.servoImpliedType = kSignalTypes[static_cast<std::size_t>(config.servoType)].value;
}

void onServoTypeChangedByPilot(GyroConfig& config, int newTypePosition) {
    config.servoType = newTypePosition;
    if (newTypePosition < 0 || newTypePosition >= kSignalTypeCount) {
        return;
    }
    if (kSignalTypes[static_cast<std::size_t>(newTypePosition)].value != config.servoImpliedType) {
        config.servoModel = 0;
    }
}

void loadDefaults(GyroConfig& config) {
    for (const FieldDescription& field : fieldDescriptions()) {
        setFromFileValue(config, field, field.defaultValue);
    }
    // The factory type and speed are those the factory servo implies.
    applyServoSelection(config);
    config.userComments = std::string(kDefaultUserComments);
}

}  // namespace vn340
