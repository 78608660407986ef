// The read sequence: identification first, then the seventeen parameter words, then the
// statistics word is cleared (or the pilot is offered to send it first), unless the read is
// told to leave it on the gyro.

#include <array>

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

namespace {

constexpr SequenceTimer kStep = SequenceTimer::ReadStep;
constexpr int kLastParameter = kParameterCount - 1;  // the statistics word

// The firmware is shown through its number. It is asked for right after the memory-map
// version, although its states are numbered after the serial number's.
using S = SequenceState;
constexpr std::array<IdentificationStep, 6> kIdentification = {{
    {S::ReadSendProductId, S::ReadWaitProductId, Identification::ProductId, S::ReadSendMapVersion,
     "Initiating read"},
    {S::ReadSendMapVersion, S::ReadWaitMapVersion, Identification::MemoryMapVersion,
     S::ReadSendFirmware, "Initiating read"},
    {S::ReadSendFirmware,
     S::ReadWaitFirmware,
     Identification::FirmwareFromNumber,
     S::ReadSendSerialLow,
     {}},
    {S::ReadSendSerialLow,
     S::ReadWaitSerialLow,
     Identification::SerialLow,
     S::ReadSendSerialHigh,
     {}},
    {S::ReadSendSerialHigh,
     S::ReadWaitSerialHigh,
     Identification::SerialHigh,
     S::ReadSendLoader,
     {}},
    {S::ReadSendLoader, S::ReadWaitLoader, Identification::Loader, S::ReadSendParameter, {}},
}};

}  // namespace

void SequenceEngine::runReadState() {
    if (runIdentification(kIdentification, kStep)) {
        return;
    }
    switch (state_) {
        case S::ReadBegin:
            beginRead();
            break;
        case S::ReadSendParameter:
            send(parameterReadFrame(stepIndex_), S::ReadWaitParameter);
            break;
        case S::ReadWaitParameter:
            if (replyArrived(parameterReplyComplete)) {
                readParameter();
            }
            break;
        case S::ReadStatistics:
            statisticsHandOver();
            break;
        case S::ReadSendClearStatistics:
            send(kClearStatisticsFrame, S::ReadWaitStatisticsCleared);
            break;
        case S::ReadWaitStatisticsCleared:
            pollStatisticsCleared();
            break;
        case S::ReadFinish:
            finishRead();
            break;
        default:
            break;
    }
}

void SequenceEngine::beginRead() {
    screen_.enableGyroButtons(false);
    stepIndex_ = 0;
    serialLowRead_ = false;
    unread_.clear();
    readWords_ = {};
    keptServoData_.reset();
    state_ = S::ReadSendProductId;
    host_.armTimer(kStep, kStepDelay);
}

void SequenceEngine::readParameter() {
    const WordReply word = decodeWordReply(wordReply());
    if (!word.passed) {
        endEarly(SequenceResult::Failed, SequenceFailure::DamagedAnswer);
        return;
    }
    const std::string_view status =
        parameterWords()[static_cast<std::size_t>(stepIndex_)].readStatus;
    if (!status.empty()) {
        frontEnd_.showStatus(status);
    }
    readWords_[static_cast<std::size_t>(stepIndex_)] = word.value;
    const ParameterReadEffect effect = storeParameterWord(config_, stepIndex_, word.value);
    if (effect.keptServoData) {
        keptServoData_ = effect.keptServoData;
    }
    if (effect.flags) {
        flagBits_ = {effect.flags->bit8, effect.flags->bit10, effect.flags->bit11,
                     effect.flags->bit12};
    }
    if (stepIndex_ == kLastParameter) {
        consumed(S::ReadStatistics, kStep);
    } else {
        ++stepIndex_;
        consumed(S::ReadSendParameter, kStep);
    }
}

void SequenceEngine::statisticsHandOver() {
    // Stray text can bring the engine here before its step timer does; that timer must not
    // fire again while the offer keeps the pilot in a dialog, or the read would finish twice.
    host_.killTimer(kStep);
    if (statistics_ == StatisticsWord::LeaveOnGyro) {
        state_ = S::ReadFinish;
        host_.armTimer(kStep, kStepDelay);
        return;
    }
    if (config_.statisticsWord == 0) {
        send(kClearStatisticsFrame, S::ReadWaitStatisticsCleared);
        return;
    }
    // The offer keeps the pilot in a dialog for a while; text and timers that arrive meanwhile
    // must not start a second offer, so the engine waits in the finishing state, which drops
    // received text and runs only from its own timer.
    state_ = S::ReadFinish;
    StatisticsAnswer answer = host_.offerStatistics();
    while (answer == StatisticsAnswer::OfferAgain) {
        answer = host_.offerStatistics();
    }
    if (answer == StatisticsAnswer::ClearWord) {
        send(kClearStatisticsFrame, S::ReadWaitStatisticsCleared);
    } else {
        host_.armTimer(kStep, kStepDelay);
    }
}

void SequenceEngine::pollStatisticsCleared() {
    // Polled from the step timer until the acknowledgement arrives or the time-out ends the
    // sequence.
    if (replyArrived(writeAckComplete)) {
        state_ = S::ReadFinish;
    }
    host_.armTimer(kStep, kStepDelay);
}

void SequenceEngine::finishRead() {
    if (keptServoData_) {
        applyServoData(config_, *keptServoData_);
    }
    refreshScreen();
    finish(outcomeOf(Sequence::Read, SequenceResult::Done));
}

}  // namespace vn340
