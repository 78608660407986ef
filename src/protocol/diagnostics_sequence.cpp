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
constexpr IdentificationStep kIdentification[] = {
    {39, 40, Identification::ProductId, 43, "Initiating Gain and Rudder read"},
};

}  // namespace

void SequenceEngine::runDiagState() {
    if (runIdentification(kIdentification, kStep)) {
        return;
    }
    switch (state_) {
        case 38:
            beginDiagnostics();
            break;
        case 43:
            send(kGyroSignalFrame, 44);
            break;
        case 44:
            if (replyArrived(gyroSignalReplyComplete)) {
                readGyroSignal();
            }
            break;
        case 45:
            send(kLiveSignalsFrame, 46);
            break;
        case 46:
            if (replyArrived(liveSignalsReplyComplete)) {
                readLiveSignals();
            }
            break;
        case 47:
            finishDiagnostics();
            break;
        default:
            break;
    }
}

void SequenceEngine::beginDiagnostics() {
    host_.enableGyroButtons(false);
    stepIndex_ = 0;
    state_ = 39;
    host_.armTimer(kStep, kStepDelay);
}

void SequenceEngine::readGyroSignal() {
    const PairReply pair = decodePairReply(removeFirstStar(replyBuffer_));
    if (pair.passed) {
        gyroSignal_ = pair.first;
    }
    consumed(45, kStep);
}

void SequenceEngine::readLiveSignals() {
    const PairReply pair = decodePairReply(dropLeading(replyBuffer_, kLiveSignalsLeading));
    if (pair.passed) {
        host_.setStatus(diagnosticsStatusText(gyroSignal_, pair.first, pair.second));
    }
    // The pilot's stop is looked at here only, so the round in progress always completes.
    if (diagnosticsRunning_) {
        consumed(43, kStep, kDiagnosticsPause);
    } else {
        consumed(47, kStep);
    }
}

void SequenceEngine::finishDiagnostics() {
    state_ = 0;
    host_.armTimer(SequenceTimer::StatusClear, kStatusClearDelay);
    giveControlsBack();
}

}  // namespace vn340
