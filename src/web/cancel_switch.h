#pragma once

// How whoever shows a running request ends it early: the request listens to the switch while
// it runs, and a switch pressed before the request began ends it before it sends anything.

#include <functional>
#include <utility>

namespace vn340 {

class CancelSwitch {
  public:
    void cancel() {
        cancelled_ = true;
        if (listener_) {
            listener_();
        }
    }
    bool cancelled() const { return cancelled_; }
    // One listener at a time; none stops listening.
    void listen(std::function<void()> listener) { listener_ = std::move(listener); }

  private:
    bool cancelled_ = false;
    std::function<void()> listener_;
};

}  // namespace vn340
