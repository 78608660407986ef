#pragma once

// The rounds of live signals the pilot can look back on: a ring that holds the longest span
// the plot offers, newest last, and what a chosen span of it shows. Times are milliseconds on a
// clock that only goes forward.

#include <chrono>
#include <cstddef>
#include <vector>

#include "protocol/live_signals.h"

namespace vn340 {

using LiveMillis = std::chrono::milliseconds;

struct LiveSample {
    LiveMillis time{0};
    LiveSignals values;
    bool operator==(const LiveSample&) const = default;
};

// The spans of time the plot can show.
enum class LiveSpan { TenSeconds, ThirtySeconds, TwoMinutes };
inline constexpr LiveSpan kDefaultLiveSpan = LiveSpan::ThirtySeconds;
LiveMillis spanLength(LiveSpan span);

class LiveTrace {
  public:
    // Room for every round of `longest`: rounds never come closer together than the pause the
    // diagnostics make between them. Older rounds make way for new ones.
    explicit LiveTrace(LiveMillis longest = spanLength(LiveSpan::TwoMinutes));

    void add(const LiveSample& sample);
    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    // Only when not empty.
    const LiveSample& newest() const;

    // The rounds of the `span` that ends at `end`, both edges included, oldest first.
    std::vector<LiveSample> within(LiveMillis span, LiveMillis end) const;

  private:
    const LiveSample& at(std::size_t fromOldest) const;

    std::vector<LiveSample> ring_;
    std::size_t oldest_ = 0;
    std::size_t count_ = 0;
};

}  // namespace vn340
