#pragma once

// What the gyro saw of one sequence, and so what the program must say about it. The soak knows
// which fault it put on which frame; from the frames the simulator received it works out, apart
// from the sequence engine, which answers reached the program whole, and from that the result,
// the words a store could confirm and the identification it could not read.
//
// Words are set side by side through the memory map: a configuration stands for the words a
// store of it would write. Encoding the program's configuration compares whole words, so a
// wrong bit that no setting shows (a servo flag the program does not own) is caught as well;
// decoding the simulator's words instead would lose what a setting cannot hold (a profile is
// held to its slider, a type combination the list does not know keeps the old type).

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/gyro_config.h"
#include "gyro_sim.h"
#include "protocol/frames.h"
#include "protocol/memory_map.h"
#include "protocol/sequence_outcome.h"

namespace vn340::testing {

using ParameterWords = std::array<std::optional<std::uint16_t>, kParameterCount>;
using Confirmed = std::array<bool, kParameterCount>;

inline constexpr int kStatisticsParameter = kParameterCount - 1;

// The words a store of `config` writes, by parameter number; none for the words it leaves.
inline ParameterWords writtenWords(const GyroConfig& config) {
    ParameterWords words{};
    for (int step = 0; step < kWriteStepCount; ++step) {
        words[static_cast<std::size_t>(parameterForWriteStep(step))] =
            parameterWordForWriteStep(config, step, static_cast<std::uint16_t>(config.servoFlags));
    }
    return words;
}

// The words `config` says the gyro holds: those a store writes and the statistics word; the
// unused word stands for nothing.
inline ParameterWords heldWords(const GyroConfig& config) {
    ParameterWords words = writtenWords(config);
    words[kStatisticsParameter] = unsignedToWord(config.statisticsWord);
    return words;
}

inline std::array<std::uint16_t, kParameterCount> gyroWords(const GyroSimulator& gyro) {
    std::array<std::uint16_t, kParameterCount> words{};
    for (int n = 0; n < kParameterCount; ++n)
        words[static_cast<std::size_t>(n)] = gyro.word(parameterAddress(n));
    return words;
}

// The first copy of each profile's second copy: the gyro keeps the slider twice.
inline std::map<int, int> firstCopies() {
    std::map<int, int> firsts;
    const auto& words = parameterWords();
    for (int copy = 0; copy < kParameterCount; ++copy) {
        if (words[static_cast<std::size_t>(copy)].kind != WordKind::ProfileCopy)
            continue;
        for (int first = 0; first < kParameterCount; ++first) {
            const ParameterWord& word = words[static_cast<std::size_t>(first)];
            if (word.kind == WordKind::Profile &&
                word.member == words[static_cast<std::size_t>(copy)].member)
                firsts[copy] = first;
        }
    }
    return firsts;
}

// What a frame asked the gyro: an identification word, a parameter word, or else a write.
struct FrameRole {
    bool identification = false;
    std::optional<int> parameter;
    bool write() const { return !identification && !parameter; }
};

inline FrameRole roleOf(const std::string& frame) {
    static const std::map<std::string, FrameRole, std::less<>> reads = [] {
        std::map<std::string, FrameRole, std::less<>> known;
        for (const std::string_view identification :
             {kReadProductIdFrame, kReadMemoryMapVersionFrame, kReadFirmwareVersionFrame,
              kReadSerialLowFrame, kReadSerialHighFrame, kReadLoaderVersionFrame})
            known[std::string(identification)] = FrameRole{true, {}};
        for (int n = 0; n < kParameterCount; ++n)
            known[parameterReadFrame(n)] = FrameRole{false, n};
        return known;
    }();
    const auto found = reads.find(frame);
    return found == reads.end() ? FrameRole{} : found->second;
}

// The fault a sequence ran under, as far as the gyro's answers go: from frame `frame` on
// (counted from 1 within the sequence) nothing answers, that frame's answer is damaged, or the
// adapter is pulled out while that answer is on its way.
struct AnswerFault {
    enum class Kind { None, Silence, Damaged, Unplug };
    Kind kind = Kind::None;
    int frame = 0;
};

// The frames of one sequence and what became of their answers.
struct Wire {
    std::vector<FrameRole> frames;
    std::vector<bool> intact;  // the answer reached the program whole
    // The first frame whose answer never came (silence) or was lost with the adapter.
    struct Cut {
        SequenceFailure by;
        std::size_t frame;
    };
    std::optional<Cut> cut;
    // A read whose answer was damaged; a write's acknowledgement carries no checksum to damage.
    std::optional<std::size_t> damaged;

