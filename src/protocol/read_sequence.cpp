// The read sequence: identification first, then the seventeen parameter words, then the
// statistics word is cleared (or the pilot is offered to send it first).

#include <array>

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

namespace {

constexpr int kLastParameter = kParameterCount - 1;  // the statistics word

// The status line while the parameters arrive; empty where the line keeps its text.
constexpr std::array<std::string_view, kParameterCount> kReadStatus = {
    "Read high endpoint",
    "Read low endpoint",
    "Read clockwise stop gain",
    "Read counter clockwise stop gain",
    "Read rudder stick deadband",
    "Read AVCS exponencial",
    "Read rate rudder exponencial",
    "Read acceleration profile",
    "Read deceleration profile",
    "",
    "",
    "Read AVCS rudder sensitivity",
    "Read servo data",
    "",
    "Read midpoint trim",
    "",
    "",
};

}  // namespace

void SequenceEngine::runReadState() {
    const SequenceTimer step = SequenceTimer::ReadStep;
    switch (state_) {
        case 1:
            host_.enableGyroButtons(false);
            stepIndex_ = 0;
            keptServoData_.reset();
            state_ = 2;
            host_.armTimer(step, kStepDelayMs);
            break;
        case 2:
            send(kReadProductIdFrame, 3, "Initiating read");
            break;
        case 3:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (checkProductId(dropLeading(replyBuffer_, kWordReplyLeading))) {
                    consumed(4, step);
                }
            }
            break;
        case 4:
            send(kReadMemoryMapVersionFrame, 5, "Initiating read");
            break;
        case 5:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (checkMemoryMapVersion(dropLeading(replyBuffer_, kWordReplyLeading))) {
                    consumed(10, step);
                }
            }
            break;
        case 10:
            send(kReadFirmwareVersionFrame, 11);
            break;
        case 11:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeFirmware(dropLeading(replyBuffer_, kWordReplyLeading),
                              FirmwareText::FromNumber);
                consumed(6, step);
            }
            break;
        case 6:
            send(kReadSerialLowFrame, 7);
            break;
        case 7:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeSerialLow(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(8, step);
            }
            break;
        case 8:
            send(kReadSerialHighFrame, 9);
            break;
        case 9:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeSerialHigh(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(12, step);
            }
            break;
        case 12:
            send(kReadLoaderVersionFrame, 13);
            break;
        case 13:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeLoader(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(14, step);
            }
            break;
        case 14:
            send(parameterReadFrame(stepIndex_), 15);
            break;
        case 15:
            if (parameterReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                readParameter();
            }
            break;
        case 16:
            statisticsHandOver();
            break;
        case 17:
            send(kClearStatisticsFrame, 18);
            break;
        case 18:
            // Polled from the step timer until the acknowledgement arrives or the time-out
            // ends the sequence.
            if (writeAckComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                state_ = 19;
            }
            host_.armTimer(step, kStepDelayMs);
            break;
        case 19:
            finishRead();
            break;
        default:
            break;
    }
}

void SequenceEngine::readParameter() {
    const WordReply word = decodeWordReply(dropLeading(replyBuffer_, kWordReplyLeading));
    if (!word.passed) {
        endWithMessage(sequence_text::crcFailure(), false);
        return;
    }
    const std::string_view status = kReadStatus[static_cast<std::size_t>(stepIndex_)];
    if (!status.empty()) {
        host_.setStatus(status);
    }
    const ParameterReadEffect effect = storeParameterWord(config_, stepIndex_, word.value);
    if (effect.keptServoData) {
        keptServoData_ = effect.keptServoData;
    }
    if (effect.flags) {
        flagBits_ = {effect.flags->bit8, effect.flags->bit10, effect.flags->bit11,
                     effect.flags->bit12};
    }
    if (stepIndex_ == kLastParameter) {
        consumed(16, SequenceTimer::ReadStep);
    } else {
        ++stepIndex_;
        consumed(14, SequenceTimer::ReadStep);
    }
}

void SequenceEngine::statisticsHandOver() {
    if (config_.statisticsWord == 0) {
        send(kClearStatisticsFrame, 18);
        return;
    }
    // The offer keeps the pilot in a dialog for a while; text and timers that arrive meanwhile
    // must not start a second offer, so the engine waits in the finishing state, which drops
    // received text and runs only from its own timer.
    state_ = 19;
    StatisticsAnswer answer = host_.offerStatistics();
    while (answer == StatisticsAnswer::OfferAgain) {
        answer = host_.offerStatistics();
    }
    if (answer == StatisticsAnswer::ClearWord) {
        send(kClearStatisticsFrame, 18);
    } else {
        host_.armTimer(SequenceTimer::ReadStep, kStepDelayMs);
    }
}

void SequenceEngine::finishRead() {
    if (keptServoData_) {
        applyServoData(config_, *keptServoData_);
    }
    host_.refreshControls();
    state_ = 0;
    host_.setStatus("Read complete");
    host_.armTimer(SequenceTimer::StatusClear, kStatusClearMs);
    host_.enableControls(true);
}

}  // namespace vn340
