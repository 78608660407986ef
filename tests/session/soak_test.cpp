// The soak: thousands of reads, stores and compare reads in a row, the program without its
// window against the simulated gyro on the virtual clock, each under a fault drawn at random,
// and every outcome checked against what the gyro then holds. A failure names its seed and its
// sequence; the same run comes back with
//   VN340_SOAK_SEED=<seed> VN340_SOAK_SEQUENCES=<sequence> soak_test
// and VN340_SOAK_SEED=random draws a seed of its own.
//
// The heap must not grow over the run. What the test itself keeps is let go as it goes, so
// that only the program's own memory is measured: each sequence gets a fresh simulator holding
// the last one's memory (the simulator logs every frame), the pilot's and the fixture's records
// are forgotten, each snapshot is removed once checked, and the pilot's history, whose undo
// steps are kept on purpose, starts afresh now and then.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "history_fixture.h"
#include "protocol/memory_map.h"

namespace vn340::testing {
namespace {

using namespace std::string_view_literals;
using Words = std::array<std::uint16_t, kParameterCount>;
using ParameterWords = std::array<std::optional<std::uint16_t>, kParameterCount>;

// Forty frames, each answered within a few tens of milliseconds on the paced line, and one
// answer waited for in vain for two seconds: no sequence may take longer than this.
constexpr Micros kLongestSequence = 5'000 * kMs;
// After each sequence the line is left alone this long, so what is still on its way arrives
// before the next one starts.
constexpr Micros kQuietLine = 200 * kMs;
// The pilot's history lives as long as one window would for this many sequences, then starts
// afresh: its undo steps are kept on purpose for as long as it lives, and must not pass for a
// leak. The heap is first measured when the first history goes, and last when the last one does.
constexpr int kHistoryLife = 250;
constexpr long long kHeapGrowthLimit = 1 << 20;
constexpr char kPort[] = "ttyUSB0";
// The gyro keeps each profile twice: parameters 7 and 9, 8 and 10.
constexpr std::pair<std::size_t, std::size_t> kProfileCopies[] = {{7, 9}, {8, 10}};
constexpr std::size_t kServoFlags = (kAddrServoFlags - kParameterBase) / 2;

enum class Fault { None, Silence, Garbage, Damaged, Unplug, StuckCell, Noise };
constexpr const char* kFaultNames[] = {"none",
                                       "silence (from one frame on)",
                                       "garbage after replies",
                                       "damaged answer",
                                       "unplugged mid-frame",
                                       "stuck cell",
                                       "noise before replies"};
constexpr const char* kKindNames[] = {"read", "store", "compare read", "diagnostics"};
constexpr const char* kResultNames[] = {"Done", "NotVerified", "CutShort", "Failed"};

std::uint32_t fromEnvironment(const char* name, std::uint32_t otherwise) {
    const char* given = std::getenv(name);
    if (given == nullptr || *given == '\0') {
        return otherwise;
    }
    if (given == "random"sv) {
        return std::random_device{}();
    }
    return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
}

// The bytes the heap has handed out and not had back; none where that cannot be told (the
// address sanitizer keeps a heap of its own).
std::optional<std::size_t> heapInUse() {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    return mallinfo2().uordblks;
#else
    return std::nullopt;
#endif
}

// The words a store of `config` writes, by parameter number, and with `statistics` the
// statistics word: what the configuration says the gyro holds.
ParameterWords wordsOf(const GyroConfig& config, bool statistics) {
    ParameterWords words{};
    for (int step = 0; step < kWriteStepCount; ++step) {
        words[static_cast<std::size_t>(parameterForWriteStep(step))] =
            parameterWordForWriteStep(config, step, static_cast<std::uint16_t>(config.servoFlags));
    }
    if (statistics) {
        words[kParameterCount - 1] = unsignedToWord(config.statisticsWord);
    }
    return words;
}

struct Plan {
    SequenceKind kind = SequenceKind::Read;
    Fault fault = Fault::None;
    int frame = 0;  // of the sequence, from 1: whose answer silence, damage or an unplug takes
    int edits = 0;  // the pilot's changes on screen before the sequence
    SimSettings line;
};

// The screen and the gyro as a sequence began.
struct Before {
    GyroConfig model;
    GyroConfig shown;
    Words gyro{};
    ParameterWords stored{};  // what a store begun now writes
    std::optional<std::size_t> stuck;
};

// What the outcome must say, worked out apart from the sequence engine from the frames the
// gyro received and the fault the soak put on one of them. A read frame has ten characters
// ("AAAA01CCaa"), a write fourteen.
struct Expected {
    SequenceResult result = SequenceResult::Done;
    SequenceFailure failure = SequenceFailure::None;
    bool wordsSent = false;
    std::size_t unread = 0;
    std::array<bool, kParameterCount> confirmed{};
    std::size_t frames = 0;  // sent: none after the one that ended the sequence
};

Expected expect(const Plan& plan, const std::vector<std::string>& sent, const Before& before,
                const Words& gyro) {
    Expected e;
    const bool store = plan.kind == SequenceKind::Store;
    std::array<bool, kParameterCount> readBack{};
    for (std::size_t i = 0; i < sent.size() && e.result == SequenceResult::Done; ++i) {
        const bool read = sent[i].size() == 10;
        const int address = std::stoi(sent[i].substr(0, 4), nullptr, 16);
        const bool hit = static_cast<int>(i) + 1 == plan.frame;
        e.wordsSent = e.wordsSent || (store && !read);
        e.frames = i + 1;
        if (hit && (plan.fault == Fault::Silence || plan.fault == Fault::Unplug)) {
            e.result = SequenceResult::CutShort;
            e.failure = plan.fault == Fault::Silence ? SequenceFailure::NoAnswer
                                                     : SequenceFailure::AdapterLost;
        } else if (hit && plan.fault == Fault::Damaged && read) {
            // An identification word is left unread; a parameter word ends a read, and a
            // store before it writes, and is not read back after.
            if (address < kParameterBase) {
                ++e.unread;
            } else if (!e.wordsSent) {
                e.result = SequenceResult::Failed;
                e.failure = SequenceFailure::DamagedAnswer;
            }
        } else if (read && address >= kParameterBase && e.wordsSent) {
            readBack[static_cast<std::size_t>(address - kParameterBase) / 2] = true;
        }
    }
    // A read that ran to its end read every word; a store is Done when each word it wrote
    // came back as written.
    if (e.result == SequenceResult::Done && !store) {
        readBack.fill(true);
    }
    for (std::size_t n = 0; n < kParameterCount && e.result == SequenceResult::Done && store; ++n) {
        if (before.stored[n] && (!readBack[n] || gyro[n] != *before.stored[n])) {
            e.result = SequenceResult::NotVerified;
        }
    }
    // One setting stands for a profile's two copies: the second is confirmed only where the
    // gyro holds it as the first.
    e.confirmed = readBack;
    for (const auto& [first, copy] : kProfileCopies) {
        e.confirmed[copy] = readBack[copy] && readBack[first] && gyro[copy] == gyro[first];
    }
    return e;
}

// An outcome in one line, so that one comparison shows all that differs.
std::string said(SequenceKind kind, SequenceResult result, SequenceFailure failure, bool sent,
                 std::size_t unread, const std::array<bool, kParameterCount>& confirmed) {
    std::string line = std::string(kKindNames[static_cast<int>(kind)]) + " " +
                       kResultNames[static_cast<int>(result)] + ", failure " +
                       std::to_string(static_cast<int>(failure)) + (sent ? ", words sent" : "") +
                       ", identification unread " + std::to_string(unread) + ", confirmed ";
    for (const bool word : confirmed) {
        line += word ? '1' : '0';
    }
    return line;
}

// The snapshot a sequence keeps: none for a compare read, a failed read or a store that wrote
// nothing.
std::string_view snapshotEnding(const SequenceOutcome& outcome) {
    const bool done = outcome.result == SequenceResult::Done;
    if (outcome.kind != SequenceKind::Store) {
        return outcome.kind == SequenceKind::Read && done ? "_read.tsf" : "";
    }
    if (outcome.ranToItsEnd()) {
        return done ? "_stored.tsf" : "_unverified.tsf";
    }
    return outcome.wordsSent ? "_unfinished.tsf" : "";
}

class SoakTest : public HistoryTest {
  protected:
    void SetUp() override {
        platform.tellsDeviceEvents = true;
        start("[Settings]\r\nCOM PORT=ttyUSB0\r\nWARNING=1\r\n");
        attach();
        ASSERT_EQ(controller->link().transport(), Transport::Serial);
    }

