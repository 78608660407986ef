#include "cli/cli_outcome_view.h"

#include <algorithm>
#include <cctype>

#include "cli/cli_front_end.h"
#include "protocol/write_verification.h"

namespace vn340 {
namespace {

// Where a terminal's user looks when the gyro does not answer: there is no port selector and
// no Detect button, but --port and the port list.
constexpr std::string_view kCheckTheLine =
    "check that the Vexa-Plug is plugged in and connected to the vn340, that the vn340 is "
    "powered on, and that --port names the Vexa-Plug's port (vn340-cli ports lists them).";

std::string failureSentence(const SequenceOutcome& outcome) {
    switch (outcome.failure) {
        case SequenceFailure::UnknownDevice:
            return oneLine(sequence_text::unknownDevice(outcome.failureValue));
        case SequenceFailure::UnsupportedMemoryMap:
            return oneLine(sequence_text::unsupportedMemoryMap(outcome.failureValue));
        case SequenceFailure::DamagedAnswer:
            return "An answer of the vn340's was damaged on its way (" +
                   std::string(sequence_text::kCrcFailure) +
                   "): check the Vexa-Plug's cable and plugs, then try again.";
        case SequenceFailure::AdapterLost:
            return "Unable to communicate with the vn340: the Vexa-Plug's port closed; " +
                   std::string(kCheckTheLine);
        case SequenceFailure::None:
        case SequenceFailure::NoAnswer:
            break;
    }
    return "Unable to communicate with the vn340: it did not answer; " + std::string(kCheckTheLine);
}

// What the early end means for the gyro.
std::string consequence(const SequenceOutcome& outcome) {
    switch (outcome.kind) {
        case SequenceKind::Read:
        case SequenceKind::CompareRead:
            return "The read did not finish; nothing was written to the gyro.";
        case SequenceKind::Store:
            return oneLine(outcome.wordsSent ? sequence_text::kStoreUnfinished
                                             : sequence_text::kStoreNotBegun);
        case SequenceKind::Diagnostics:
            break;
    }
    return "The live signals stopped.";
}

// "The firmware version and the serial number could not be read: ...".
std::string unreadLine(const SequenceOutcome& outcome) {
    const std::vector<IdentificationField>& fields = outcome.unreadIdentification;
    std::string names;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            names += i + 1 == fields.size() ? " and " : ", ";
        }
        names += identificationFieldName(fields[i]);
    }
    names[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(names[0])));
    std::string line = names + " could not be read: the gyro's answer was damaged on its way.";
    if (outcome.kind == SequenceKind::Read) {
        line += " The settings were read.";
    }
    return line;
}

// The window's own list of what the gyro did not keep, a line each, without its blank lines.
std::vector<std::string> differenceLines(const std::vector<std::string>& differences) {
    std::vector<std::string> lines;
    const std::string text = sequence_text::storeDiffers(differences);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        if (end > 0) {
            lines.emplace_back(rest.substr(0, end));
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return lines;
}

}  // namespace

std::vector<std::string> outcomeLines(const SequenceOutcome& outcome) {
    std::vector<std::string> lines;
    if (!outcome.ranToItsEnd()) {
        lines.push_back(failureSentence(outcome) + " " + consequence(outcome));
        return lines;
    }
    if (outcome.result == SequenceResult::NotVerified) {
        lines = differenceLines(outcome.differences);
    }
    if (!outcome.unreadIdentification.empty()) {
        lines.push_back(unreadLine(outcome));
    }
    return lines;
}

void CliOutcomeView::showOutcome(const SequenceOutcome& outcome) {
    for (const std::string& line : outcomeLines(outcome)) {
        frontEnd_.tell(line);
    }
}

}  // namespace vn340
