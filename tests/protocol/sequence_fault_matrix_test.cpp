// Every reply of every sequence, spoilt in each way a real line can spoil it: the sequence
// must end as designed, with the controls enabled again and the engine idle; a read that ends
// early must leave the configuration as it found it, and a write that fails before its first
// word must leave the gyro untouched.

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/sequence_engine.h"
#include "sim_gyro.h"

namespace vn340::testing {
namespace {

enum class Fault {
    Silence,
    CorruptChecksum,
    SplitIntoCharacters,
    NoiseBeforeFrame,
    NoiseBeforeReply,
    NoiseAfter,
};
using Sequence = SimSession::Sequence;

// As a test's name shows them.
const char* name(Fault fault) {
    constexpr const char* kNames[] = {"Silence",          "CorruptChecksum",  "SplitIntoCharacters",
                                      "NoiseBeforeFrame", "NoiseBeforeReply", "NoiseAfter"};
    return kNames[static_cast<int>(fault)];
}

const char* name(Sequence sequence) {
    constexpr const char* kNames[] = {"None", "Read", "Write", "Diagnostics"};  // in enum order
    return kNames[static_cast<int>(sequence)];
}

// Frames each sequence sends when nothing goes wrong. Diagnostics is stopped while it sends
// its fourth frame, so it runs two rounds.
constexpr int kFirstWordWritten = 8;    // the write's reply to its first write frame
constexpr int kFirstWordReadBack = 23;  // and to its first read-back frame
int framesOf(Sequence sequence) {
    constexpr int kFrames[] = {0, 24, 39, 5};  // none, read, write, diagnostics
    return kFrames[static_cast<int>(sequence)];
}

constexpr int kStopDiagnosticsAtFrame = 4;
constexpr std::string_view kNoise = "~#~";  // no ".", no "*", nothing a reply is judged by
// Noise between a frame and its reply shifts the reply. A word reply is found behind it by the
// echo of its frame and read whole; a pair reply of diagnostics is read at "0000000001", whose
// checksum digit cannot match, and that round shows nothing new.
constexpr std::string_view kReplyNoise = "~#~#~0000000001";

enum class Outcome { Completes, CrcFailure, TimesOut, Unverified };

// What the sequence does when reply `k` (1-based) suffers `fault`.
Outcome expectedOutcome(Sequence sequence, Fault fault, int k) {
    if (fault == Fault::Silence) {
        return Outcome::TimesOut;
    }
    if (fault != Fault::CorruptChecksum) {
        return Outcome::Completes;  // pieces are gathered, noise is discarded
    }
    switch (sequence) {
        case Sequence::Read:
            return k >= 7 && k <= 23 ? Outcome::CrcFailure : Outcome::Completes;
        case Sequence::Write:
            if (k == 7) {
                return Outcome::CrcFailure;
            }
            // The unused word and the statistics word are read back but were not written.
            if (k == kFirstWordReadBack + 13 || k == kFirstWordReadBack + 16) {
                return Outcome::Completes;
            }
            return k >= kFirstWordReadBack ? Outcome::Unverified : Outcome::Completes;
        default:
            return Outcome::Completes;
    }
}

struct Case {
    Sequence sequence;
    Fault fault;
    int reply;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << name(c.sequence) << ", " << name(c.fault) << " at reply " << c.reply;
}

class FaultRun : public SimSession {
  public:
    explicit FaultRun(const Case& c)
        : SimSession({.silentFrom = c.fault == Fault::Silence ? c.reply : 0,
                      .corruptReply = c.fault == Fault::CorruptChecksum ? c.reply : 0}),
          case_(c) {
        host.setGyro([this](std::string_view frame) { return answer(frame); });
    }

    void run() {
        if (case_.fault == Fault::NoiseBeforeFrame && case_.reply == 1) {
            host.receive(kNoise);  // before the sequence starts: dropped by the idle engine
        }
        start(case_.sequence);
        host.run();
    }

  private:
    std::vector<std::pair<Micros, std::string>> answer(std::string_view frame) {
        const int number = static_cast<int>(host.frames.size());
        if (case_.sequence == Sequence::Diagnostics && number == kStopDiagnosticsAtFrame) {
            engine.diagnosticsCommand();
        }
        auto pieces = simulatedGyro(sim, host)(frame);
        if (number != case_.reply && number + 1 != case_.reply) {
            return pieces;
        }
        if (number + 1 == case_.reply) {
            // Noise on the line after this reply and before the next frame goes out.
            if (case_.fault == Fault::NoiseBeforeFrame && !pieces.empty()) {
                pieces.emplace_back(pieces.back().first + 500, std::string(kNoise));
            }
            return pieces;
        }
        if (case_.fault == Fault::SplitIntoCharacters) {
            std::vector<std::pair<Micros, std::string>> characters;
            for (const auto& [delay, text] : pieces) {
                for (std::size_t i = 0; i < text.size(); ++i) {
                    characters.emplace_back(delay + static_cast<Micros>(i) * 300,
                                            std::string(1, text[i]));
                }
            }
            return characters;
        }
        if (case_.fault == Fault::NoiseBeforeReply && !pieces.empty()) {
            pieces.front().second.insert(0, kReplyNoise);
        }
        if (case_.fault == Fault::NoiseAfter && !pieces.empty()) {
            pieces.back().second += kNoise;                                       // same block
            pieces.emplace_back(pieces.back().first + 200, std::string(kNoise));  // and later
        }
        return pieces;
    }

