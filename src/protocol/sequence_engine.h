#pragma once

// The conversations with the gyro: reading the configuration, storing it, and watching the
// live signals. All three run as one small state machine on the GUI thread, advanced by
// received text and by one-shot timers, never by waiting. The engine owns no timer, port or
// window: it asks its host for them, so the same code runs against Qt timers and a real
// adapter in the program, and against a virtual clock and a simulated gyro in the tests.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/front_end.h"
#include "config/gyro_config.h"
#include "config/screen.h"
#include "protocol/identification.h"
#include "protocol/live_signals.h"
#include "protocol/sequence_outcome.h"
#include "protocol/sequence_state.h"
#include "protocol/write_verification.h"

namespace vn340 {

// Timers by the numbers the window has always used for them.
enum class SequenceTimer : int {
    Timeout = 102,
    ReadStep = 110,
    WriteStep = 111,
    StatusClear = 115,
    DiagStep = 117,
};

inline constexpr std::chrono::milliseconds kReplyTimeout{2000};
inline constexpr std::chrono::milliseconds kStepDelay{1};
inline constexpr std::chrono::milliseconds kDiagnosticsPause{50};
inline constexpr std::chrono::milliseconds kStatusClearDelay{3000};

// What a read does with a statistics word it finds: hand it over (offer it when not 0, then
// clear it), or leave it on the gyro untouched for the next read to offer.
enum class StatisticsWord { HandOver, LeaveOnGyro };

// What the statistics offer answers: offer again, clear the word on the gyro, or finish
// without clearing it.
enum class StatisticsAnswer { OfferAgain = 16, ClearWord = 17, Finish = 19 };

// What the engine runs on besides its front end and its screen: numbered timers, the adapter,
// the statistics offer, and whoever follows the ends of reads and stores.
class SequenceHost {
  public:
    virtual ~SequenceHost() = default;

    // One-shot timers; arming a running timer restarts it.
    virtual void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) = 0;
    virtual void killTimer(SequenceTimer timer) = 0;

    virtual void sendFrame(std::string_view frame) = 0;
    // Whether a port to the adapter is open now.
    virtual bool adapterOpen() const = 0;

    // The statistics word was not 0 at the end of a read.
    virtual StatisticsAnswer offerStatistics() = 0;

    // A sequence has ended, well or not; the engine is idle again, the controls are back and a
    // read that ended early has put back the screen it started from. Told once per sequence,
    // before anyone has been told how it went: showing the outcome is the host's.
    virtual void sequenceEnded(const SequenceOutcome& outcome) = 0;
    // A round of diagnostics has brought the live signals.
    virtual void liveSignals(const LiveSignals& round) { (void)round; }
};

class SequenceEngine {
  public:
    // The engine works on `config`, which `screen` shows: the pilot's edits are taken from it
    // as a store begins and every step shows the configuration again. Messages and the status
    // line go to `frontEnd`.
    SequenceEngine(GyroConfig& config, SequenceHost& host, FrontEnd& frontEnd, Screen& screen);

    // "Read from gyro" and "Store to gyro" (after the safety agreement).
    void startRead(StatisticsWord statistics = StatisticsWord::HandOver);
    void startWrite();
    // The diagnostics menu command: starts diagnostics, or asks the running round to be the
    // last one. While a read or a store runs it does nothing: cutting a store short would
    // leave the gyro with some new and some old settings.
    void diagnosticsCommand();

    // Every block of received text, on the GUI thread.
    void dispatchReply(std::string_view text);
    // A timer the engine armed has fired.
    void onTimer(SequenceTimer timer);
    // The adapter has gone (its port is already closed): a running sequence ends at once, as
    // its time-out would end it. Returns whether one was running, and so whether the pilot has
    // been told.
    bool adapterLost();

    enum class Sequence { None, Read, Write, Diagnostics };
    Sequence running() const;

    SequenceState sequenceState() const { return state_; }
    int stepIndex() const { return stepIndex_; }
    const std::string& replyBuffer() const { return replyBuffer_; }
    bool idle() const { return state_ == SequenceState::Idle; }
    bool diagnosticsRunning() const { return diagnosticsRunning_; }
    std::uint16_t gyroSignal() const { return gyroSignal_; }

