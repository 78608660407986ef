// The diagnostics sequence: the gyro is identified once, then rounds of the gyro signal and
// the rudder and gain signals follow, with a short pause between rounds, until the pilot
// asks it to stop. Stopping only clears a flag; the round in progress finishes first.

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

namespace {

constexpr SequenceTimer kStep = SequenceTimer::DiagStep;

// Only the product word is asked for, once per start.
using S = SequenceState;
constexpr IdentificationStep kIdentification[] = {
    {S::DiagSendProductId, S::DiagWaitProductId, Identification::ProductId, S::DiagSendGyroSignal,
     "Initiating Gain and Rudder read"},
};

}  // namespace

void SequenceEngine::runDiagState() {
    if (runIdentification(kIdentification, kStep)) {
        return;
    }
    switch (state_) {
        case S::DiagBegin:
            beginDiagnostics();
            break;
        case S::DiagSendGyroSignal:
            send(kGyroSignalFrame, S::DiagWaitGyroSignal);
            break;
        case S::DiagWaitGyroSignal:
            if (replyArrived(gyroSignalReplyComplete)) {
                readGyroSignal();
            }
            break;
        case S::DiagSendLiveSignals:
            send(kLiveSignalsFrame, S::DiagWaitLiveSignals);
            break;
        case S::DiagWaitLiveSignals:
            if (replyArrived(liveSignalsReplyComplete)) {
                readLiveSignals();
            }
            break;
        case S::DiagFinish:
            finishDiagnostics();
            break;
        default:
            break;
    }
}

void SequenceEngine::beginDiagnostics() {
    screen_.enableGyroButtons(false);
    stepIndex_ = 0;
    unread_.clear();
    state_ = S::DiagSendProductId;
    host_.armTimer(kStep, kStepDelay);
}

void SequenceEngine::readGyroSignal() {
    const PairReply pair = decodePairReply(removeFirstStar(replyBuffer_));
    if (pair.passed) {
        gyroSignal_ = pair.first;
    }
    consumed(S::DiagSendLiveSignals, kStep);
}

void SequenceEngine::readLiveSignals() {
    const PairReply pair = decodePairReply(dropLeading(replyBuffer_, kLiveSignalsLeading));
    if (pair.passed) {
        frontEnd_.showStatus(diagnosticsStatusText(gyroSignal_, pair.first, pair.second));
        host_.liveSignals({gyroSignal_, pair.first, pair.second});
    }
    // The pilot's stop is looked at here only, so the round in progress always completes.
    if (diagnosticsRunning_) {
        consumed(S::DiagSendGyroSignal, kStep, kDiagnosticsPause);
    } else {
        consumed(S::DiagFinish, kStep);
    }
}

void SequenceEngine::finishDiagnostics() {
    finish(outcomeOf(Sequence::Diagnostics, SequenceResult::Done));
}

}  // namespace vn340
