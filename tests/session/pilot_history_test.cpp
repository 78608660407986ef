// The pilot's safety net against the controller, with the gyro simulated and the pilot
// scripted: the snapshots kept, undo and redo, going back to what the gyro holds, and setting
// the screen beside the gyro or a file.

#include <functional>

#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "history_fixture.h"
#include "protocol/sequence_engine.h"

namespace vn340::testing {
namespace {

constexpr std::uint16_t kHighEndpointWord = 0x0100;
constexpr std::uint16_t kLowEndpointWord = 0x0102;
constexpr std::uint16_t kCwStopGainWord = 0x0104;

bool sameSettings(const GyroConfig& a, const GyroConfig& b) {
    return differingSettings(a, b).empty();
}

TEST_F(HistoryTest, AReadAStoreAndAStoreCutShortEachKeepOneSnapshot) {
    platform.gyro.setWord(kCwStopGainWord, 77);
    startWithGyro();
    attach();
    read();
    const GyroConfig gyro = model();
    leaveHighEndpoint(120);
    platform.time.second = 1;
    store();
    // The adapter falls silent within the words: kept once the pilot has read why.
    platform.gyro.settings().silentFrom =
        static_cast<int>(platform.gyro.framesReceived().size()) + 12;
    leaveHighEndpoint(133);
    std::size_t keptWhileTold = 0;
    pilot.whileOpen = [&] { keptWhileTold = kept(gyro.serialNumber).size(); };
    platform.time.second = 2;
    store();

    ASSERT_EQ(pilot.messages.size(), 1u);
    EXPECT_NE(pilot.messages[0].find(sequence_text::kStoreUnfinished), std::string::npos);
    EXPECT_EQ(keptWhileTold, 2u);
    const std::vector<Snapshot> snapshots = kept(gyro.serialNumber);
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots[2].kind, SnapshotKind::Read);
    EXPECT_EQ(gyro.cwStopGain, 77);
    EXPECT_TRUE(sameSettings(snapshots[2].config, gyro));
    EXPECT_EQ(snapshots[1].kind, SnapshotKind::Stored);
    EXPECT_EQ(snapshots[1].config.highEndpoint, 120);
    EXPECT_EQ(snapshots[0].kind, SnapshotKind::Unfinished);
    EXPECT_EQ(snapshots[0].config.highEndpoint, 133);
    EXPECT_EQ(history->gyroKnown()->config.highEndpoint, 120)
        << "an unfinished store tells nothing";
}

// Without a folder nothing is kept and nothing is said; a history that cannot be written is
// told once, and reads and stores work as before.
TEST_F(HistoryTest, AHistoryThatCannotBeKeptIsToldOnceAndTheGyroWorksAsBefore) {
    for (const std::optional<std::string>& folder : {std::optional<std::string>(), {""}}) {
        SCOPED_TRACE(folder ? "no folder for it" : "no history");
        pilot = ScriptedPilot();
        history.reset();
        startWithGyro();
        attach(folder);
        readsCompleted = 0;
        read();
        leaveHighEndpoint(120);
        store();
        read();
        EXPECT_EQ(readsCompleted, 2);
        EXPECT_EQ(pilot.status, "Read complete");
        ASSERT_EQ(pilot.messages.size(), folder ? 1u : 0u);
        if (folder) {
            EXPECT_EQ(pilot.messages[0].rfind("This configuration could not be kept", 0), 0u);
        }
        EXPECT_EQ(platform.memoryFiles.files.size(), 1u) << "only the preferences";
    }
}

TEST_F(HistoryTest, UndoAndRedoWalkBackAndForthThroughThePilotsSteps) {
    start();
    attach();
    std::vector<GyroConfig> screens{model()};
    const std::function<void()> actions[] = {
        [&] { leaveHighEndpoint(120); },
        [&] { chooseServo(9); },  // "Futaba BLS251" brings its type and speed
        [&] {
            pilot.savePath = pilot.loadPath = "/models/setup.tsf";
            controller->saveToFile();  // saved, not changed
            controller->loadDefaults();
        },
        [&] { controller->loadFromFile(); },
        [&] { leaveComments("new tail servo\nfly gently"); },
        [&] { leaveComments("new tail servo\nfly gently"); },  // left again as it was
    };
    for (const auto& act : actions) {
        act();
        if (!(model() == screens.back())) {
            screens.push_back(model());
        }
    }
    ASSERT_EQ(screens.size(), 6u) << "each step but the last changed the screen";
    EXPECT_EQ(steps, (std::vector<std::string>{"High endpoint", "Servo", "Load defaults",
                                               "Load from file", "User comments"}));
    EXPECT_EQ(history->steps().undoName(), "User comments");

    for (std::size_t i = screens.size() - 1; i > 0; --i) {
        history->undo();
        EXPECT_TRUE(model() == screens[i - 1]) << "undo to screen " << i - 1;
        EXPECT_TRUE(sameSettings(pilot.shown, screens[i - 1])) << "undo to screen " << i - 1;
        EXPECT_EQ(pilot.shown.userComments, screens[i - 1].userComments);
    }
    history->undo();
    EXPECT_TRUE(model() == screens[0]) << "nothing before the first step";
    for (std::size_t i = 1; i < screens.size(); ++i) {
        history->redo();
        EXPECT_TRUE(model() == screens[i]) << "redo to screen " << i;
        EXPECT_TRUE(sameSettings(pilot.shown, screens[i])) << "redo to screen " << i;
    }
    EXPECT_TRUE(pilot.messages.empty());
}

// The gyro keeps the old value of a worn cell: what it holds is what the store read back, and
// that is what Revert puts back, with the comments the pilot wrote, which the gyro never holds.
TEST_F(HistoryTest, RevertAndASnapshotPutBackWhatTheGyroHeld) {
    platform.gyro.setWord(kHighEndpointWord, 2024);  // 120
    platform.gyro.settings().stuckAddress = kHighEndpointWord;
    startWithGyro();
    attach();
    history->revertToGyro();
    EXPECT_EQ(history->steps().count(), 0u) << "nothing read yet to go back to";

    read();
    leaveHighEndpoint(133);
    platform.time.second = 1;
    store();
    ASSERT_EQ(pilot.messages.size(), 1u) << "the word the gyro did not keep";
    leaveComments("new tail");
    history->revertToGyro();
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(pilot.shown.highEndpoint, 120);
    EXPECT_EQ(model().userComments, "new tail");
    EXPECT_EQ(history->steps().undoName(), pilot_step::kRevertToGyro);

    // A snapshot loads as a file does, and leaves the folder the pilot last chose alone.
    leaveHighEndpoint(140);
    const std::string preferencesBefore = preferences();
    history->loadSnapshot(kept(model().serialNumber).at(1));
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(model().userComments.rfind("Read from the vn340", 0), 0u);
    EXPECT_EQ(history->steps().undoName(), "Load from file");
    EXPECT_EQ(preferences(), preferencesBefore);
    history->undo();
    EXPECT_EQ(model().highEndpoint, 140);
    EXPECT_EQ(model().userComments, "new tail");
}

// A store whose read-back answer for a word was damaged is kept as not verified, with what was
// stored; Revert then puts back only what the gyro is known to hold and says what it left. A
// store cut short leaves nothing known, and Revert says so instead of guessing.
TEST_F(HistoryTest, WhatTheGyroIsNotKnownToHoldIsNeitherKeptAsStoredNorRevertedTo) {
    platform.gyro.setWord(kLowEndpointWord, 1016);  // 120
    startWithGyro();
    attach();
    read();
    leaveHighEndpoint(133);
    platform.time.second = 1;
    // The store's 23rd reply is the read-back of the high endpoint.
    platform.gyro.settings().corruptReply = platform.gyro.repliesSent() + 23;
    store();
    ASSERT_EQ(outcomes.back().result, SequenceResult::NotVerified);
    const std::vector<Snapshot> snapshots = kept(model().serialNumber);
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].kind, SnapshotKind::Unverified);
    EXPECT_EQ(snapshots[0].config.highEndpoint, 133) << "what was stored";

    leaveHighEndpoint(140);
    type(NumericField::LowEndpoint, 90);
    history->revertToGyro();
    EXPECT_EQ(model().highEndpoint, 140) << "not known: left as the screen shows it";
    EXPECT_EQ(model().lowEndpoint, 120) << "read back: put back";
    ASSERT_EQ(pilot.messages.size(), 2u);
    EXPECT_EQ(pilot.messages[1], unknownSettingsText({Setting::HighEndpoint}));

    platform.gyro.settings().corruptReply = 0;
    platform.gyro.settings().silentFrom =
        static_cast<int>(platform.gyro.framesReceived().size()) + 12;
    store();
    ASSERT_TRUE(outcomes.back().storeCutShort());
    const GyroConfig screen = model();
    history->revertToGyro();
    EXPECT_EQ(model(), screen);
    ASSERT_EQ(pilot.messages.size(), 4u);
    EXPECT_EQ(pilot.messages[3].rfind("The last store did not finish", 0), 0u) << pilot.messages[3];
}

