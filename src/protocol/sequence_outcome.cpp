#include "protocol/sequence_outcome.h"

#include <algorithm>
#include <cstdio>

#include "base/front_end.h"
#include "protocol/memory_map.h"
#include "protocol/write_verification.h"

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

namespace {

bool isRead(SequenceKind kind) {
    return kind == SequenceKind::Read || kind == SequenceKind::CompareRead;
}

std::string failureText(const SequenceOutcome& outcome) {
    switch (outcome.failure) {
        case SequenceFailure::UnknownDevice:
            return sequence_text::unknownDevice(outcome.failureValue);
        case SequenceFailure::UnsupportedMemoryMap:
            return sequence_text::unsupportedMemoryMap(outcome.failureValue);
        case SequenceFailure::DamagedAnswer:
            return sequence_text::crcFailure();
        case SequenceFailure::None:
        case SequenceFailure::NoAnswer:
        case SequenceFailure::AdapterLost:
            break;
    }
    return std::string(sequence_text::kCommunicationFailure);
}

// What the pilot must know about a read or a store that ended early.
std::string_view earlyEndText(const SequenceOutcome& outcome) {
    if (isRead(outcome.kind)) {
        return sequence_text::kReadUnfinished;
    }
    if (outcome.kind == SequenceKind::Store) {
        return outcome.wordsSent ? sequence_text::kStoreUnfinished : sequence_text::kStoreNotBegun;
    }
    return {};
}

// "the firmware version and the serial number".
std::string fieldList(const std::vector<IdentificationField>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            text += i + 1 == fields.size() ? " and " : ", ";
        }
        text += identificationFieldName(fields[i]);
    }
    return text;
}

}  // namespace

std::string_view identificationFieldName(IdentificationField field) {
    switch (field) {
        case IdentificationField::Product:
            return "the product id";
        case IdentificationField::MemoryMap:
            return "the memory-map version";
        case IdentificationField::Firmware:
            return "the firmware version";
        case IdentificationField::SerialNumber:
            return "the serial number";
        case IdentificationField::Loader:
            return "the loader version";
    }
    return {};
}

GyroKnowledge GyroKnowledge::allRead(const GyroConfig& config) {
    GyroKnowledge known{config, {}};
    known.confirmed.fill(true);
    return known;
}

void GyroKnowledge::doubtCopiesApart(const WordAnswers& answers) {
    for (int n = 0; n < kParameterCount; ++n) {
        const auto copy = static_cast<std::size_t>(n);
        if (parameterWords()[copy].kind != WordKind::ProfileCopy) {
            continue;
        }
        // The copies follow their first words in the same order, two words on.
        const auto first = copy - 2;
        if (answers[copy] != answers[first]) {
            confirmed[copy] = false;
        }
    }
}

bool GyroKnowledge::anyConfirmed() const {
    return std::find(confirmed.begin(), confirmed.end(), true) != confirmed.end();
}

std::vector<Setting> GyroKnowledge::unknownSettings() const {
    std::vector<Setting> unknown;
    for (int n = 0; n < kParameterCount; ++n) {
        const ParameterWord& word = parameterWords()[static_cast<std::size_t>(n)];
        if (confirmed[static_cast<std::size_t>(n)] || !word.written()) {
            continue;
        }
        for (const std::optional<Setting>& setting : word.settings) {
            if (setting && std::find(unknown.begin(), unknown.end(), *setting) == unknown.end()) {
                unknown.push_back(*setting);
            }
        }
    }
    std::sort(unknown.begin(), unknown.end());
    return unknown;
}

std::optional<std::string> outcomeMessage(const SequenceOutcome& outcome) {
    switch (outcome.result) {
        case SequenceResult::Done:
            return std::nullopt;
        case SequenceResult::NotVerified:
            return sequence_text::storeDiffers(outcome.differences);
        case SequenceResult::CutShort:
        case SequenceResult::Failed:
            break;
    }
    std::string text = failureText(outcome);
    if (const std::string_view more = earlyEndText(outcome); !more.empty()) {
        text += "\n\n";
        text += more;
    }
    return text;
}

std::optional<std::string> outcomeStatus(const SequenceOutcome& outcome) {
    // Another product or another memory map answered: its message says all there is to say,
    // and nothing the status line showed is about this gyro.
    if (outcome.failure == SequenceFailure::UnknownDevice ||
        outcome.failure == SequenceFailure::UnsupportedMemoryMap) {
        return std::string();
    }
    if (outcome.kind == SequenceKind::Diagnostics) {
        return std::nullopt;
    }
    if (!outcome.ranToItsEnd()) {
        return std::string(isRead(outcome.kind) ? sequence_text::kReadDidNotFinish
                                                : sequence_text::kStoreDidNotFinish);
    }
    if (outcome.result == SequenceResult::NotVerified) {
        return std::string(sequence_text::kStoreNotVerified);
    }
    std::string status(isRead(outcome.kind) ? sequence_text::kReadComplete
                                            : sequence_text::kWriteComplete);
    if (!outcome.unreadIdentification.empty()) {
        status += " \u2014 " + fieldList(outcome.unreadIdentification) + " could not be read";
    }
    return status;
}

void FrontEndOutcomeView::showOutcome(const SequenceOutcome& outcome) {
    if (const std::optional<std::string> status = outcomeStatus(outcome)) {
        frontEnd_.showStatus(*status);
    }
    if (const std::optional<std::string> message = outcomeMessage(outcome)) {
        frontEnd_.showMessage(*message);
    }
}

}  // namespace vn340
