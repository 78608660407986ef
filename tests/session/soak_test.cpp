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
// are forgotten, each snapshot is removed from the files in memory once checked, and the
// pilot's history, whose undo steps are kept on purpose, starts afresh now and then.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "history_fixture.h"
#include "soak_figures.h"
#include "soak_plan.h"
#include "soak_wire.h"

namespace vn340::testing {
namespace {

constexpr std::uint32_t kDefaultSeed = 340;
constexpr int kDefaultSequences = 10'000;
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
constexpr char kSerialWithGyro[] = "[Settings]\r\nCOM PORT=ttyUSB0\r\nWARNING=1\r\n";

std::uint32_t soakSeed() {
    const char* given = std::getenv("VN340_SOAK_SEED");
    if (given == nullptr || *given == '\0')
        return kDefaultSeed;
    if (std::string(given) == "random")
        return std::random_device{}();
    return static_cast<std::uint32_t>(std::strtoul(given, nullptr, 10));
}

int soakSequences() {
    const char* given = std::getenv("VN340_SOAK_SEQUENCES");
    if (given == nullptr || *given == '\0')
        return kDefaultSequences;
    return std::atoi(given);
}

// What the screen and the gyro were as a sequence began.
struct Before {
    GyroConfig model;
    GyroConfig shown;
    std::array<std::uint16_t, kParameterCount> gyro{};
    std::optional<int> stuckParameter;

    // The words a store begun now writes: the screen's, with the servo flags the gyro holds
    // beside the bits the program sets.
    ParameterWords stored() const {
        GyroConfig storing = model;
        storing.servoFlags = gyro[(kAddrServoFlags - kParameterBase) / 2];
        return writtenWords(storing);
    }
};

class SoakTest : public HistoryTest {
  protected:
    void SetUp() override {
        platform.tellsDeviceEvents = true;
        start(kSerialWithGyro);
        attach();
        ASSERT_EQ(controller->link().transport(), Transport::Serial);
    }

    void runSequence(int number, std::uint32_t seed) {
        number_ = number;
        const SoakPlan plan = drawPlan(random_);
        SCOPED_TRACE(replay(number, seed, plan));
        passTime(number);
        edit(plan.edits);
        freshGyro(plan);
        Before before{model(), pilot.shown, gyroWords(platform.gyro), std::nullopt};
        if (plan.fault == SoakFault::StuckCell)
            before.stuckParameter = stickCell(before);
        if (plan.fault == SoakFault::Unplug)
            platform.transports->pullOutDuringReply(kPort, plan.frame);

        forget();
        const Micros began = platform.clock.now();
        begin(plan.kind);
        settle();
        const Micros took = platform.clock.now() - began;
        EXPECT_FALSE(busy()) << "the sequence never ended";
        EXPECT_LE(took, kLongestSequence);
        platform.clock.runUntil(platform.clock.now() + kQuietLine);
        platform.transports->pullOutDuringReply({}, 0);
        if (controller->link().transport() == Transport::None) {
            EXPECT_EQ(faultName(plan.fault), faultName(SoakFault::Unplug)) << "the port closed";
            plugBackIn();
        }
        ASSERT_EQ(outcomes.size(), 1u) << "one outcome per sequence";

        const SequenceOutcome& outcome = outcomes.front();
        const Wire wire = readWire(platform.gyro.framesReceived(), answerFault(plan));
        tally(plan, outcome, wire, before, took);
        check(plan, outcome, wire, before);
        forget();
    }

    // The pilot's history starts afresh, as with a new window; its undo steps go with it.
    void renewHistory() {
        const std::size_t kept = history->steps().count();
        const std::optional<std::size_t> held = heapInUse();
        history.reset();
        const std::optional<std::size_t> left = heapInUse();
        figures.stepsLetGo += kept;
        if (held && left)
            figures.stepBytes += static_cast<long long>(*held) - static_cast<long long>(*left);
        attach();
    }

    std::mt19937 random_;
    SoakFigures figures;
    int number_ = 0;  // of the sequence running

  private:
    static std::string replay(int number, std::uint32_t seed, const SoakPlan& plan) {
        return "seed " + std::to_string(seed) + ", sequence " + std::to_string(number) + ": " +
               std::string(kindName(plan.kind)) + ", " + std::string(faultName(plan.fault)) +
               (answerFault(plan).kind != AnswerFault::Kind::None
                    ? " at frame " + std::to_string(plan.frame)
                    : "") +
               " (VN340_SOAK_SEED=" + std::to_string(seed) +
               " VN340_SOAK_SEQUENCES=" + std::to_string(number) + ")";
    }

    // A second of the calendar per sequence, so every snapshot has a name of its own.
    void passTime(int number) {
        const int seconds = 18 * 3600 + 30 * 60 + number;
        platform.time = LocalTime{
            2026, 12, 9 + seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60};
    }