    bool wordsSent() const {
        for (const FrameRole& frame : frames) {
            if (frame.write())
                return true;
        }
        return false;
    }
    // Whether the fault took an answer: a frame sent without a reply, or a checksum damaged.
    bool faultMet() const { return cut || damaged; }
};

inline Wire readWire(const std::vector<std::string>& sent, const AnswerFault& fault) {
    Wire wire;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const FrameRole role = roleOf(sent[i]);
        const auto number = static_cast<int>(i + 1);
        bool intact = true;
        if (fault.kind == AnswerFault::Kind::Silence && number >= fault.frame) {
            intact = false;
            if (!wire.cut)
                wire.cut = Wire::Cut{SequenceFailure::NoAnswer, i};
        } else if (fault.kind == AnswerFault::Kind::Unplug && number == fault.frame) {
            intact = false;
            wire.cut = Wire::Cut{SequenceFailure::AdapterLost, i};
        } else if (fault.kind == AnswerFault::Kind::Damaged && number == fault.frame &&
                   !role.write()) {
            intact = false;
            wire.damaged = i;
        }
        wire.frames.push_back(role);
        wire.intact.push_back(intact);
    }
    return wire;
}

// What an outcome must say, worked out from the wire and the gyro's words afterwards.
struct Expected {
    SequenceResult result = SequenceResult::Done;
    SequenceFailure failure = SequenceFailure::None;
    bool wordsSent = false;
    std::size_t unreadIdentification = 0;
    Confirmed confirmed{};
    // Where the sequence must have stopped sending: right after the frame that ended it.
    std::optional<std::size_t> lastFrame;
};

inline std::size_t damagedIdentification(const Wire& wire) {
    return wire.damaged && wire.frames[*wire.damaged].identification ? 1 : 0;
}

// The gyro keeps each profile twice; one setting stands for both copies, so the second is
// confirmed only where the gyro holds it as the first.
inline void confirmCopiesAlike(Confirmed& confirmed,
                               const std::array<std::uint16_t, kParameterCount>& gyro) {
    static const std::map<int, int> copies = firstCopies();
    for (const auto& [copy, first] : copies) {
        const auto c = static_cast<std::size_t>(copy);
        const auto f = static_cast<std::size_t>(first);
        confirmed[c] = confirmed[c] && confirmed[f] && gyro[c] == gyro[f];
    }
}

// A read (or a compare read): an answer it cannot go on without ends it, the screen as it was.
inline Expected expectRead(const Wire& wire,
                           const std::array<std::uint16_t, kParameterCount>& gyro) {
    Expected expected;
    expected.unreadIdentification = damagedIdentification(wire);
    if (wire.cut) {
        expected.result = SequenceResult::CutShort;
        expected.failure = wire.cut->by;
        expected.lastFrame = wire.cut->frame;
    } else if (wire.damaged && wire.frames[*wire.damaged].parameter) {
        expected.result = SequenceResult::Failed;
        expected.failure = SequenceFailure::DamagedAnswer;
        expected.lastFrame = *wire.damaged;
    } else {
        expected.confirmed.fill(true);
        confirmCopiesAlike(expected.confirmed, gyro);
    }
    return expected;
}

// A store: a word is confirmed where its read-back reached the program whole, a profile's
// second copy where its first came back too and both agree. It is Done when every word it
// wrote came back as written, and a damaged servo flags word before any write ends it unwritten.
inline Expected expectStore(const Wire& wire, const ParameterWords& stored,
                            const std::array<std::uint16_t, kParameterCount>& gyro) {
    Expected expected;
    expected.unreadIdentification = damagedIdentification(wire);
    expected.wordsSent = wire.wordsSent();
    Confirmed readBack{};
    bool writing = false;
    for (std::size_t i = 0; i < wire.frames.size(); ++i) {
        writing = writing || wire.frames[i].write();
        if (writing && wire.frames[i].parameter && wire.intact[i])
            readBack[static_cast<std::size_t>(*wire.frames[i].parameter)] = true;
    }
    expected.confirmed = readBack;
    confirmCopiesAlike(expected.confirmed, gyro);
    if (wire.cut) {
        expected.result = SequenceResult::CutShort;
        expected.failure = wire.cut->by;
        expected.lastFrame = wire.cut->frame;
    } else if (wire.damaged && wire.frames[*wire.damaged].parameter && !expected.wordsSent) {
        expected.result = SequenceResult::Failed;
        expected.failure = SequenceFailure::DamagedAnswer;
        expected.lastFrame = *wire.damaged;
    } else {
        for (std::size_t n = 0; n < stored.size(); ++n) {
            if (stored[n] && (!readBack[n] || gyro[n] != *stored[n]))
                expected.result = SequenceResult::NotVerified;
        }
    }
    return expected;
}

}  // namespace vn340::testing
