// The identification steps, written once for every sequence that runs them. A damaged reply is
// not held against the gyro: the field keeps its value and the sequence goes on.

#include "protocol/identification.h"

#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_engine.h"

namespace vn340 {

std::string_view identificationFrame(Identification item) {
    switch (item) {
        case Identification::ProductId:
            return kReadProductIdFrame;
        case Identification::MemoryMapVersion:
            return kReadMemoryMapVersionFrame;
        case Identification::FirmwareFromNumber:
        case Identification::FirmwareFromBytes:
            return kReadFirmwareVersionFrame;
        case Identification::SerialLow:
            return kReadSerialLowFrame;
        case Identification::SerialHigh:
            return kReadSerialHighFrame;
        case Identification::Loader:
            return kReadLoaderVersionFrame;
    }
    return {};
}

bool SequenceEngine::runIdentification(std::span<const IdentificationStep> steps,
                                       SequenceTimer stepTimer) {
    for (const IdentificationStep& step : steps) {
        if (state_ == step.sendState) {
            send(identificationFrame(step.item), step.waitState, step.status);
            return true;
        }
        if (state_ == step.waitState) {
            if (replyArrived(identificationReplyComplete) &&
                keepIdentification(step.item, wordReply())) {
                consumed(step.nextState, stepTimer);
            }
            return true;
        }
    }
    return false;
}

bool SequenceEngine::keepIdentification(Identification item, std::string_view reply) {
    switch (item) {
        case Identification::ProductId:
            return checkProductId(reply);
        case Identification::MemoryMapVersion:
            return checkMemoryMapVersion(reply);
        case Identification::FirmwareFromNumber:
        case Identification::FirmwareFromBytes:
            storeFirmware(reply, item);
            break;
        case Identification::SerialLow:
            storeSerialLow(reply);
            break;
        case Identification::SerialHigh:
            storeSerialHigh(reply);
            break;
        case Identification::Loader:
            storeLoader(reply);
            break;
    }
    return true;
}

bool SequenceEngine::checkProductId(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (!word.passed) {
        unread(IdentificationField::Product);
        return true;
    }
    config_.productId = word.value;
    if (word.value != kExpectedProductId) {
        endEarly(SequenceResult::Failed, SequenceFailure::UnknownDevice, config_.productId);
        return false;
    }
    return true;
}

bool SequenceEngine::checkMemoryMapVersion(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (!word.passed) {
        unread(IdentificationField::MemoryMap);
        return true;
    }
    config_.memoryMapVersion = word.value;
    if (word.value != kSupportedMemoryMapVersion) {
        endEarly(SequenceResult::Failed, SequenceFailure::UnsupportedMemoryMap,
                 config_.memoryMapVersion);
        return false;
    }
    return true;
}

void SequenceEngine::storeFirmware(std::string_view reply, Identification item) {
    const WordReply word = decodeWordReply(reply);
    if (!word.passed) {
        unread(IdentificationField::Firmware);
    } else {
        config_.firmwareNumber = firmwareNumber(word.value);
        config_.firmwareVersion = item == Identification::FirmwareFromNumber
                                      ? firmwareTextFromNumber(config_.firmwareNumber)
                                      : versionText(word.value);
    }
}

void SequenceEngine::storeSerialLow(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    serialLowRead_ = word.passed;
    if (word.passed) {
        serialNumber_ = word.value;
    } else {
        unread(IdentificationField::SerialNumber);
    }
}

void SequenceEngine::storeSerialHigh(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    // Without this reading's low half the number would be made of two gyros' halves, or of
    // two readings': the field keeps the number it had.
    if (word.passed && serialLowRead_) {
        serialNumber_ =
            serialNumberFromWords(static_cast<std::uint16_t>(serialNumber_ & 0xFFFF), word.value);
        config_.serialNumber = serialNumberText(serialNumber_);
    } else {
        unread(IdentificationField::SerialNumber);
    }
}

void SequenceEngine::storeLoader(std::string_view reply) {
    const WordReply word = decodeWordReply(reply);
    if (word.passed) {
        config_.loaderVersion = versionText(word.value);
    } else {
        unread(IdentificationField::Loader);
    }
}

}  // namespace vn340
