#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "live/live_scale.h"
#include "live/live_trace.h"

namespace vn340 {

void PrintTo(const AxisRange& range, std::ostream* out) {
    *out << "[" << range.low << ", " << range.high << "] every " << range.tick;
}

namespace {

using Ms = LiveMillis;

LiveSample at(long long ms, LiveSignals values = {}) {
    return {Ms(ms), values};
}

// A round every 50 ms, the fastest the diagnostics go, for three minutes: more than the ring
// holds.
LiveTrace threeMinutesOfRounds() {
    LiveTrace trace;
    for (long long ms = 0; ms <= 180'000; ms += 50) {
        trace.add(at(ms, {static_cast<std::uint16_t>(ms / 50 % 1000), 1520, 1520}));
    }
    return trace;
}

TEST(LiveTraceTest, KeepsTheLongestSpanSoAWiderSpanShowsWhatANarrowerHid) {
    const LiveTrace trace = threeMinutesOfRounds();
    struct Row {
        LiveSpan span;
        std::size_t rounds;
        long long firstMs;
    };
    // Both edges count: a round exactly a span before the newest is shown.
    const Row rows[] = {
        {LiveSpan::TenSeconds, 201, 170'000},
        {LiveSpan::TwoMinutes, 2401, 60'000},
        {LiveSpan::ThirtySeconds, 601, 150'000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(spanLength(row.span).count());
        const std::vector<LiveSample> shown = trace.within(spanLength(row.span), Ms(180'000));
        ASSERT_EQ(shown.size(), row.rounds);
        EXPECT_EQ(shown.front().time, Ms(row.firstMs));
        EXPECT_EQ(shown.back().time, Ms(180'000));
        EXPECT_EQ(shown.front().values.gyro, row.firstMs / 50 % 1000) << "kept in its own round";
    }
}

TEST(LiveTraceTest, ARoundJustPastTheEdgeOrAfterTheEndIsNotShown) {
    LiveTrace trace;
    for (long long ms : {9'999, 10'000, 15'000, 20'000, 20'001}) {
        trace.add(at(ms));
    }
    const std::vector<LiveSample> shown = trace.within(Ms(10'000), Ms(20'000));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown.front().time, Ms(10'000));
    EXPECT_EQ(shown.back().time, Ms(20'000));
}

TEST(LiveScaleTest, PulseWidthsShowAFullThrowAndWidenInStepsGyroFitsItsValues) {
    struct Row {
        const char* name;
        LiveCurve curve;
        std::vector<LiveSignals> rounds;
        AxisRange range;
    };
    const Row rows[] = {
        {"a full throw", LiveCurve::Rudder, {{0, 1020, 0}, {0, 2020, 0}}, {1000, 2050, 500}},
        {"exactly at the ends", LiveCurve::Rudder, {{0, 1000, 0}, {0, 2050, 0}}, {1000, 2050, 500}},
        {"one past the top", LiveCurve::Gain, {{0, 0, 2051}}, {1000, 2100, 500}},
        {"one under the bottom", LiveCurve::Gain, {{0, 0, 999}}, {950, 2050, 500}},
        {"100 % gain", LiveCurve::GainPercent, {{0, 0, 2020}, {0, 0, 1523}}, {0, 100, 20}},
        {"over 100 % gain", LiveCurve::GainPercent, {{0, 0, 1015}}, {0, 110, 50}},
        {"a quiet gyro", LiveCurve::Gyro, {{512, 0, 0}}, {460, 570, 50}},
        {"exactly the least extent", LiveCurve::Gyro, {{505, 0, 0}, {595, 0, 0}}, {500, 600, 20}},
        {"just under it", LiveCurve::Gyro, {{511, 0, 0}, {600, 0, 0}}, {500, 610, 50}},
        {"a nudged tail", LiveCurve::Gyro, {{400, 0, 0}, {700, 0, 0}}, {400, 700, 100}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<LiveSample> samples;
        for (const LiveSignals& values : row.rounds) {
            samples.push_back(at(0, values));
        }
        EXPECT_EQ(fitAxis(row.curve, samples), row.range);
    }
}

}  // namespace
}  // namespace vn340
