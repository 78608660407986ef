// The diagnostics sequence: the gyro is identified once, then rounds of the gyro signal and
// the rudder and gain signals follow, with a short pause between rounds, until the pilot
// asks it to stop. Stopping only clears a flag; the round in progress finishes first.

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

void SequenceEngine::runDiagState() {
    const SequenceTimer step = SequenceTimer::DiagStep;
    switch (state_) {
        case 38:
            host_.enableGyroButtons(false);
            stepIndex_ = 0;
            state_ = 39;
            host_.armTimer(step, kStepDelayMs);
            break;
        case 39:
            send(kReadProductIdFrame, 40, "Initiating Gain and Rudder read");
            break;
        case 40:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (checkProductId(dropLeading(replyBuffer_, kWordReplyLeading))) {
                    consumed(43, step);
                } else {
                    stopDiagnostics();
                }
            }
            break;
        case 43:
            send(kGyroSignalFrame, 44);
            break;
        case 44:
            if (gyroSignalReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                readGyroSignal();
                consumed(45, step);
            }
            break;
        case 45:
            send(kLiveSignalsFrame, 46);
            break;
        case 46:
            if (liveSignalsReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                readLiveSignals();
                if (diagnosticsRunning_) {
                    consumed(43, step, kDiagnosticsPauseMs);
                } else {
                    consumed(47, step);
                }
            }
            break;
        case 47:
            state_ = 0;
            host_.armTimer(SequenceTimer::StatusClear, kStatusClearMs);
            host_.enableControls(true);
            break;
        default:
            break;
    }
}

void SequenceEngine::readGyroSignal() {
    const PairReply pair = decodePairReply(removeFirstStar(replyBuffer_));
    if (pair.passed) {
        gyroSignal_ = pair.first;
    }
}

void SequenceEngine::readLiveSignals() {
    const PairReply pair = decodePairReply(dropLeading(replyBuffer_, kLiveSignalsLeading));
    if (pair.passed) {
        host_.setStatus(diagnosticsStatusText(gyroSignal_, pair.first, pair.second));
    }
}

}  // namespace vn340