// A read whose serial-number answer was damaged keeps the number it showed before, perhaps
// another gyro's: its snapshot goes to the history's "unknown" folder, never into that gyro's.
TEST_F(HistoryTest, AReadWithoutItsSerialNumberIsKeptApart) {
    startWithGyro();
    attach();
    read();
    const std::string serial = model().serialNumber;
    ASSERT_FALSE(serial.empty());
    // The serial number's low half is the fourth answer of a read.
    platform.gyro.settings().corruptReply = platform.gyro.repliesSent() + 4;
    platform.time.second = 1;
    read();
    EXPECT_EQ(model().serialNumber, serial) << "the field keeps what it showed";
    EXPECT_EQ(kept(serial).size(), 1u);
    const std::vector<Snapshot> apart = kept(std::string(kUnknownGyroFolder));
    ASSERT_EQ(apart.size(), 1u);
    EXPECT_EQ(apart[0].kind, SnapshotKind::Read);
}

TEST_F(HistoryTest, CompareWithGyroTellsWhatTheGyroHoldsAndLeavesTheScreenAlone) {
    platform.gyro.setWord(kCwStopGainWord, 77);
    startWithGyro();
    attach();
    leaveHighEndpoint(120);
    leaveComments("new tail");
    const GyroConfig screen = model();
    const GyroConfig shown = pilot.shown;

    history->compareWithGyro();
    settle();
    ASSERT_EQ(compared.size(), 1u);
    EXPECT_EQ(compared[0].cwStopGain, 77);
    EXPECT_EQ(compared[0].highEndpoint, 100);
    EXPECT_EQ(compared[0].userComments, "new tail") << "the gyro holds no comments";
    EXPECT_TRUE(model() == screen);
    EXPECT_TRUE(pilot.shown == shown);
    EXPECT_EQ(history->steps().count(), 2u);
    EXPECT_FALSE(history->gyroKnown()) << "nothing was read into the screen";
    EXPECT_TRUE(kept(compared[0].serialNumber).empty());

    history->useValue(compared[0], Setting::CwStopGain);
    EXPECT_EQ(model().cwStopGain, 77);
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(pilot.shown.cwStopGain, 77);
    EXPECT_EQ(history->steps().undoName(), pilot_step::kUseValue);

    read();
    EXPECT_TRUE(sameSettings(model(), compared[0]));
    EXPECT_TRUE(pilot.messages.empty());
}

