// The write sequence: the gyro is identified exactly as for a read and its servo flags word
// is read, so that the bits this program does not own survive; only then are the fifteen
// words written, each acknowledged before the next is sent.

#include <array>

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

namespace {

constexpr int kLastWriteStep = kWriteStepCount - 1;
constexpr int kServoDataStep = 12;
constexpr int kServoFlagsStep = 14;

// Empty where the status line keeps the previous step's text.
constexpr std::array<std::string_view, kWriteStepCount> kWriteStatus = {
    "Write high endpoint",
    "Write low endpoint",
    "Write clockwise stop gain",
    "Write counter clockwise stop gain",
    "Write rudder stick deadband",
    "Write AVCS rudder exponencial",
    "Write rate rudder exponencial",
    "Write acceleration profile",
    "Write deceleration profile",
    "",
    "",
    "Write AVCS rudder sensitivity",
    "Write servo data",
    "Write midpoint trim",
    "Write servo data",
};

}  // namespace

void SequenceEngine::runWriteState() {
    const SequenceTimer step = SequenceTimer::WriteStep;
    switch (state_) {
        case 20:
            stepIndex_ = 0;
            host_.enableGyroButtons(false);
            state_ = 21;
            host_.armTimer(step, kStepDelayMs);
            host_.takeControlsIntoFields();
            break;
        case 21:
            send(kReadProductIdFrame, 22, "Initiating write");
            break;
        case 22:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (checkProductId(dropLeading(replyBuffer_, kWordReplyLeading))) {
                    consumed(23, step);
                }
            }
            break;
        case 23:
            send(kReadMemoryMapVersionFrame, 24, "Initiating write");
            break;
        case 24:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (checkMemoryMapVersion(dropLeading(replyBuffer_, kWordReplyLeading))) {
                    consumed(29, step);
                }
            }
            break;
        case 29:
            send(kReadFirmwareVersionFrame, 30);
            break;
        case 30:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeFirmware(dropLeading(replyBuffer_, kWordReplyLeading),
                              FirmwareText::FromBytes);
                consumed(25, step);
            }
            break;
        case 25:
            send(kReadSerialLowFrame, 26);
            break;
        case 26:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeSerialLow(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(27, step);
            }
            break;
        case 27:
            send(kReadSerialHighFrame, 28);
            break;
        case 28:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeSerialHigh(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(31, step);
            }
            break;
        case 31:
            send(kReadLoaderVersionFrame, 32);
            break;
        case 32:
            if (identificationReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                storeLoader(dropLeading(replyBuffer_, kWordReplyLeading));
                consumed(33, step);
            }
            break;
        case 33:
            send(kReadServoFlagsFrame, 34);
            break;
        case 34:
            if (parameterReplyComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                const WordReply flags =
                    decodeWordReply(dropLeading(replyBuffer_, kWordReplyLeading));
                if (!flags.passed) {
                    // Nothing has been written yet, and nothing will be: writing the flags
                    // without knowing the bits we must keep could change them.
                    endWithMessage(sequence_text::crcFailure(), false);
                    return;
                }
                flagsAsRead_ = flags.value;
                config_.servoFlags = flags.value;
                consumed(35, step);
            }
            break;
        case 35:
            writeParameter();
            break;
        case 36:
            if (writeAckComplete(replyBuffer_)) {
                host_.killTimer(SequenceTimer::Timeout);
                if (stepIndex_ == kLastWriteStep) {
                    consumed(37, step);
                } else {
                    ++stepIndex_;
                    consumed(35, step);
                }
            }
            break;
        case 37:
            finishWrite();
            break;
        default:
            break;
    }
}

void SequenceEngine::writeParameter() {
    const std::string_view status = kWriteStatus[static_cast<std::size_t>(stepIndex_)];
    if (!status.empty()) {
        host_.setStatus(status);
    }
    const std::uint16_t word = parameterWordForWriteStep(config_, stepIndex_, flagsAsRead_);
    if (stepIndex_ == kServoDataStep) {
        keptServoData_ = word;
    } else if (stepIndex_ == kServoFlagsStep) {
        config_.servoFlags = word;
    }
    const int n = parameterForWriteStep(stepIndex_);
    const auto addressLow = static_cast<std::uint8_t>(parameterAddress(n) & 0xFF);
    send(parameterWriteFrame(word, addressLow), 36);
}

void SequenceEngine::finishWrite() {
    host_.setStatus("Write complete");
    host_.armTimer(SequenceTimer::StatusClear, kStatusClearMs);
    host_.refreshControls();
    host_.enableControls(true);
    state_ = 0;
}

}  // namespace vn340