    // Bits 8, 10, 11 and 12 of the last servo flags word read, mirrored by hidden boxes.
    struct FlagBits {
        bool bit8 = false, bit10 = false, bit11 = false, bit12 = false;
    };
    const FlagBits& flagBits() const { return flagBits_; }

  private:
    using Runner = void (SequenceEngine::*)();
    using CompletionTest = bool (*)(std::string_view buffer);

    // Received text or a step timer: append the text, run the state, refresh the controls.
    void step(std::string_view text, Runner run);
    void runReadState();
    void runWriteState();
    void runDiagState();

    // A send step: empty the buffer, move on, set the status unless it is empty, arm the
    // time-out, send.
    void send(std::string_view frame, SequenceState nextState, std::string_view status = {});
    // Whether the reply waited for is complete; when it is, the time-out no longer runs.
    bool replyArrived(CompletionTest complete);
    // A word reply without its leading characters.
    std::string_view wordReply() const;
    // The end of a wait step whose reply has been consumed.
    void consumed(SequenceState nextState, SequenceTimer stepTimer,
                  std::chrono::milliseconds delay = kStepDelay);

    // Runs the current state when it is one of `steps` and says whether it was.
    bool runIdentification(std::span<const IdentificationStep> steps, SequenceTimer stepTimer);
    // Keeps the word of one identification reply. False when the sequence has ended with a
    // message.
    bool keepIdentification(Identification item, std::string_view reply);
    bool checkProductId(std::string_view reply);
    bool checkMemoryMapVersion(std::string_view reply);
    void storeFirmware(std::string_view reply, Identification item);
    void storeSerialLow(std::string_view reply);
    void storeSerialHigh(std::string_view reply);
    void storeLoader(std::string_view reply);

    void beginRead();
    void readParameter();
    void statisticsHandOver();
    void pollStatisticsCleared();
    void finishRead();

    void beginWrite();
    void keepServoFlags();
    void writeParameter();
    void nextWriteStep();
    void beginVerify();
    void keepReadBack();
    void finishWrite();

    void beginDiagnostics();
    void readGyroSignal();
    void readLiveSignals();
    void finishDiagnostics();

    // Ends the running sequence early. A read puts back the configuration it started from.
    void endEarly(SequenceResult result, SequenceFailure failure, int failureValue = 0);
    // Every end of a sequence: the controls come back, the gyro buttons only with an open
    // port, and the host is handed the outcome.
    void finish(const SequenceOutcome& outcome);
    SequenceOutcome outcomeOf(Sequence sequence, SequenceResult result) const;
    // An identification answer that failed its check: the field keeps what it held.
    void unread(IdentificationField field);
    void timeout();
    void stopDiagnostics();

    // The engine's own refresh of the screen: the hidden bit boxes and the whole model.
    void refreshScreen();

    GyroConfig& config_;
    SequenceHost& host_;
    FrontEnd& frontEnd_;
    Screen& screen_;

    SequenceState state_ = SequenceState::Idle;
    int stepIndex_ = 0;
    std::string replyBuffer_;

    std::uint32_t serialNumber_ = 0;
    // Whether this sequence's reply with the serial number's low half passed its check.
    bool serialLowRead_ = false;
    std::vector<IdentificationField> unread_;
    std::optional<std::uint16_t> keptServoData_;
    // A read's answers, word by word.
    WordAnswers readWords_{};
    // What a read started from, put back when it ends early.
    GyroConfig configBeforeRead_;
    FlagBits flagBitsBeforeRead_;
    // A store's words, and whether its first word has gone out.
    StoreWords storeWords_;
    bool writing_ = false;
    std::uint16_t flagsAsRead_ = 0;
    FlagBits flagBits_;

    StatisticsWord statistics_ = StatisticsWord::HandOver;
    bool diagnosticsRunning_ = false;
    std::uint16_t gyroSignal_ = 0;
};

}  // namespace vn340
