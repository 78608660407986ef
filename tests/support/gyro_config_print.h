#pragma once

// A configuration as a failed comparison shows it: every member by name, so two whole
// configurations compared at once show where they differ.

#include <ostream>
#include <string>

#include "config/gyro_config.h"

namespace vn340 {

// Line breaks as the program's own files escape them would hide which one differs.
inline std::string visible(const std::string& text) {
    std::string shown;
    for (char c : text) {
        shown += c == '\r'   ? std::string("\\r")
                 : c == '\n' ? std::string("\\n")
                             : std::string(1, c);
    }
    return shown;
}

inline void PrintTo(const GyroConfig& c, std::ostream* out) {
    *out << "{high " << c.highEndpoint << ", low " << c.lowEndpoint << ", trim " << c.midpointTrim
         << ", deadband " << c.stickDeadband << ", rate expo " << c.rateExpo << ", avcs expo "
         << c.avcsExpo << ", cw " << c.cwStopGain << ", ccw " << c.ccwStopGain << ", sensitivity "
         << c.avcsSensitivity << ", servo " << c.servoModel << ", type " << c.servoType
         << ", speed " << c.servoSpeed << ", accel " << c.accelProfile << ", decel "
         << c.decelProfile << ", " << (c.direction == Direction::Normal ? "normal" : "reverse")
         << ", firmware \"" << c.firmwareVersion << "\" (" << c.firmwareNumber << "), loader \""
         << c.loaderVersion << "\", serial \"" << c.serialNumber << "\", comments \""
         << visible(c.userComments) << "\", map " << c.memoryMapVersion << ", product "
         << c.productId << ", flags " << c.servoFlags << ", statistics " << c.statisticsWord
         << ", implied type " << c.servoImpliedType << "}";
}

}  // namespace vn340
