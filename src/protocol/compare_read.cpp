#include "protocol/compare_read.h"

#include <utility>

namespace vn340 {

GyroCompareRead::GyroCompareRead(SequenceHost& host, Completion onComplete)
    : host_(host), onComplete_(std::move(onComplete)) {}

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
