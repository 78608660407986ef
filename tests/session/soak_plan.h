#pragma once

// What the soak does next, drawn from a seeded generator: a read, a store or a compare read,
// the pilot's changes before it, and the fault the line or the gyro suffers while it runs.

#include <array>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>

#include "gyro_sim.h"
#include "protocol/sequence_outcome.h"
#include "soak_wire.h"

namespace vn340::testing {

enum class SoakFault {
    None,
    Silence,        // the gyro stops answering from one frame on
    Garbage,        // junk after every reply, which trails into the next reply's wait
    DamagedAnswer,  // one reply's checksum damaged
    Unplug,         // the adapter pulled out while one reply is on its way
    StuckCell,      // writes to one address acknowledged but not kept
    Noise,          // a few stray characters and zero bytes before every reply
};

inline constexpr std::array kSoakFaults = {
    SoakFault::None,   SoakFault::Silence,   SoakFault::Garbage, SoakFault::DamagedAnswer,
    SoakFault::Unplug, SoakFault::StuckCell, SoakFault::Noise,
};

inline std::string_view faultName(SoakFault fault) {
    switch (fault) {
        case SoakFault::None:
            return "none";
        case SoakFault::Silence:
            return "silence";
        case SoakFault::Garbage:
            return "garbage after replies";
        case SoakFault::DamagedAnswer:
            return "damaged answer";
        case SoakFault::Unplug:
            return "unplugged mid-frame";
        case SoakFault::StuckCell:
            return "stuck cell";
        case SoakFault::Noise:
            return "noise before replies";
    }
    return "?";
}

inline std::string_view kindName(SequenceKind kind) {
    switch (kind) {
        case SequenceKind::Read:
            return "read";
        case SequenceKind::Store:
            return "store";
        case SequenceKind::CompareRead:
            return "compare read";
        case SequenceKind::Diagnostics:
            return "diagnostics";
    }
    return "?";
}

struct SoakPlan {
    SequenceKind kind = SequenceKind::Read;
    SoakFault fault = SoakFault::None;
    // Silence, a damaged answer, an unplug: the frame of the sequence (from 1) the fault
    // takes the answer of.
    int frame = 0;
    int edits = 0;  // the pilot's changes on screen before the sequence
    // Garbage and noise: the stray characters, the zero bytes with them, and for garbage the
    // size of the pieces a reply arrives in.
    std::string junk;
    int zeroBytes = 0;
    std::size_t pieceSize = 0;
};

// Frames a sequence sends when nothing goes wrong: six of identification, then a read the
// seventeen parameter words and the statistics word cleared, a compare read the words only,
// and a store the servo flags word, fifteen words written and seventeen read back.
inline int framesOf(SequenceKind kind) {
    switch (kind) {
        case SequenceKind::Read:
            return 24;
        case SequenceKind::CompareRead:
            return 23;
        default:
            return 39;
    }
}

inline int drawBetween(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

// Stray characters of a line: control characters, zero bytes, letters, digits, full stops.
// Noise arrives with its reply, at most eight characters ahead of the gyro's own echo, so it
// may hold anything. Garbage trails into the wait for the next reply, where a few of its
// characters could pass for the start of one (hexadecimal digits) or for an acknowledgement (a
// full stop): it holds neither, as the program cannot tell them from the gyro's own.
inline std::string drawJunk(std::mt19937& random, SoakFault fault) {
    static constexpr char kCharacters[] = "\x01\x7F\xFF\r\n?~#*ZzgG\0.0123456789ABCDEF";
    static constexpr std::string_view kNoise{kCharacters, sizeof kCharacters - 1};
    const std::string_view alphabet =
        fault == SoakFault::Noise ? kNoise : kNoise.substr(0, kNoise.find('.'));
    std::string junk;
    const int length = drawBetween(random, 1, 8);
    for (int i = 0; i < length; ++i)
        junk += alphabet[static_cast<std::size_t>(
            drawBetween(random, 0, static_cast<int>(alphabet.size()) - 1))];
    return junk;
}

inline SoakPlan drawPlan(std::mt19937& random) {
    SoakPlan plan;
    static constexpr std::array kKinds = {SequenceKind::Read, SequenceKind::Store,
                                          SequenceKind::CompareRead};
    std::discrete_distribution<std::size_t> kinds({35, 45, 20});
    plan.kind = kKinds[kinds(random)];
    // A stuck cell only shows when something is written.
    const double stuck = plan.kind == SequenceKind::Store ? 10 : 0;
    std::discrete_distribution<std::size_t> faults({30, 10, 10, 15, 10, stuck, 15});
    plan.fault = kSoakFaults[faults(random)];
    plan.frame = drawBetween(random, 1, framesOf(plan.kind));
    plan.edits = drawBetween(random, 0, plan.kind == SequenceKind::Store ? 3 : 2);
    if (plan.fault == SoakFault::Garbage || plan.fault == SoakFault::Noise) {
        plan.junk = drawJunk(random, plan.fault);
        plan.zeroBytes = drawBetween(random, 0, 3);
        plan.pieceSize = static_cast<std::size_t>(drawBetween(random, 3, 10));
    }
    return plan;
}

// The line and the gyro as the plan has them, over a serial line paced at 9600 baud.
inline SimSettings simSettingsFor(const SoakPlan& plan) {
    SimSettings settings;
    settings.pace = true;
    switch (plan.fault) {
        case SoakFault::Silence:
            settings.silentFrom = plan.frame;
            break;
        case SoakFault::DamagedAnswer:
            settings.corruptReply = plan.frame;
            break;
        case SoakFault::Garbage:
            settings.noiseAfter = plan.junk;
            settings.zeroBytesAfter = plan.zeroBytes;
            settings.splitSize = plan.pieceSize;
            break;
        case SoakFault::Noise:
            settings.noiseBefore = plan.junk;
            settings.zeroBytesBefore = plan.zeroBytes;
            break;
        default:
            break;
    }
    return settings;
}

inline AnswerFault answerFault(const SoakPlan& plan) {
    switch (plan.fault) {
        case SoakFault::Silence:
            return {AnswerFault::Kind::Silence, plan.frame};
        case SoakFault::DamagedAnswer:
            return {AnswerFault::Kind::Damaged, plan.frame};
        case SoakFault::Unplug:
            return {AnswerFault::Kind::Unplug, plan.frame};
        default:
            return {};
    }
}

}  // namespace vn340::testing
