#include "protocol/compare_read.h"

#include <utility>

namespace vn340 {

GyroCompareRead::GyroCompareRead(SequenceHost& host, FrontEnd& frontEnd, Screen& screen,
                                 Completion onComplete)
    : host_(host),
      screen_(screen),
      onComplete_(std::move(onComplete)),
      engine_(config_, *this, frontEnd, *this) {}

void GyroCompareRead::start(const GyroConfig& base) {
    config_ = base;
    engine_.startRead(StatisticsWord::LeaveOnGyro);
}

void GyroCompareRead::readComplete() {
    if (onComplete_) {
        onComplete_(config_);
    }
}

}  // namespace vn340
