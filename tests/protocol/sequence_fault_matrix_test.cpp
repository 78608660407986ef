// Every reply of every sequence, spoilt in each way a real line can spoil it: the sequence
// must end as designed, with the controls enabled again and the engine idle, and a write that
// fails before its first word must leave the gyro untouched.

#include <gtest/gtest.h>

#include <iostream>

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
enum class Sequence { Read, Write, Diagnostics };

const char* name(Fault fault) {
    switch (fault) {
        case Fault::Silence:
            return "silence";
        case Fault::CorruptChecksum:
            return "corrupt checksum";
        case Fault::SplitIntoCharacters:
            return "split into characters";
        case Fault::NoiseBeforeFrame:
            return "noise before the frame";
        case Fault::NoiseBeforeReply:
            return "noise before the reply";
        case Fault::NoiseAfter:
            return "noise after";
    }
    return "?";
}

const char* name(Sequence sequence) {
    switch (sequence) {
        case Sequence::Read:
            return "read";
        case Sequence::Write:
            return "write";
        case Sequence::Diagnostics:
            return "diagnostics";
    }
    return "?";
}

// Frames each sequence sends when nothing goes wrong. Diagnostics is stopped while it sends
// its fourth frame, so it runs two rounds.
int framesOf(Sequence sequence) {
    switch (sequence) {
        case Sequence::Read:
            return 24;
        case Sequence::Write:
            return 22;
        case Sequence::Diagnostics:
            return 5;
    }
    return 0;
}

constexpr int kStopDiagnosticsAtFrame = 4;
constexpr std::string_view kNoise = "~#~";  // no ".", no "*", nothing a reply is judged by
// Noise between a frame and its reply shifts the reply: whatever the decoders then read as the
// value group is "000001" (or "0000000001" for a pair), whose checksum digit cannot match, so
// the damage is caught exactly as a damaged checksum is.
constexpr std::string_view kReplyNoise = "~#~#~0000000001";

struct Outcome {
    enum Kind { Completes, CrcFailure, TimesOut } kind = Completes;
};

// What the sequence does when reply `k` (1-based) suffers `fault`.
Outcome::Kind expectedOutcome(Sequence sequence, Fault fault, int k) {
    if (fault == Fault::Silence) {
        return Outcome::TimesOut;
    }
    if (fault != Fault::CorruptChecksum && fault != Fault::NoiseBeforeReply) {
        return Outcome::Completes;  // pieces are gathered, noise outside a reply is discarded
    }
    switch (sequence) {
        case Sequence::Read:
            return k >= 7 && k <= 23 ? Outcome::CrcFailure : Outcome::Completes;
        case Sequence::Write:
            return k == 7 ? Outcome::CrcFailure : Outcome::Completes;
        case Sequence::Diagnostics:
            return Outcome::Completes;
    }
    return Outcome::Completes;
}

struct Case {
    Sequence sequence;
    Fault fault;
    int reply;
};

class FaultRun {
  public:
    explicit FaultRun(const Case& c) : case_(c) {
        if (c.fault == Fault::Silence) {
            sim_.settings().silentFrom = c.reply;
        } else if (c.fault == Fault::CorruptChecksum) {
            sim_.settings().corruptReply = c.reply;
        }
        loadDefaults(config_);
        host_.attach(engine_);
        host_.setGyro([this](std::string_view frame) { return answer(frame); });
    }

    void run() {
        if (case_.fault == Fault::NoiseBeforeFrame && case_.reply == 1) {
            host_.receive(kNoise);  // before the sequence starts: dropped by the idle engine
        }
        switch (case_.sequence) {
            case Sequence::Read:
                engine_.startRead();
                break;
            case Sequence::Write:
                engine_.startWrite();
                break;
            case Sequence::Diagnostics:
                engine_.diagnosticsCommand();
                break;
        }
        host_.run();
    }

    GyroSimulator& sim() { return sim_; }
    GyroConfig& config() { return config_; }
    VirtualHost& host() { return host_; }
    SequenceEngine& engine() { return engine_; }