    int draw(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // Stray characters. Noise comes with its reply, ahead of the gyro's echo, and may hold
    // anything. Garbage trails into the wait for the next reply, where hexadecimal digits could
    // pass for the start of one and a full stop for an acknowledgement, both of which the
    // program cannot tell from the gyro's own: it holds neither.
    std::string drawJunk(Fault fault) {
        constexpr std::string_view kNoise = "\x01\x7F\xFF\r\n?~#*ZzgG\0.0123456789ABCDEF"sv;
        const std::string_view alphabet =
            fault == Fault::Noise ? kNoise : kNoise.substr(0, kNoise.find('.'));
        std::string junk(static_cast<std::size_t>(draw(1, 8)), ' ');
        for (char& c : junk) {
            c = alphabet[static_cast<std::size_t>(draw(0, static_cast<int>(alphabet.size()) - 1))];
        }
        return junk;
    }

    Plan drawPlan() {
        Plan plan;
        constexpr SequenceKind kKinds[] = {SequenceKind::Read, SequenceKind::Store,
                                           SequenceKind::CompareRead};
        plan.kind = kKinds[std::discrete_distribution<int>({35, 45, 20})(random_)];
        const bool store = plan.kind == SequenceKind::Store;
        // A stuck cell only shows when something is written.
        plan.fault = static_cast<Fault>(std::discrete_distribution<int>(
            {30.0, 10.0, 10.0, 15.0, 10.0, store ? 10.0 : 0.0, 15.0})(random_));
        // The frames a sequence sends when all goes well: six of identification, then a read
        // the seventeen parameter words and the statistics word cleared, a compare read the
        // words only, and a store the servo flags word, fifteen written and seventeen read back.
        plan.frame = draw(1, store ? 39 : plan.kind == SequenceKind::Read ? 24 : 23);
        plan.edits = draw(0, store ? 3 : 2);
        plan.line.pace = true;
        if (plan.fault == Fault::Silence) {
            plan.line.silentFrom = plan.frame;
        }
        if (plan.fault == Fault::Damaged) {
            plan.line.corruptReply = plan.frame;
        }
        if (plan.fault == Fault::Noise) {
            plan.line.noiseBefore = drawJunk(plan.fault);
            plan.line.zeroBytesBefore = draw(0, 3);
        }
        if (plan.fault == Fault::Garbage) {
            plan.line.noiseAfter = drawJunk(plan.fault);
            plan.line.zeroBytesAfter = draw(0, 3);
            plan.line.splitSize = static_cast<std::size_t>(draw(3, 10));
        }
        return plan;
    }

    // The pilot's changes on screen, each a box left, a choice made or a slider moved; a
    // number may lie a little beyond its limits, which the box's check then holds it to.
    void edit(int count) {
        for (int i = 0; i < count; ++i) {
            const int pick = draw(0, 6);
            const auto field = static_cast<NumericField>(draw(0, kNumericFieldCount - 1));
            const Range range = describe(field).range;
            if (pick == 0) {
                type(field, draw(range.low - 3, range.high + 3));
            } else if (pick == 1) {
                chooseServo(draw(0, kServoRowCount - 1));
            } else if (pick == 2) {
                chooseSpeed(draw(0, kSpeedOptionCount - 1));
            } else if (pick == 3) {
                chooseType(draw(0, kSignalTypeCount - 1));
            } else if (pick == 4) {
                chooseDirection(draw(0, 1) == 0 ? Direction::Normal : Direction::Reverse);
            } else {
                moveProfile(pick == 5 ? Setting::AccelProfile : Setting::DecelProfile,
                            draw(kProfileMin, kProfileMax));
            }
        }
    }

    Words gyroWords() const {
        Words words{};
        for (int n = 0; n < kParameterCount; ++n) {
            words[static_cast<std::size_t>(n)] = platform.gyro.word(parameterAddress(n));
        }
        return words;
    }

    // The cell of a word this store changes, when it changes any; else of any word it writes.
    std::size_t stickCell(const Before& before) {
        std::vector<std::size_t> written;
        std::vector<std::size_t> changed;
        for (std::size_t n = 0; n < kParameterCount; ++n) {
            if (before.stored[n]) {
                written.push_back(n);
            }
            if (before.stored[n] && *before.stored[n] != before.gyro[n]) {
                changed.push_back(n);
            }
        }
        const std::vector<std::size_t>& from = changed.empty() ? written : changed;
        const std::size_t n =
            from[static_cast<std::size_t>(draw(0, static_cast<int>(from.size()) - 1))];
        platform.gyro.settings().stuckAddress = parameterAddress(static_cast<int>(n));
        return n;
    }

    void runSequence(int number, std::uint32_t seed) {
        const Plan plan = drawPlan();
        SCOPED_TRACE("sequence " + std::to_string(number) + ": " +
                     kKindNames[static_cast<int>(plan.kind)] + ", " +
                     kFaultNames[static_cast<int>(plan.fault)] + ", frame " +
                     std::to_string(plan.frame) + " (VN340_SOAK_SEED=" + std::to_string(seed) +
                     " VN340_SOAK_SEQUENCES=" + std::to_string(number) + ")");
        edit(plan.edits);
        // A gyro that holds what the last one held, on this sequence's line, its frames
        // counted from this sequence's first.
        GyroSimulator fresh(plan.line);
        for (const auto& [address, value] : platform.gyro.memory()) {
            fresh.setWord(address, value);
        }
        platform.gyro = std::move(fresh);
        Before before{model(), pilot.shown, gyroWords(), {}, {}};
        GyroConfig storing = before.model;
        storing.servoFlags = before.gyro[kServoFlags];
        before.stored = wordsOf(storing, false);
        if (plan.fault == Fault::StuckCell) {
            before.stuck = stickCell(before);
        }
        if (plan.fault == Fault::Unplug) {
            platform.transports->pullOutDuringReply(kPort, plan.frame);
        }

        forget();
        const Micros began = platform.clock.now();
        if (plan.kind == SequenceKind::Read) {
            controller->readFromGyro();
        } else if (plan.kind == SequenceKind::Store) {
            controller->storeToGyro();
        } else {
            history->compareWithGyro();
        }
        settle();
        const Micros took = platform.clock.now() - began;
        EXPECT_FALSE(busy()) << "the sequence never ended";
        EXPECT_LE(took, kLongestSequence);
        platform.clock.runUntil(platform.clock.now() + kQuietLine);
        platform.transports->pullOutDuringReply({}, 0);
        if (controller->link().transport() == Transport::None) {
            EXPECT_TRUE(plan.fault == Fault::Unplug) << "the port closed";
            plugBackIn();
        }
        ++faults[plan.fault];
        virtualTime += took;
        longest = std::max(longest, took);
        check(plan, before);
        forget();
    }

    // The system tells the adapter is gone and back; the program opens its port again.
    void plugBackIn() {
        const auto tell = [this](DeviceEvent::Action action) {
            platform.deviceEvents->tell({action, DeviceEvent::Kind::SerialPort, kPort, {}, {}});
        };
        tell(DeviceEvent::Action::Removed);
        platform.transports->plugIn(kPort);
        tell(DeviceEvent::Action::Added);
        EXPECT_EQ(controller->link().transport(), Transport::Serial) << "opened again";
    }

    void check(const Plan& plan, const Before& before) {
        ASSERT_EQ(outcomes.size(), 1u) << "one outcome per sequence";
        const SequenceOutcome& outcome = outcomes.front();
        ++sequences[{outcome.kind, outcome.result}];
        const Words gyro = gyroWords();
        const Expected e = expect(plan, platform.gyro.framesReceived(), before, gyro);
        EXPECT_EQ(said(outcome.kind, outcome.result, outcome.failure, outcome.wordsSent,
                       outcome.unreadIdentification.size(), outcome.gyro.confirmed),
                  said(plan.kind, e.result, e.failure, e.wordsSent, e.unread, e.confirmed));
        EXPECT_EQ(platform.gyro.framesReceived().size(), e.frames)
            << "nothing is sent after the frame that ended the sequence";
        const ParameterWords known = wordsOf(outcome.gyro.config, true);
        for (std::size_t n = 0; n < kParameterCount; ++n) {
            if (outcome.gyro.confirmed[n] && known[n]) {
                EXPECT_EQ(*known[n], gyro[n]) << "parameter " << n << " is confirmed";
            }
        }
        EXPECT_EQ(outcome.differences.empty(), outcome.result != SequenceResult::NotVerified);
        if (before.stuck && outcome.ranToItsEnd()) {
            EXPECT_EQ(gyro[*before.stuck], before.gyro[*before.stuck]) << "the cell is stuck";
        }

        const std::string snapshot = takeSnapshot();
        const std::string_view ending = snapshotEnding(outcome);
        EXPECT_TRUE(ending.empty() ? snapshot.empty() : snapshot.ends_with(ending))
            << "kept \"" << snapshot << "\", not …" << ending;
        if (!ending.empty()) {
            EXPECT_EQ(history->lastSnapshotPath(), snapshot);
        }
        const bool done = outcome.result == SequenceResult::Done;
        if (plan.kind == SequenceKind::Read && done) {
            EXPECT_EQ(model(), outcome.gyro.config);
        } else if (plan.kind != SequenceKind::Store) {
            // A compare read leaves the screen alone, and a read that failed puts it back.
            EXPECT_EQ(model(), before.model) << "the screen is as it was";
            EXPECT_EQ(pilot.shown, before.shown);
            EXPECT_TRUE(steps.empty()) << "no step of the pilot's";
        }
        if (plan.kind == SequenceKind::CompareRead) {
            EXPECT_EQ(compared.size(), done ? 1u : 0u);
        }
    }

    // The snapshot the sequence kept, if any, removed so that the history holds one at most.
    std::string takeSnapshot() {
        std::vector<std::string> kept;
        for (const auto& [path, bytes] : platform.memoryFiles.files) {
            if (path.starts_with(std::string(kHistoryFolder) + "/")) {
                kept.push_back(path);
            }
        }
        EXPECT_LE(kept.size(), 1u) << "one snapshot at most";
        for (const std::string& path : kept) {
            platform.memoryFiles.files.erase(path);
        }
        return kept.empty() ? "" : kept.front();
    }

    // What the pilot and the fixture saw of this sequence, forgotten.
    void forget() {
        outcomes.clear();
        steps.clear();
        changes.clear();
        gyroHolds.clear();
        compared.clear();
        pilot.forgetWhatWasSeen();
    }

    // The pilot's history starts afresh, as with a new window; its undo steps go with it.
    void renewHistory() {
        history.reset();
        attach();
    }

    void printFigures(double realSeconds) const {
        std::printf("soak: virtual time %.1f s (longest sequence %.3f s), real time %.2f s\n",
                    static_cast<double>(virtualTime) / 1e6, static_cast<double>(longest) / 1e6,
                    realSeconds);
        for (const auto& [key, count] : sequences) {
            std::printf("  %-12s %-11s %6d\n", kKindNames[static_cast<int>(key.first)],
                        kResultNames[static_cast<int>(key.second)], count);
        }
        for (const auto& [fault, count] : faults) {
            std::printf("  fault %-27s %6d\n", kFaultNames[static_cast<int>(fault)], count);
        }
        if (heapBefore && heapAfter) {
            std::printf("soak: heap in use %zu bytes after the warm-up, %zu at the end\n",
                        *heapBefore, *heapAfter);
        }
    }

    std::mt19937 random_;
    std::map<std::pair<SequenceKind, SequenceResult>, int> sequences;
    std::map<Fault, int> faults;
    Micros virtualTime = 0;
    Micros longest = 0;
    std::optional<std::size_t> heapBefore;
    std::optional<std::size_t> heapAfter;
};

TEST_F(SoakTest, EverySequenceUnderFaultsEndsOnceAndTellsWhatTheGyroHolds) {
    const std::uint32_t seed = fromEnvironment("VN340_SOAK_SEED", 340);
    const auto count = static_cast<int>(fromEnvironment("VN340_SOAK_SEQUENCES", 10'000));
    std::printf("soak: seed %u, %d sequences (VN340_SOAK_SEED, VN340_SOAK_SEQUENCES)\n", seed,
                count);
    std::fflush(stdout);
    random_.seed(seed);
    const auto realStart = std::chrono::steady_clock::now();
    for (int number = 1; number <= count && !HasFailure(); ++number) {
        runSequence(number, seed);
        if (number % kHistoryLife == 0) {
            renewHistory();
        }
        if (number == kHistoryLife) {
            heapBefore = heapInUse();
        }
    }
    if (heapBefore && !HasFailure()) {
        renewHistory();
        heapAfter = heapInUse();
    }
    printFigures(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count());
    EXPECT_EQ(pilot.unexpected, 0) << "a question nobody expected";
    if (heapBefore && heapAfter) {
        EXPECT_LT(static_cast<long long>(*heapAfter) - static_cast<long long>(*heapBefore),
                  kHeapGrowthLimit)
            << "the heap grew over the run";
    }
}

}  // namespace
}  // namespace vn340::testing
