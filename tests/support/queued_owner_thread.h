#pragma once

// The owner's thread for tests without Qt: posted calls wait in a queue until the test runs
// them on its own thread, and the calls left when the owner is dropped go unrun.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "link/owner_thread.h"

namespace vn340::testing {

class QueuedOwnerThread final : public OwnerThread {
  public:
    void post(std::function<void()> call) override {
        {
            std::lock_guard lock(mutex_);
            ++posts_;
            if (!gone_) {
                queue_.push_back(std::move(call));
            }
            posted_.notify_all();
        }
        // A call posted after the owner went is destroyed here, outside the lock.
    }

    // Runs the calls waiting now; returns how many ran.
    int runPending() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(mutex_);
            calls.swap(queue_);
        }
        for (auto& call : calls) {
            call();
        }
        return static_cast<int>(calls.size());
    }

    // Runs calls as they come until `done` holds (asked after each batch) or `limit` passes.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            {
                std::unique_lock lock(mutex_);
                if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
                    return done();
                }
            }
            runPending();
        }
        return true;
    }

    // Waits until a call is posted or `deadline` comes, then runs the calls waiting.
    void runPostedUntil(std::chrono::steady_clock::time_point deadline) {
        {
            std::unique_lock lock(mutex_);
            posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); });
        }
        runPending();
    }

    // Waits up to `limit` for a call to be posted, without running it.
    bool waitPosted(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, limit, [this] { return !queue_.empty(); });
    }

    // Waits up to `limit` until `count` calls were posted in all, run, waiting or dropped.
    bool waitPosts(int count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, limit, [&] { return posts_ >= count; });
    }

    // The owner goes: what waits is destroyed unrun, and what is posted later too.
    void drop() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(mutex_);
            gone_ = true;
            calls.swap(queue_);
        }
    }

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    bool gone_ = false;
    int posts_ = 0;
};

}  // namespace vn340::testing
