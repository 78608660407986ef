#include "live/live_scale.h"

#include <algorithm>

#include "protocol/memory_map.h"

namespace vn340 {
namespace {

struct ScaleRule {
    bool fixed;  // [low, high] always shown; otherwise fitted to the values
    int low;
    int high;
    int step;  // ends move in steps of this
    int leastExtent;
};

ScaleRule ruleOf(LiveCurve curve) {
    switch (curve) {
        case LiveCurve::Gyro:
            return {false, 0, 0, 10, 100};
        case LiveCurve::Rudder:
        case LiveCurve::Gain:
            // 1020 to 2020 us is a full throw, 100 % gain either way.
            return {true, 1000, 2050, 50, 0};
        case LiveCurve::GainPercent:
            break;
    }
    return {true, 0, 100, 10, 0};
}

int floorTo(int value, int step) {
    const int q = value / step;
    return (q * step > value ? q - 1 : q) * step;
}

int ceilTo(int value, int step) {
    const int q = value / step;
    return (q * step < value ? q + 1 : q) * step;
}

// Labels at 1, 2 or 5 times a power of ten, at most about five of them.
int tickFor(int extent) {
    int magnitude = 1;
    for (;;) {
        for (int factor : {1, 2, 5}) {
            if (factor * magnitude * 5 >= extent) {
                return factor * magnitude;
            }
        }
        magnitude *= 10;
    }
}

}  // namespace

int curveValue(LiveCurve curve, const LiveSignals& values) {
    switch (curve) {
        case LiveCurve::Gyro:
            return values.gyro;
        case LiveCurve::Rudder:
            return values.rudder;
        case LiveCurve::Gain:
            return values.gain;
        case LiveCurve::GainPercent:
            break;
    }
    return gainPercent(values.gain);
}

AxisRange fitAxis(LiveCurve curve, std::span<const LiveSample> samples) {
    const LiveSample atRest;
    if (samples.empty()) {
        samples = std::span<const LiveSample>(&atRest, 1);
    }
    int least = curveValue(curve, samples.front().values);
    int most = least;
    for (const LiveSample& sample : samples) {
        least = std::min(least, curveValue(curve, sample.values));
        most = std::max(most, curveValue(curve, sample.values));
    }
    const ScaleRule rule = ruleOf(curve);
    int low = floorTo(least, rule.step);
    int high = ceilTo(most, rule.step);
    if (rule.fixed) {
        low = std::min(low, rule.low);
        high = std::max(high, rule.high);
    }
    while (high - low < rule.leastExtent) {
        low -= rule.step;
        high += rule.step;
    }
    return {low, high, tickFor(high - low)};
}

}  // namespace vn340
