#pragma once

// The gyro's live signals as one round of diagnostics brings them, in microseconds of pulse
// width; 1520 is the centre.

#include <cstdint>

namespace vn340 {

struct LiveSignals {
    std::uint16_t gyro = 1520;
    std::uint16_t rudder = 1520;
    std::uint16_t gain = 1520;
    bool operator==(const LiveSignals&) const = default;
};

}  // namespace vn340
