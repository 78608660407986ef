#pragma once

// What each curve of the live plot draws and the range of its value axis. The pulse widths sit
// on a fixed range that holds a full stick or gain throw, and widen in steps for a value beyond
// it; the gyro signal has no such range and is fitted to what it shows, never closer than a
// least extent, so a quiet gyro's last digit does not fill the plot.

#include <span>

#include "live/live_trace.h"

namespace vn340 {

enum class LiveCurve { Gyro, Rudder, Gain, GainPercent };

// The curve's value in a round: the pulse width, or for GainPercent the gain as the status line
// shows it, |gain - 1520| / 5.
int curveValue(LiveCurve curve, const LiveSignals& values);

struct AxisRange {
    int low = 0;
    int high = 0;
    // The distance between labelled ticks, counted from 0.
    int tick = 0;
    bool operator==(const AxisRange&) const = default;
};

// A range that holds every value of `samples`, ends included. No samples: as for one round of
// signals at rest.
AxisRange fitAxis(LiveCurve curve, std::span<const LiveSample> samples);

}  // namespace vn340