    Case case_;
};

// The one outcome the host was handed, and the status line the window shows from it.
void checkOutcome(const Case& c, Outcome expected, const VirtualHost& host) {
    ASSERT_EQ(host.outcomes.size(), 1u) << "one notification per sequence";
    const SequenceOutcome& outcome = host.outcomes[0];
    const bool damaged = c.fault == Fault::CorruptChecksum;
    const SequenceResult results[] = {SequenceResult::Done, SequenceResult::Failed,
                                      SequenceResult::CutShort, SequenceResult::NotVerified};
    EXPECT_EQ(outcome.result, results[static_cast<int>(expected)]);
    const SequenceFailure failures[] = {SequenceFailure::None, SequenceFailure::DamagedAnswer,
                                        SequenceFailure::NoAnswer, SequenceFailure::None};
    EXPECT_EQ(outcome.failure, failures[static_cast<int>(expected)]);
    if (c.sequence == Sequence::Write) {
        EXPECT_EQ(outcome.wordsSent, expected == Outcome::Completes ||
                                         expected == Outcome::Unverified ||
                                         c.reply >= kFirstWordWritten);
        // Every word read back is known; the one whose answer was damaged is not, and nothing
        // is known of a store that ended early before its read-back.
        const auto known =
            std::count(outcome.gyro.confirmed.begin(), outcome.gyro.confirmed.end(), true);
        int expectedKnown = 0;
        if (outcome.ranToItsEnd()) {
            expectedKnown = kParameterCount;
            if (damaged && c.reply >= kFirstWordReadBack) {
                // A profile whose first copy's answer was damaged is not known by its second.
                const int word = c.reply - kFirstWordReadBack;
                expectedKnown -= word == 7 || word == 8 ? 2 : 1;
            }
        } else if (expected == Outcome::TimesOut && c.reply > kFirstWordReadBack) {
            expectedKnown = c.reply - kFirstWordReadBack;
        }
        EXPECT_EQ(known, expectedKnown);
    }
    // A damaged identification answer of a read or a store is carried, and said.
    const IdentificationField fields[] = {
        IdentificationField::Product,      IdentificationField::MemoryMap,
        IdentificationField::Firmware,     IdentificationField::SerialNumber,
        IdentificationField::SerialNumber, IdentificationField::Loader};
    // Diagnostics identify the gyro by its product alone.
    const int identificationReplies = c.sequence == Sequence::Diagnostics ? 1 : 6;
    std::vector<IdentificationField> unread;
    if (damaged && c.reply <= identificationReplies) {
        unread.push_back(fields[c.reply - 1]);
    }
    EXPECT_EQ(outcome.unreadIdentification, unread);
    if (expected == Outcome::Completes && c.sequence != Sequence::Diagnostics) {
        std::string status = c.sequence == Sequence::Read ? "Read complete" : "Write complete";
        if (!unread.empty()) {
            status +=
                " \u2014 " + std::string(identificationFieldName(unread[0])) + " could not be read";
        }
        EXPECT_EQ(host.status, status);
    }
    if (expected == Outcome::TimesOut || expected == Outcome::CrcFailure) {
        const char* const status[] = {"", "Read did not finish", "Store did not finish", ""};
        if (c.sequence != Sequence::Diagnostics) {
            EXPECT_EQ(host.status, status[static_cast<int>(c.sequence)]);
        }
    }
}

void checkCase(const Case& c) {
    FaultRun run(c);
    run.run();
    VirtualHost& host = run.host;
    const Outcome expected = expectedOutcome(c.sequence, c.fault, c.reply);

    EXPECT_TRUE(run.engine.idle());
    ASSERT_FALSE(host.controlsEnabled.empty());
    EXPECT_EQ(host.controlsEnabled.back(), true);
    EXPECT_FALSE(host.timerArmed(SequenceTimer::Timeout));
    EXPECT_FALSE(run.engine.diagnosticsRunning());

    // What an early end adds to its message: a read puts the screen back, a store says whether
    // it had begun writing.
    const bool wroteWords = c.sequence == Sequence::Write && c.reply >= kFirstWordWritten;
    std::string endEarly;
    if (c.sequence == Sequence::Read) {
        endEarly = "\n\n" + std::string(sequence_text::kReadUnfinished);
    } else if (c.sequence == Sequence::Write) {
        endEarly = "\n\n" + std::string(wroteWords ? sequence_text::kStoreUnfinished
                                                   : sequence_text::kStoreNotBegun);
    }
    const bool endsEarly = expected == Outcome::TimesOut || expected == Outcome::CrcFailure;
    switch (expected) {
        case Outcome::TimesOut:
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0],
                      std::string(sequence_text::kCommunicationFailure) + endEarly);
            ASSERT_EQ(static_cast<int>(host.frames.size()), c.reply);
            EXPECT_EQ(host.messageTimes[0] - host.frameTimes.back(), 2000 * kMs);
            break;
        case Outcome::CrcFailure:
            EXPECT_EQ(host.messages,
                      std::vector<std::string>{"Failed CRC Check:READ_ACK" + endEarly});
            EXPECT_EQ(static_cast<int>(host.frames.size()), c.reply);
            break;
        case Outcome::Unverified:
            // The store is whole, but one word could not be checked: the pilot is told which.
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_NE(host.messages[0].find("the gyro's answer was damaged"), std::string::npos)
                << host.messages[0];
            EXPECT_EQ(static_cast<int>(host.frames.size()), framesOf(c.sequence));
            EXPECT_EQ(host.status, sequence_text::kStoreNotVerified);
            break;
        case Outcome::Completes:
            EXPECT_TRUE(host.messages.empty()) << host.messages.front();
            EXPECT_EQ(static_cast<int>(host.frames.size()), framesOf(c.sequence));
            break;
    }
    checkOutcome(c, expected, host);

