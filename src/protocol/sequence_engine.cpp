#include "protocol/sequence_engine.h"

#include <algorithm>

#include "protocol/frames.h"
#include "protocol/memory_map.h"

namespace vn340 {

namespace {

using S = SequenceState;

bool within(SequenceState state, SequenceState first, SequenceState last) {
    return state >= first && state <= last;
}

// Received text goes to every state of a sequence but its last, which only its step timer
// reaches. A store reads its words back before it finishes.
bool readReceives(SequenceState state) {
    return within(state, S::ReadBegin, S::ReadWaitStatisticsCleared);
}
bool writeReceives(SequenceState state) {
    return within(state, S::WriteBegin, S::WriteWaitWord) ||
           within(state, S::VerifySendWord, S::VerifyWaitWord);
}
bool diagnosticsReceive(SequenceState state) {
    return within(state, S::DiagBegin, S::DiagWaitLiveSignals);
}

}  // namespace

SequenceEngine::SequenceEngine(GyroConfig& config, SequenceHost& host, FrontEnd& frontEnd,
                               Screen& screen)
    : config_(config), host_(host), frontEnd_(frontEnd), screen_(screen) {}

void SequenceEngine::refreshScreen() {
    const int flags = (flagBits_.bit8 ? kFlagBit8 : 0) | (flagBits_.bit10 ? kFlagBit10 : 0) |
                      (flagBits_.bit11 ? kFlagBit11 : 0) | (flagBits_.bit12 ? kFlagBit12 : 0);
    screen_.setServoFlagBoxes(flags);
    screen_.showModel(config_);
}

void SequenceEngine::startRead(StatisticsWord statistics) {
    statistics_ = statistics;
    configBeforeRead_ = config_;
    flagBitsBeforeRead_ = flagBits_;
    screen_.enableControls(false);
    state_ = S::ReadBegin;
    host_.armTimer(SequenceTimer::ReadStep, kStepDelay);
}

void SequenceEngine::startWrite() {
    screen_.enableControls(false);
    state_ = S::WriteBegin;
    host_.armTimer(SequenceTimer::WriteStep, kStepDelay);
}

void SequenceEngine::diagnosticsCommand() {
    if (!diagnosticsRunning_ && state_ != S::Idle) {
        // A read or a store runs, or diagnostics finish their last round.
        return;
    }
    if (diagnosticsRunning_) {
        // The round in progress finishes; the flag is looked at once per round.
        diagnosticsRunning_ = false;
        screen_.showDiagnosticsRunning(false);
        return;
    }
    screen_.enableControls(false);
    screen_.showDiagnosticsRunning(true);
    diagnosticsRunning_ = true;
    state_ = S::DiagBegin;
    host_.armTimer(SequenceTimer::DiagStep, kStepDelay);
}

void SequenceEngine::dispatchReply(std::string_view text) {
    if (readReceives(state_)) {
        step(text, &SequenceEngine::runReadState);
    } else if (writeReceives(state_)) {
        step(text, &SequenceEngine::runWriteState);
    } else if (diagnosticsReceive(state_)) {
        step(text, &SequenceEngine::runDiagState);
    }
    // Idle, and the finishing states that only their timers reach, drop the text.
}

void SequenceEngine::onTimer(SequenceTimer timer) {
    host_.killTimer(timer);
    // A step timer runs its own sequence's handler whatever the state: a read replaced by
    // diagnostics finds nothing to do in a diagnostics state.
    switch (timer) {
        case SequenceTimer::Timeout:
            timeout();
            break;
        case SequenceTimer::ReadStep:
            step({}, &SequenceEngine::runReadState);
            break;
        case SequenceTimer::WriteStep:
            step({}, &SequenceEngine::runWriteState);
            break;
        case SequenceTimer::DiagStep:
            step({}, &SequenceEngine::runDiagState);
            break;
        case SequenceTimer::StatusClear:
            frontEnd_.showStatus({});
            break;
    }
}

SequenceEngine::Sequence SequenceEngine::running() const {
    if (within(state_, S::ReadBegin, S::ReadFinish)) {
        return Sequence::Read;
    }
    if (within(state_, S::WriteBegin, S::WriteFinish) ||
        within(state_, S::VerifySendWord, S::VerifyWaitWord)) {
        return Sequence::Write;
    }
    if (within(state_, S::DiagBegin, S::DiagFinish)) {
        return Sequence::Diagnostics;
    }
    return Sequence::None;
}

bool SequenceEngine::adapterLost() {
    if (state_ == S::Idle) {
        return false;
    }
    endEarly(SequenceResult::CutShort, SequenceFailure::AdapterLost);
    return true;
}

void SequenceEngine::step(std::string_view text, Runner run) {
    replyBuffer_.append(text);
    (this->*run)();
    refreshScreen();
}

void SequenceEngine::send(std::string_view frame, SequenceState nextState,
                          std::string_view status) {
    replyBuffer_.clear();
    state_ = nextState;
    if (!status.empty()) {
        frontEnd_.showStatus(status);
    }
    host_.armTimer(SequenceTimer::Timeout, kReplyTimeout);
    host_.sendFrame(frame);
}

bool SequenceEngine::replyArrived(CompletionTest complete) {
    if (!complete(replyBuffer_)) {
        return false;
    }
    host_.killTimer(SequenceTimer::Timeout);
    return true;
}

std::string_view SequenceEngine::wordReply() const {
    return wordReplyText(replyBuffer_);
}

void SequenceEngine::consumed(SequenceState nextState, SequenceTimer stepTimer,
                              std::chrono::milliseconds delay) {
    replyBuffer_.clear();
    state_ = nextState;
    host_.armTimer(stepTimer, delay);
}

void SequenceEngine::endEarly(SequenceResult result, SequenceFailure failure, int failureValue) {
    const Sequence sequence = running();
    if (sequence == Sequence::None) {
        return;  // the sequence it would end has already ended
    }
    // Nothing more may answer: neither the reply waited for nor the next step's frame.
    for (const SequenceTimer timer : {SequenceTimer::Timeout, SequenceTimer::ReadStep,
                                      SequenceTimer::WriteStep, SequenceTimer::DiagStep}) {
        host_.killTimer(timer);
    }
    SequenceOutcome outcome = outcomeOf(sequence, result);
    outcome.failure = failure;
    outcome.failureValue = failureValue;
    if (sequence == Sequence::Read) {
        config_ = configBeforeRead_;
        flagBits_ = flagBitsBeforeRead_;
        outcome.gyro = GyroKnowledge{config_, {}};
        refreshScreen();
    }
    finish(outcome);
}

SequenceOutcome SequenceEngine::outcomeOf(Sequence sequence, SequenceResult result) const {
    SequenceOutcome outcome;
    outcome.result = result;
    outcome.unreadIdentification = unread_;
    switch (sequence) {
        case Sequence::Write:
            outcome.kind = SequenceKind::Store;
            outcome.wordsSent = writing_;
            outcome.gyro = storeKnowledge(config_, storeWords_);
            break;
        case Sequence::Diagnostics:
            outcome.kind = SequenceKind::Diagnostics;
            outcome.gyro = GyroKnowledge{config_, {}};
            break;
        case Sequence::Read:
        case Sequence::None:
            if (result == SequenceResult::Done) {
                outcome.gyro = GyroKnowledge::allRead(config_);
                outcome.gyro.doubtCopiesApart(readWords_);
            } else {
                outcome.gyro = GyroKnowledge{config_, {}};
            }
            break;
    }
    return outcome;
}

void SequenceEngine::finish(const SequenceOutcome& outcome) {
    // Idle before anyone is told: text and timers that arrive while the pilot reads how it
    // went are dropped.
    state_ = S::Idle;
    replyBuffer_.clear();
    writing_ = false;
    stopDiagnostics();
    screen_.enableControls(true);
    // A sequence can run, and end, without any port: diagnostics started before one was chosen.
    if (!host_.adapterOpen()) {
        screen_.enableGyroButtons(false);
    }
    host_.sequenceEnded(outcome);
    host_.armTimer(SequenceTimer::StatusClear, kStatusClearDelay);
}

void SequenceEngine::unread(IdentificationField field) {
    if (std::find(unread_.begin(), unread_.end(), field) == unread_.end()) {
        unread_.push_back(field);
    }
}

void SequenceEngine::timeout() {
    endEarly(SequenceResult::CutShort, SequenceFailure::NoAnswer);
}

void SequenceEngine::stopDiagnostics() {
    if (diagnosticsRunning_) {
        diagnosticsRunning_ = false;
        screen_.showDiagnosticsRunning(false);
    }
}

}  // namespace vn340