// While the gyro is read, for the screen or beside it, nothing may change the screen and no
// other read may begin.
TEST_F(HistoryTest, NoCommandRunsWhileTheGyroIsRead) {
    startWithGyro();
    attach();
    read();
    GyroConfig other = model();
    other.highEndpoint = 50;
    leaveHighEndpoint(120);
    leaveHighEndpoint(130);
    history->undo();  // something to undo and to redo
    const Snapshot snapshot = kept(model().serialNumber).at(0);
    const std::function<void()> commands[] = {
        [&] { history->undo(); },
        [&] { history->redo(); },
        [&] { history->revertToGyro(); },
        [&] { history->useValue(other, Setting::HighEndpoint); },
        [&] { history->loadSnapshot(snapshot); },
        [&] { history->compareWithGyro(); },
    };
    for (const bool beside : {false, true}) {
        SCOPED_TRACE(beside ? "compare with gyro" : "read");
        const std::size_t done = history->steps().done();
        beside ? history->compareWithGyro() : controller->readFromGyro();
        for (const auto& command : commands) {
            platform.clock.runUntil(platform.clock.now() + kMs);
            ASSERT_TRUE(history->busy());
            const GyroConfig before = model();
            command();
            EXPECT_TRUE(model() == before);
            EXPECT_EQ(history->steps().done(), done);
        }
        settle();
        EXPECT_EQ(compared.size(), beside ? 1u : 0u);
    }
    EXPECT_EQ(steps.back(), "Read from gyro");
    EXPECT_TRUE(pilot.messages.empty()) << "each read ran to its end";
}

TEST_F(HistoryTest, AFileToCompareIsChosenAndReadWithoutChangingAnything) {
    start();
    attach();
    GyroConfig file = model();
    file.highEndpoint = 120;
    platform.memoryFiles.files["/models/trex.tsf"] = encodeSettingsFile("", file, {});
    platform.memoryFiles.files["/models/notes.txt"] = "not a settings file";
    const GyroConfig screen = model();

    pilot.loadPath = std::nullopt;
    EXPECT_FALSE(history->chooseFileToCompare());
    pilot.loadPath = "/models/trex.tsf";
    const std::optional<ChosenFile> chosen = history->chooseFileToCompare();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, "/models/trex.tsf");
    EXPECT_EQ(chosen->config.highEndpoint, 120);
    EXPECT_TRUE(pilot.messages.empty());
    pilot.loadPath = "/models/notes.txt";
    EXPECT_FALSE(history->chooseFileToCompare());
    EXPECT_EQ(pilot.messages, std::vector<std::string>{std::string(
                                  *decodeSettingsFile("not a settings file", screen).refusal)});
    EXPECT_TRUE(model() == screen);
    EXPECT_EQ(history->steps().count(), 0u);
}

}  // namespace
}  // namespace vn340::testing
