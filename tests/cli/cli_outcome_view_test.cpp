// How vn340-cli words the end of a sequence and the window's own messages for a terminal.

#include "cli/cli_outcome_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_front_end.h"
#include "config/settings_codec.h"

namespace vn340 {
namespace {

// Words that mean nothing without a window: no OK to press, no window to look at, no COM port,
// no Detect button.
const char* const kWindowWords[] = {"Press OK", "window shows again", "COM port", "Detect"};

SequenceOutcome ended(SequenceKind kind, SequenceResult result,
                      SequenceFailure failure = SequenceFailure::None) {
    SequenceOutcome outcome;
    outcome.kind = kind;
    outcome.result = result;
    outcome.failure = failure;
    return outcome;
}

TEST(CliOutcomeView, EachEndIsToldForATerminalInLinesOfItsOwn) {
    using K = SequenceKind;
    using R = SequenceResult;
    using F = SequenceFailure;
    SequenceOutcome storeCutShort = ended(K::Store, R::CutShort, F::NoAnswer);
    storeCutShort.wordsSent = true;
    SequenceOutcome notVerified = ended(K::Store, R::NotVerified);
    notVerified.differences = {"High endpoint: stored 133, the gyro holds 120",
                               "Acceleration profile: stored 3, the gyro holds 15"};
    SequenceOutcome unread = ended(K::Read, R::Done);
    unread.unreadIdentification = {IdentificationField::Firmware,
                                   IdentificationField::SerialNumber};
    SequenceOutcome otherProduct = ended(K::Read, R::Failed, F::UnknownDevice);
    otherProduct.failureValue = 0x0241;
    struct Row {
        const char* what;
        SequenceOutcome outcome;
        std::vector<std::string> parts;  // each in its own line, in this order
    };
    const Row rows[] = {
        {"a read that went well", ended(K::Read, R::Done), {}},
        {"a silent gyro during a read",
         ended(K::Read, R::CutShort, F::NoAnswer),
         {"Unable to communicate with the vn340: it did not answer; check that the Vexa-Plug is "
          "plugged in and connected to the vn340, that the vn340 is powered on, and that --port "
          "names the Vexa-Plug's port (vn340-cli ports lists them). The read did not finish; "
          "nothing was written to the gyro."}},
        {"the adapter pulled out during a diff's read",
         ended(K::CompareRead, R::CutShort, F::AdapterLost),
         {"the Vexa-Plug's port closed; check that the Vexa-Plug is plugged in"}},
        {"a store cut short after its first word",
         storeCutShort,
         {"some new and some old settings. Storing again is safe"}},
        {"a store cut short before its first word",
         ended(K::Store, R::CutShort, F::NoAnswer),
         {"nothing had been written yet: the gyro keeps the settings it had. Storing again is "
          "safe."}},
        {"a store the gyro did not keep",
         notVerified,
         {"The gyro does not hold everything that was stored:",
          "High endpoint: stored 133, the gyro holds 120",
          "Acceleration profile: stored 3, the gyro holds 15", "store again"}},
        {"another product", otherProduct, {"Unknown device with Product ID 0241. This computer"}},
        {"another memory map",
         ended(K::Read, R::Failed, F::UnsupportedMemoryMap),
         {"configuration format R0 but this program supports R3 only. Please update"}},
        {"a damaged answer",
         ended(K::Read, R::Failed, F::DamagedAnswer),
         {"was damaged on its way (Failed CRC Check)"}},
        {"identification unread",
         unread,
         {"The firmware version and the serial number could not be read: the gyro's answer was "
          "damaged on its way. The settings were read."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::string> lines = outcomeLines(row.outcome);
        ASSERT_EQ(lines.size(), row.parts.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_NE(lines[i].find(row.parts[i]), std::string::npos) << lines[i];
            for (const char* words : kWindowWords) {
                EXPECT_EQ(lines[i].find(words), std::string::npos) << lines[i];
            }
        }
    }
}

TEST(CliOutcomeView, TheWindowsMessagesLoseWhatOnlyAWindowCanAsk) {
    struct Row {
        const char* what;
        std::string message;
        std::string words;
    };
    const Row rows[] = {
        {"a value replaced by its default", unexpectedValueMessage("High endpoint"),
         "Unexpected value found in the configuration file for High endpoint. The configuration "
         "file could be corrupt. Default High endpoint will be used."},
        {"the window's words for a silent gyro", std::string(sequence_text::kCommunicationFailure),
         "Unable to communicate with the vn340. Check that: The vn340 is powered on. The "
         "Vexa-Plug is connected to the vn340."},
        {"the window's words for a read cut short", std::string(sequence_text::kReadUnfinished),
         ""},
        {"nothing of the window's", "Cannot write \"/x\": No space left\non device",
         "Cannot write \"/x\": No space left on device"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(commandLineWords(row.message), row.words);
    }
}

}  // namespace
}  // namespace vn340