    // The pilot's changes on screen, each a box left, a choice made or a slider moved; a
    // number may lie a little beyond its limits, which the box's check then holds it to.
    void edit(int count) {
        for (int i = 0; i < count; ++i) {
            switch (drawBetween(random_, 0, 5)) {
                case 0: {
                    const auto field =
                        static_cast<NumericField>(drawBetween(random_, 0, kNumericFieldCount - 1));
                    const Range range = describe(field).range;
                    type(field, drawBetween(random_, range.low - 3, range.high + 3));
                    break;
                }
                case 1:
                    chooseServo(drawBetween(random_, 0, kServoRowCount - 1));
                    break;
                case 2:
                    chooseSpeed(drawBetween(random_, 0, kSpeedOptionCount - 1));
                    break;
                case 3:
                    chooseType(drawBetween(random_, 0, kSignalTypeCount - 1));
                    break;
                case 4:
                    chooseDirection(drawBetween(random_, 0, 1) == 0 ? Direction::Normal
                                                                    : Direction::Reverse);
                    break;
                default:
                    moveProfile(drawBetween(random_, 0, 1) == 0 ? Setting::AccelProfile
                                                                : Setting::DecelProfile,
                                drawBetween(random_, kProfileMin, kProfileMax));
                    break;
            }
        }
    }

    // A gyro that holds what the last one held, with this sequence's line, and its frames
    // counted from the first of this sequence.
    void freshGyro(const SoakPlan& plan) {
        GyroSimulator fresh(simSettingsFor(plan));
        for (const auto& [address, value] : platform.gyro.memory())
            fresh.setWord(address, value);
        platform.gyro = std::move(fresh);
    }

    // The cell of a word this store changes, when it changes any; else of any word it writes.
    int stickCell(const Before& before) {
        const ParameterWords stored = before.stored();
        std::vector<int> changed;
        std::vector<int> written;
        for (int n = 0; n < kParameterCount; ++n) {
            const auto& word = stored[static_cast<std::size_t>(n)];
            if (!word)
                continue;
            written.push_back(n);
            if (*word != before.gyro[static_cast<std::size_t>(n)])
                changed.push_back(n);
        }
        const std::vector<int>& from = changed.empty() ? written : changed;
        const int n = from[static_cast<std::size_t>(
            drawBetween(random_, 0, static_cast<int>(from.size()) - 1))];
        platform.gyro.settings().stuckAddress = parameterAddress(n);
        return n;
    }

