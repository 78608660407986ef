#include "live/live_trace.h"

#include "protocol/sequence_engine.h"

namespace vn340 {

LiveMillis spanLength(LiveSpan span) {
    switch (span) {
        case LiveSpan::TenSeconds:
            return LiveMillis(10'000);
        case LiveSpan::ThirtySeconds:
            break;
        case LiveSpan::TwoMinutes:
            return LiveMillis(120'000);
    }
    return LiveMillis(30'000);
}

// Rounds at both edges of the span count, hence the one more.
LiveTrace::LiveTrace(LiveMillis longest)
    : ring_(static_cast<std::size_t>(longest / kDiagnosticsPause) + 1) {}

void LiveTrace::add(const LiveSample& sample) {
    if (count_ < ring_.size()) {
        ring_[(oldest_ + count_) % ring_.size()] = sample;
        ++count_;
        return;
    }
    ring_[oldest_] = sample;
    oldest_ = (oldest_ + 1) % ring_.size();
}

const LiveSample& LiveTrace::newest() const {
    return at(count_ - 1);
}

const LiveSample& LiveTrace::at(std::size_t fromOldest) const {
    return ring_[(oldest_ + fromOldest) % ring_.size()];
}

std::vector<LiveSample> LiveTrace::within(LiveMillis span, LiveMillis end) const {
    std::vector<LiveSample> shown;
    // The rounds come in time order: the span starts where the first old enough one is.
    std::size_t first = count_;
    while (first > 0 && at(first - 1).time >= end - span) {
        --first;
    }
    for (std::size_t i = first; i < count_ && at(i).time <= end; ++i) {
        shown.push_back(at(i));
    }
    return shown;
}

}  // namespace vn340
