#pragma once

// The program's event loop in a test: a virtual clock the test advances, on which every timer
// falls due at exactly its time and nothing waits for real time.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "base/event_loop.h"

namespace vn340::testing {

// Virtual time in microseconds.
using Micros = std::int64_t;
inline constexpr Micros kMs = 1000;

// Events at virtual times, run in time order: the program's event loop in a test.
class VirtualClock final : public EventLoop {
  public:
    using Event = std::function<void()>;

    Micros now() const { return now_; }
    // Returns the event's ticket, with which it can be withdrawn.
    std::uint64_t at(Micros when, Event event) {
        const std::uint64_t ticket = nextTicket_++;
        events_.emplace(std::make_pair(std::max(when, now_), ticket), std::move(event));
        return ticket;
    }
    void withdraw(std::uint64_t ticket) {
        std::erase_if(events_,
                      [ticket](const auto& entry) { return entry.first.second == ticket; });
    }
    // Runs the events due up to and including `until`.
    void runUntil(Micros until) {
        while (!events_.empty() && events_.begin()->first.first <= until) {
            runNext();
        }
        now_ = std::max(now_, until);
    }
    // Runs events while `busy` holds, for at most `limit` of virtual time.
    void runWhile(const std::function<bool()>& busy, Micros limit = 60'000 * kMs) {
        const Micros end = now_ + limit;
        while (busy() && !events_.empty() && events_.begin()->first.first <= end) {
            runNext();
        }
    }
    bool pending() const { return !events_.empty(); }

    // EventLoop: the test's one thread posts, and runs what is due.
    TimerId startTimer(std::chrono::milliseconds delay, Task task) override {
        return at(now_ + delay.count() * kMs, std::move(task));
    }
    void cancelTimer(TimerId id) override { withdraw(id); }
    void post(Task call) override { at(now_, std::move(call)); }
    std::chrono::milliseconds steadyNow() const override {
        return std::chrono::milliseconds(now_ / kMs);
    }

  private:
    void runNext() {
        auto first = events_.begin();
        now_ = std::max(now_, first->first.first);
        Event event = std::move(first->second);
        events_.erase(first);
        event();
    }

    Micros now_ = 0;
    std::uint64_t nextTicket_ = 0;
    std::map<std::pair<Micros, std::uint64_t>, Event> events_;
};

}  // namespace vn340::testing
