#pragma once

// The owner's thread as Qt has it: the thread of a context object, reached with queued calls.

#include "link/owner_thread.h"

class QObject;

namespace vn340 {

class QtOwnerThread final : public OwnerThread {
  public:
    // `context` must outlive the posts; when it is destroyed first, the calls still queued
    // for it are destroyed unrun, as Qt drops them.
    explicit QtOwnerThread(QObject* context) : context_(context) {}

    void post(std::function<void()> call) override;

  private:
    QObject* context_;
};

}  // namespace vn340
