#pragma once

// Every emission of one of the program's signals, recorded for a test as it comes.

#include <cstddef>
#include <tuple>
#include <vector>

#include "base/signal.h"

namespace vn340::testing {

template <typename... Args>
class SignalRecord {
  public:
    explicit SignalRecord(Signal<Args...>& signal)
        : connection_(
              signal.connect([this](const Args&... args) { calls.emplace_back(args...); })) {}

    std::size_t count() const { return calls.size(); }
    void clear() { calls.clear(); }

    std::vector<std::tuple<Args...>> calls;

  private:
    Connection connection_;
};

}  // namespace vn340::testing