    void begin(SequenceKind kind) {
        switch (kind) {
            case SequenceKind::Read:
                controller->readFromGyro();
                break;
            case SequenceKind::Store:
                controller->storeToGyro();
                break;
            default:
                history->compareWithGyro();
                break;
        }
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

    void tally(const SoakPlan& plan, const SequenceOutcome& outcome, const Wire& wire,
               const Before& before, Micros took) {
        figures.count(outcome.kind, outcome.result, took);
        ++figures.injected[plan.fault];
        bool met = wire.faultMet();
        if (plan.fault == SoakFault::Garbage || plan.fault == SoakFault::Noise)
            met = true;
        if (before.stuckParameter) {
            const auto n = static_cast<std::size_t>(*before.stuckParameter);
            met = before.stored()[n] != before.gyro[n];
        }
        if (met)
            ++figures.met[plan.fault];
    }

    void check(const SoakPlan& plan, const SequenceOutcome& outcome, const Wire& wire,
               const Before& before) {
        EXPECT_EQ(outcome.kind, plan.kind);
        const std::array<std::uint16_t, kParameterCount> gyro = gyroWords(platform.gyro);
        const Expected expected = plan.kind == SequenceKind::Store
                                      ? expectStore(wire, before.stored(), gyro)
                                      : expectRead(wire, gyro);
        const Confirmed& confirmed = outcome.gyro.confirmed;
        checkConfirmedWords(outcome, confirmed, gyro);
        EXPECT_EQ(resultName(outcome.result), resultName(expected.result));
        EXPECT_EQ(failureName(outcome.failure), failureName(expected.failure));
        EXPECT_EQ(outcome.unreadIdentification.size(), expected.unreadIdentification);
        EXPECT_EQ(confirmed, expected.confirmed) << "the words confirmed";
        if (expected.lastFrame) {
            EXPECT_EQ(wire.frames.size(), *expected.lastFrame + 1)
                << "nothing is sent after the frame that ended the sequence";
        }
        const std::optional<std::string> snapshot = takeSnapshot();
        if (plan.kind == SequenceKind::Store)
            checkStore(outcome, expected, before, gyro, snapshot);
        else
            checkRead(outcome, before, snapshot);
    }

    // Every word the outcome confirms is the gyro's, word for word.
    void checkConfirmedWords(const SequenceOutcome& outcome, const Confirmed& confirmed,
                             const std::array<std::uint16_t, kParameterCount>& gyro) {
        const ParameterWords known = heldWords(outcome.gyro.config);
        for (std::size_t n = 0; n < known.size(); ++n) {
            if (confirmed[n] && known[n]) {
                EXPECT_EQ(*known[n], gyro[n]) << "parameter " << n << " is confirmed";
            }
        }
    }

    void checkStore(const SequenceOutcome& outcome, const Expected& expected, const Before& before,
                    const std::array<std::uint16_t, kParameterCount>& gyro,
                    const std::optional<std::string>& snapshot) {
        EXPECT_EQ(outcome.wordsSent, expected.wordsSent);
        EXPECT_EQ(outcome.differences.empty(), outcome.result != SequenceResult::NotVerified);
        const ParameterWords stored = before.stored();
        if (outcome.result == SequenceResult::Done) {
            for (std::size_t n = 0; n < stored.size(); ++n) {
                if (stored[n]) {
                    EXPECT_EQ(gyro[n], *stored[n])
                        << "a Done store: the gyro holds parameter " << n << " as stored";
                }
            }
        }
        if (before.stuckParameter && outcome.ranToItsEnd()) {
            const auto n = static_cast<std::size_t>(*before.stuckParameter);
            EXPECT_EQ(gyro[n], before.gyro[n]) << "the stuck cell kept its word";
            if (*stored[n] != before.gyro[n]) {
                EXPECT_EQ(resultName(outcome.result), resultName(SequenceResult::NotVerified))
                    << "parameter " << n << " is stuck";
            }
        }
        if (outcome.result == SequenceResult::Done)
            expectSnapshot(snapshot, "_stored.tsf");
        else if (outcome.result == SequenceResult::NotVerified)
            expectSnapshot(snapshot, "_unverified.tsf");
        else if (outcome.wordsSent)
            expectSnapshot(snapshot, "_unfinished.tsf");
        else
            EXPECT_EQ(snapshot, std::nullopt) << "nothing was written: nothing to keep";
    }

    void checkRead(const SequenceOutcome& outcome, const Before& before,
                   const std::optional<std::string>& snapshot) {
        const bool done = outcome.result == SequenceResult::Done;
        if (outcome.kind == SequenceKind::Read && done) {
            EXPECT_EQ(model(), outcome.gyro.config);
            expectSnapshot(snapshot, "_read.tsf");
            return;
        }
        // A compare read leaves the screen alone, and a read that failed puts it back.
        EXPECT_EQ(model(), before.model) << "the screen is as it was";
        EXPECT_EQ(pilot.shown, before.shown);
        EXPECT_TRUE(steps.empty()) << "no step of the pilot's";
        EXPECT_EQ(snapshot, std::nullopt);
        if (outcome.kind == SequenceKind::CompareRead) {
            EXPECT_EQ(compared.size(), done ? 1u : 0u);
        }
    }

    // The snapshot this sequence kept, if any; it is then removed, so that the history holds
    // no more than one at a time.
    std::optional<std::string> takeSnapshot() {
        const std::string folder = std::string(kHistoryFolder) + "/";
        std::vector<std::string> kept;
        for (const auto& [path, bytes] : platform.memoryFiles.files) {
            if (path.rfind(folder, 0) == 0)
                kept.push_back(path);
        }
        EXPECT_LE(kept.size(), 1u) << "one snapshot at most";
        if (kept.empty())
            return std::nullopt;
        for (const std::string& path : kept)
            platform.memoryFiles.files.erase(path);
        return kept.front();
    }

    void expectSnapshot(const std::optional<std::string>& snapshot, const std::string& ending) {
        ASSERT_TRUE(snapshot.has_value()) << "kept as …" << ending;
        EXPECT_TRUE(snapshot->ends_with(ending)) << *snapshot;
        EXPECT_EQ(history->lastSnapshotPath(), *snapshot);
        ++figures.snapshots[ending.substr(1, ending.size() - 5)];
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
};

TEST_F(SoakTest, EverySequenceUnderFaultsEndsOnceAndTellsWhatTheGyroHolds) {
    const std::uint32_t seed = soakSeed();
    const int sequences = soakSequences();
    std::printf("soak: seed %u, %d sequences (VN340_SOAK_SEED, VN340_SOAK_SEQUENCES)\n", seed,
                sequences);
    random_.seed(seed);
    const auto realStart = std::chrono::steady_clock::now();
    for (int number = 1; number <= sequences && !HasFailure(); ++number) {
        runSequence(number, seed);
        if (number % kHistoryLife == 0) {
            renewHistory();
            if (number == kHistoryLife)
                figures.heapBefore = heapInUse();
        }
    }
    if (figures.heapBefore && !HasFailure()) {
        renewHistory();
        figures.heapAfter = heapInUse();
    }
    figures.realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    figures.print();
    EXPECT_EQ(pilot.unexpected, 0) << "a question nobody expected";
    if (figures.heapBefore && figures.heapAfter) {
        EXPECT_LT(static_cast<long long>(*figures.heapAfter) -
                      static_cast<long long>(*figures.heapBefore),
                  kHeapGrowthLimit)
            << "the heap grew over the run";
    }
}

}  // namespace
}  // namespace vn340::testing
