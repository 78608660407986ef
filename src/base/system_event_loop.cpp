#include "base/system_event_loop.h"

#include <vector>

namespace vn340 {

SystemEventLoop::~SystemEventLoop() {
    // What is still posted goes unrun: destroying it tells whoever waits for its answer.
    const std::lock_guard lock(mutex_);
    posted_.clear();
}

EventLoop::TimerId SystemEventLoop::startTimer(std::chrono::milliseconds delay, Task task) {
    const TimerId id = next_++;
    const Clock::time_point due = Clock::now() + delay;
    timers_.emplace(Due{due, id}, std::move(task));
    dueOf_.emplace(id, due);
    return id;
}

void SystemEventLoop::cancelTimer(TimerId id) {
    if (const auto found = dueOf_.find(id); found != dueOf_.end()) {
        timers_.erase(Due{found->second, id});
        dueOf_.erase(found);
    }
}

void SystemEventLoop::post(Task call) {
    {
        const std::lock_guard lock(mutex_);
        posted_.push_back(std::move(call));
    }
    wake_.notify_one();
}

std::chrono::milliseconds SystemEventLoop::steadyNow() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
}

void SystemEventLoop::runOnce(std::chrono::milliseconds limit) {
    const TimerId startedBefore = next_;
    Clock::time_point until = Clock::now() + limit;
    if (!timers_.empty() && timers_.begin()->first.first < until) {
        until = timers_.begin()->first.first;
    }
    {
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, until, [this] { return !posted_.empty(); });
    }
    runPosted();
    runDue(startedBefore);
}

void SystemEventLoop::runPosted() {
    std::deque<Task> calls;
    {
        const std::lock_guard lock(mutex_);
        calls.swap(posted_);
    }
    for (Task& call : calls) {
        call();
    }
}

void SystemEventLoop::runDue(TimerId startedBefore) {
    const Clock::time_point now = Clock::now();
    std::vector<TimerId> due;
    for (const auto& [when, task] : timers_) {
        if (when.first > now) {
            break;
        }
        if (when.second < startedBefore) {
            due.push_back(when.second);
        }
    }
    // Each is looked up again when its turn comes: an earlier one may have cancelled it.
    for (const TimerId id : due) {
        const auto found = dueOf_.find(id);
        if (found == dueOf_.end()) {
            continue;
        }
        const auto timer = timers_.find(Due{found->second, id});
        Task task = std::move(timer->second);
        timers_.erase(timer);
        dueOf_.erase(found);
        task();
    }
}

}  // namespace vn340
