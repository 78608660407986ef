#include "protocol/sequence_engine.h"

#include <cstdio>

#include "protocol/frames.h"
#include "protocol/memory_map.h"

namespace vn340 {

namespace sequence_text {

std::string unknownDevice(int productId) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Unknown device with Product ID %04x.\n\nThis computer program is not "
                  "designed to interface with your product.",
                  static_cast<unsigned>(productId));
    return text;
}

std::string unsupportedMemoryMap(int version) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "Your gyro firmware uses configuration format R%i but this program supports "
                  "R%i only.\n\nPlease update your gyro with the latest firmware and download "
                  "the latest version of this program.\n\nBoth are available on the Tarvel RC "
                  "website.",
                  version, kSupportedMemoryMapVersion);
    return text;
}

std::string crcFailure() {
    return std::string(kCrcFailure) + ":" + std::string(kReadAck);
}

}  // namespace sequence_text

SequenceEngine::SequenceEngine(GyroConfig& config, SequenceHost& host)
    : config_(config), host_(host) {}

void SequenceEngine::startRead() {
    host_.enableControls(false);
    state_ = 1;
    host_.armTimer(SequenceTimer::ReadStep, kStepDelayMs);
}

void SequenceEngine::startWrite() {
    host_.enableControls(false);
    state_ = 20;
    host_.armTimer(SequenceTimer::WriteStep, kStepDelayMs);
}

void SequenceEngine::diagnosticsCommand() {
    if (diagnosticsRunning_) {
        // The round in progress finishes; the flag is looked at once per round.
        diagnosticsRunning_ = false;
        host_.diagnosticsMenuChanged(false);
        return;
    }
    host_.enableControls(false);
    host_.diagnosticsMenuChanged(true);
    diagnosticsRunning_ = true;
    state_ = 38;
    host_.armTimer(SequenceTimer::DiagStep, kStepDelayMs);
}

void SequenceEngine::dispatchReply(std::string_view text) {
    if (state_ >= 1 && state_ <= 18) {
        readStep(text);
    } else if (state_ >= 20 && state_ <= 36) {
        writeStep(text);
    } else if (state_ >= 38 && state_ <= 46) {
        diagStep(text);
    }
    // Idle, and the finishing states that only their timers reach, drop the text.
}

void SequenceEngine::onTimer(SequenceTimer timer) {
    host_.killTimer(timer);
    switch (timer) {
        case SequenceTimer::Timeout:
            timeout();
            break;
        case SequenceTimer::ReadStep:
            readStep({});
            break;
        case SequenceTimer::WriteStep:
            writeStep({});
            break;
        case SequenceTimer::DiagStep:
            diagStep({});
            break;
        case SequenceTimer::StatusClear:
            host_.setStatus({});
            host_.refreshControls();
            break;
    }
}

void SequenceEngine::readStep(std::string_view text) {
    replyBuffer_.append(text);
    runReadState();
    host_.refreshControls();
}

void SequenceEngine::writeStep(std::string_view text) {
    replyBuffer_.append(text);
    runWriteState();
    host_.refreshControls();
}

void SequenceEngine::diagStep(std::string_view text) {
    replyBuffer_.append(text);
    runDiagState();
    host_.refreshControls();
}

void SequenceEngine::send(std::string_view frame, int nextState,
                          std::optional<std::string_view> status) {
    replyBuffer_.clear();
    state_ = nextState;
    if (status) {
        host_.setStatus(*status);
    }
    host_.armTimer(SequenceTimer::Timeout, kReplyTimeoutMs);
    host_.sendFrame(frame);
}

void SequenceEngine::consumed(int nextState, SequenceTimer stepTimer, int delayMs) {
    replyBuffer_.clear();
    state_ = nextState;
    host_.armTimer(stepTimer, delayMs);
}

bool SequenceEngine::checkProductId(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (!word.passed) {
        return true;  // a damaged reply is not held against the gyro
    }
    config_.productId = word.value;
    if (word.value != kExpectedProductId) {
        endWithMessage(sequence_text::unknownDevice(config_.productId), true);
        return false;
    }
    return true;
}

bool SequenceEngine::checkMemoryMapVersion(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (!word.passed) {
        return true;
    }
    config_.memoryMapVersion = word.value;
    if (word.value != kSupportedMemoryMapVersion) {
        endWithMessage(sequence_text::unsupportedMemoryMap(config_.memoryMapVersion), true);
        return false;
    }
    return true;
}

void SequenceEngine::storeFirmware(std::string_view reply, FirmwareText text) {
    const WordReply word = decodeWordReply(reply);
    if (word.passed) {
        config_.firmwareNumber = firmwareNumber(word.value);
        config_.firmwareVersion = text == FirmwareText::FromNumber
                                      ? firmwareTextFromNumber(config_.firmwareNumber)
                                      : versionText(word.value);
    }
}

void SequenceEngine::storeSerialLow(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (word.passed) {
        serialNumber_ = word.value;
    }
}

void SequenceEngine::storeSerialHigh(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (word.passed) {
        // Only the low half is kept from before: when the low half's reply was damaged, adding
        // the high half to the whole previous number would count the high half twice.
        serialNumber_ =
            serialNumberFromWords(static_cast<std::uint16_t>(serialNumber_ & 0xFFFF), word.value);
        config_.serialNumber = serialNumberText(serialNumber_);
    }
}

void SequenceEngine::storeLoader(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (word.passed) {
        config_.loaderVersion = versionText(word.value);
    }
}

void SequenceEngine::endWithMessage(std::string_view message, bool clearStatus) {
    host_.killTimer(SequenceTimer::Timeout);
    if (clearStatus) {
        host_.setStatus({});
    }
    state_ = 0;
    replyBuffer_.clear();
    host_.showMessage(message);
    host_.enableControls(true);
}

void SequenceEngine::timeout() {
    if (state_ == 0) {
        return;  // the sequence it guarded has already ended
    }
    state_ = 0;
    replyBuffer_.clear();
    host_.enableControls(true);
    host_.showMessage(sequence_text::kCommunicationFailure);
    host_.armTimer(SequenceTimer::StatusClear, kStatusClearMs);
    stopDiagnostics();
}

void SequenceEngine::stopDiagnostics() {
    if (diagnosticsRunning_) {
        diagnosticsRunning_ = false;
        host_.diagnosticsMenuChanged(false);
    }
}

}  // namespace vn340
