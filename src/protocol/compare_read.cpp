#include "protocol/compare_read.h"

namespace vn340 {

GyroCompareRead::GyroCompareRead(SequenceHost& host, FrontEnd& frontEnd, Screen& screen)
    : host_(host), screen_(screen), engine_(config_, *this, frontEnd, *this) {}

void GyroCompareRead::start(const GyroConfig& base) {
    config_ = base;
    engine_.startRead(StatisticsWord::LeaveOnGyro);
}

void GyroCompareRead::sequenceEnded(const SequenceOutcome& outcome) {
    SequenceOutcome compared = outcome;
    compared.kind = SequenceKind::CompareRead;
    host_.sequenceEnded(compared);
}

}  // namespace vn340