    // What follows a good read or store (the history) follows exactly those; a store cut
    // short after its first word is kept as unfinished.
    EXPECT_EQ(host.readCompletes, !endsEarly && c.sequence == Sequence::Read ? 1 : 0);
    EXPECT_EQ(host.writeCompletes, !endsEarly && c.sequence == Sequence::Write ? 1 : 0);
    EXPECT_EQ(host.writesUnfinished, endsEarly && wroteWords ? 1 : 0);
    if (endsEarly && c.sequence == Sequence::Read) {
        GyroConfig before;
        loadDefaults(before);
        EXPECT_EQ(run.config, before) << "the read put back what it started from";
    }

    if (c.sequence == Sequence::Write) {
        const std::size_t writes = run.sim.writesApplied().size();
        if (endsEarly && !wroteWords) {
            EXPECT_EQ(writes, 0u) << "nothing is written after a failed identification";
        } else if (expected == Outcome::TimesOut && c.reply < kFirstWordReadBack) {
            EXPECT_EQ(writes, static_cast<std::size_t>(c.reply - kFirstWordWritten))
                << "the words acknowledged";
        } else {
            EXPECT_EQ(writes, 15u);
        }
    }
    if (c.sequence == Sequence::Diagnostics) {
        EXPECT_EQ(host.diagnosticsShown, (std::vector<bool>{true, false}));
    }

    // A damaged identification reply leaves its field as it was and the read goes on: reply by
    // reply the product, the map version, the firmware, the serial number's two halves (not
    // the high half alone) and the loader.
    if (c.fault == Fault::CorruptChecksum && c.sequence != Sequence::Diagnostics && c.reply <= 6) {
        const GyroConfig& config = run.config;
        const std::string fields[] = {std::to_string(config.productId),
                                      std::to_string(config.memoryMapVersion),
                                      config.firmwareVersion,
                                      config.serialNumber,
                                      config.serialNumber,
                                      config.loaderVersion};
        const std::string unread[] = {
            "0", std::to_string(GyroConfig{}.memoryMapVersion), "", "", "", ""};
        EXPECT_EQ(fields[c.reply - 1], unread[c.reply - 1]);
    }
    // Read through noise, every word is the gyro's.
    if (c.fault == Fault::NoiseBeforeReply && c.sequence == Sequence::Read) {
        SimSession clean;
        clean.read();
        EXPECT_EQ(run.config, clean.config);
    }
}

std::vector<Case> everyCase() {
    std::vector<Case> cases;
    for (Sequence sequence : {Sequence::Read, Sequence::Write, Sequence::Diagnostics}) {
        for (Fault fault : {Fault::Silence, Fault::CorruptChecksum, Fault::SplitIntoCharacters,
                            Fault::NoiseBeforeFrame, Fault::NoiseBeforeReply, Fault::NoiseAfter}) {
            for (int reply = 1; reply <= framesOf(sequence); ++reply) {
                cases.push_back({sequence, fault, reply});
            }
        }
    }
    return cases;
}

// One test per case, named after it, so that one case can be run alone:
// --gtest_filter='*Write_Silence_Reply23'.
class SequenceFaultMatrixTest : public ::testing::TestWithParam<Case> {};

TEST_P(SequenceFaultMatrixTest, EndsAsDesigned) {
    checkCase(GetParam());
}

INSTANTIATE_TEST_SUITE_P(EveryReply, SequenceFaultMatrixTest, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             const Case& c = param.param;
                             return std::string(name(c.sequence)) + "_" + name(c.fault) + "_Reply" +
                                    std::to_string(c.reply);
                         });

}  // namespace
}  // namespace vn340::testing