  private:
    std::vector<std::pair<Micros, std::string>> answer(std::string_view frame) {
        const int number = static_cast<int>(host_.frames.size());
        if (case_.sequence == Sequence::Diagnostics && number == kStopDiagnosticsAtFrame) {
            engine_.diagnosticsCommand();
        }
        auto pieces = simulatedGyro(sim_, host_)(frame);
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
    GyroSimulator sim_;
    GyroConfig config_;
    VirtualHost host_{config_};
    SequenceEngine engine_{config_, host_};
};

void checkCase(const Case& c) {
    SCOPED_TRACE(::testing::Message()
                 << name(c.sequence) << ", " << name(c.fault) << " at reply " << c.reply);
    FaultRun run(c);
    run.run();
    VirtualHost& host = run.host();
    const Outcome::Kind expected = expectedOutcome(c.sequence, c.fault, c.reply);

    EXPECT_TRUE(run.engine().idle());
    ASSERT_FALSE(host.controlsEnabled.empty());
    EXPECT_EQ(host.controlsEnabled.back(), true);
    EXPECT_FALSE(host.timerArmed(SequenceTimer::Timeout));
    EXPECT_FALSE(run.engine().diagnosticsRunning());

    switch (expected) {
        case Outcome::TimesOut:
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0], sequence_text::kCommunicationFailure);
            ASSERT_EQ(static_cast<int>(host.frames.size()), c.reply);
            EXPECT_EQ(host.messageTimes[0] - host.frameTimes.back(), 2000 * kMs);
            break;
        case Outcome::CrcFailure:
            EXPECT_EQ(host.messages, std::vector<std::string>{"Failed CRC Check:READ_ACK"});
            EXPECT_EQ(static_cast<int>(host.frames.size()), c.reply);
            break;
        case Outcome::Completes:
            EXPECT_TRUE(host.messages.empty()) << host.messages.front();
            EXPECT_EQ(static_cast<int>(host.frames.size()), framesOf(c.sequence));
            if (c.sequence == Sequence::Read) {
                EXPECT_EQ(host.status, "Read complete");
            } else if (c.sequence == Sequence::Write) {
                EXPECT_EQ(host.status, "Write complete");
            }
            break;
    }

    // What follows a good read or store (the history) follows exactly those.
    const bool completes = expected == Outcome::Completes;
    EXPECT_EQ(host.readCompletes, completes && c.sequence == Sequence::Read ? 1 : 0);
    EXPECT_EQ(host.writeCompletes, completes && c.sequence == Sequence::Write ? 1 : 0);

    if (c.sequence == Sequence::Write) {
        const bool beforeFirstWrite = c.reply <= 7;
        const std::size_t writes = run.sim().writesApplied().size();
        if (expected != Outcome::Completes && beforeFirstWrite) {
            EXPECT_EQ(writes, 0u) << "nothing is written after a failed identification";
        } else if (expected == Outcome::TimesOut) {
            EXPECT_EQ(writes, static_cast<std::size_t>(c.reply - 8)) << "the words acknowledged";
        } else {
            EXPECT_EQ(writes, 15u);
        }
    }
    if (c.sequence == Sequence::Diagnostics) {
        EXPECT_EQ(host.diagnosticsMenu, (std::vector<bool>{true, false}));
    }

    // A damaged identification reply leaves its field as it was and the read goes on.
    const bool damaged = c.fault == Fault::CorruptChecksum || c.fault == Fault::NoiseBeforeReply;
    if (damaged && c.sequence != Sequence::Diagnostics) {
        const GyroConfig& config = run.config();
        switch (c.reply) {
            case 1:
                EXPECT_EQ(config.productId, 0);
                break;
            case 2:
                EXPECT_EQ(config.memoryMapVersion, GyroConfig{}.memoryMapVersion);
                break;
            case 3:
                EXPECT_EQ(config.firmwareVersion, "");
                break;
            case 4:
                EXPECT_EQ(config.serialNumber, "65536") << "the high half alone";
                break;
            case 5:
                EXPECT_EQ(config.serialNumber, "");
                break;
            case 6:
                EXPECT_EQ(config.loaderVersion, "");
                break;
            default:
                break;
        }
    }
}

TEST(SequenceFaultMatrixTest, EverySequenceEndsAsDesignedWhateverHappensToAReply) {
    int cases = 0;
    for (Sequence sequence : {Sequence::Read, Sequence::Write, Sequence::Diagnostics}) {
        for (Fault fault : {Fault::Silence, Fault::CorruptChecksum, Fault::SplitIntoCharacters,
                            Fault::NoiseBeforeFrame, Fault::NoiseBeforeReply, Fault::NoiseAfter}) {
            for (int reply = 1; reply <= framesOf(sequence); ++reply) {
                checkCase({sequence, fault, reply});
                ++cases;
            }
        }
    }
    std::cout << "fault matrix: " << cases << " cases\n";
    EXPECT_EQ(cases, (24 + 22 + 5) * 6);
}

}  // namespace
}  // namespace vn340::testing
