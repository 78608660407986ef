// The write sequence: the gyro is identified exactly as for a read and its servo flags word
// is read, so that the bits this program does not own survive; only then are the fifteen
// words written, each acknowledged before the next is sent. An acknowledgement only says a
// word arrived, so every parameter word is then read back and set beside the word written.

#include <array>

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

namespace {

constexpr SequenceTimer kStep = SequenceTimer::WriteStep;
constexpr int kLastWriteStep = kWriteStepCount - 1;
// The read-back's next frame goes out as soon as the event loop is free: a store waits for
// every word it reads back, so its steps are not paced like the sequences' own.
constexpr std::chrono::milliseconds kReadBackStep{0};

// The same steps as a read's, under the store's state numbers and status, with the firmware
// shown by the word's two bytes.
using S = SequenceState;
constexpr std::array<IdentificationStep, 6> kIdentification = {{
    {S::WriteSendProductId, S::WriteWaitProductId, Identification::ProductId,
     S::WriteSendMapVersion, "Initiating write"},
    {S::WriteSendMapVersion, S::WriteWaitMapVersion, Identification::MemoryMapVersion,
     S::WriteSendFirmware, "Initiating write"},
    {S::WriteSendFirmware,
     S::WriteWaitFirmware,
     Identification::FirmwareFromBytes,
     S::WriteSendSerialLow,
     {}},
    {S::WriteSendSerialLow,
     S::WriteWaitSerialLow,
     Identification::SerialLow,
     S::WriteSendSerialHigh,
     {}},
    {S::WriteSendSerialHigh,
     S::WriteWaitSerialHigh,
     Identification::SerialHigh,
     S::WriteSendLoader,
     {}},
    {S::WriteSendLoader, S::WriteWaitLoader, Identification::Loader, S::WriteSendServoFlags, {}},
}};

}  // namespace

void SequenceEngine::runWriteState() {
    if (runIdentification(kIdentification, kStep)) {
        return;
    }
    switch (state_) {
        case S::WriteBegin:
            beginWrite();
            break;
        case S::WriteSendServoFlags:
            send(kReadServoFlagsFrame, S::WriteWaitServoFlags);
            break;
        case S::WriteWaitServoFlags:
            if (replyArrived(parameterReplyComplete)) {
                keepServoFlags();
            }
            break;
        case S::WriteSendWord:
            writeParameter();
            break;
        case S::WriteWaitWord:
            if (replyArrived(writeAckComplete)) {
                nextWriteStep();
            }
            break;
        case S::VerifySendWord:
            send(parameterReadFrame(stepIndex_), S::VerifyWaitWord);
            break;
        case S::VerifyWaitWord:
            if (replyArrived(parameterReplyComplete)) {
                keepReadBack();
            }
            break;
        case S::WriteFinish:
            finishWrite();
            break;
        default:
            break;
    }
}

void SequenceEngine::beginWrite() {
    stepIndex_ = 0;
    serialLowRead_ = false;
    unread_.clear();
    storeWords_ = {};
    writing_ = false;
    screen_.enableGyroButtons(false);
    state_ = S::WriteSendProductId;
    host_.armTimer(kStep, kStepDelay);
    screen_.takeAll(config_);
}

void SequenceEngine::keepServoFlags() {
    const WordReply flags = decodeWordReply(wordReply());
    if (!flags.passed) {
        // Nothing has been written yet, and nothing will be: writing the flags without knowing
        // the bits we must keep could change them.
        endEarly(SequenceResult::Failed, SequenceFailure::DamagedAnswer);
        return;
    }
    flagsAsRead_ = flags.value;
    config_.servoFlags = flags.value;
    consumed(S::WriteSendWord, kStep);
}

void SequenceEngine::writeParameter() {
    const int n = parameterForWriteStep(stepIndex_);
    const ParameterWord& parameter = parameterWords()[static_cast<std::size_t>(n)];
    if (!parameter.writeStatus.empty()) {
        frontEnd_.showStatus(parameter.writeStatus);
    }
    const std::uint16_t word = parameterWordForWriteStep(config_, stepIndex_, flagsAsRead_);
    const WordKind kind = parameter.kind;
    if (kind == WordKind::ServoData) {
        keptServoData_ = word;
    } else if (kind == WordKind::ServoFlags) {
        config_.servoFlags = word;
    }
    storeWords_.written[static_cast<std::size_t>(n)] = word;
    const auto addressLow = static_cast<std::uint8_t>(parameterAddress(n) & 0xFF);
    writing_ = true;
    send(parameterWriteFrame(word, addressLow), S::WriteWaitWord);
}

void SequenceEngine::nextWriteStep() {
    if (stepIndex_ == kLastWriteStep) {
        beginVerify();
        return;
    }
    ++stepIndex_;
    consumed(S::WriteSendWord, kStep);
}

void SequenceEngine::beginVerify() {
    stepIndex_ = 0;
    frontEnd_.showStatus(sequence_text::kVerifying);
    consumed(S::VerifySendWord, kStep, kReadBackStep);
}

void SequenceEngine::keepReadBack() {
    // A damaged answer is no reason to stop: the other words can still be checked, and the
    // pilot is told which one could not be.
    const WordReply word = decodeWordReply(wordReply());
    if (word.passed) {
        storeWords_.readBack[static_cast<std::size_t>(stepIndex_)] = word.value;
    }
    if (stepIndex_ == kParameterCount - 1) {
        consumed(S::WriteFinish, kStep);
        return;
    }
    ++stepIndex_;
    consumed(S::VerifySendWord, kStep, kReadBackStep);
}

void SequenceEngine::finishWrite() {
    SequenceOutcome outcome = outcomeOf(Sequence::Write, SequenceResult::Done);
    outcome.differences = storeDifferences(config_, storeWords_);
    if (!outcome.differences.empty()) {
        outcome.result = SequenceResult::NotVerified;
    }
    refreshScreen();
    finish(outcome);
}

}  // namespace vn340
