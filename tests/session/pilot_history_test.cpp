// The pilot's safety net against the controller, with the gyro simulated and the pilot
// scripted: the snapshots kept, undo and redo, going back to what the gyro holds, and setting
// the screen beside the gyro or a file.

#include <algorithm>
#include <functional>

#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "history_fixture.h"
#include "protocol/sequence_engine.h"

namespace vn340::testing {
namespace {

constexpr std::uint16_t kHighEndpointWord = 0x0100;
constexpr std::uint16_t kCwStopGainWord = 0x0104;
constexpr std::uint16_t kHighEndpoint120 = 2024;

bool sameSettings(const GyroConfig& a, const GyroConfig& b) {
    return differingSettings(a, b).empty();
}

TEST_F(HistoryTest, AReadAStoreAndAStoreCutShortEachKeepOneSnapshot) {
    platform.gyro.setWord(kCwStopGainWord, 77);
    startWithGyro();
    attach();
    read();
    const GyroConfig gyro = model();
    ASSERT_EQ(gyro.cwStopGain, 77);
    std::vector<Snapshot> snapshots = kept(gyro.serialNumber);
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(snapshots[0].kind, SnapshotKind::Read);
    EXPECT_TRUE(sameSettings(snapshots[0].config, gyro));

    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 120);
    platform.time.second = 1;
    store();
    snapshots = kept(gyro.serialNumber);
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].kind, SnapshotKind::Stored);
    EXPECT_EQ(snapshots[0].config.highEndpoint, 120);

    // The adapter falls silent within the words: kept once the pilot has read why.
    platform.gyro.settings().silentFrom =
        static_cast<int>(platform.gyro.framesReceived().size()) + 12;
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 133);
    std::size_t keptWhileTold = 0;
    pilot.whileOpen = [&] { keptWhileTold = kept(gyro.serialNumber).size(); };
    platform.time.second = 2;
    store();
    ASSERT_EQ(pilot.messages.size(), 1u);
    EXPECT_NE(pilot.messages[0].find(sequence_text::kStoreUnfinished), std::string::npos);
    EXPECT_EQ(keptWhileTold, 2u);
    snapshots = kept(gyro.serialNumber);
    ASSERT_EQ(snapshots.size(), 3u);
    EXPECT_EQ(snapshots[0].kind, SnapshotKind::Unfinished);
    EXPECT_EQ(snapshots[0].config.highEndpoint, 133);
    EXPECT_EQ(history->lastRead()->highEndpoint, 120) << "an unfinished store tells nothing";
}

// Without a folder nothing is kept and nothing is said; a history that cannot be written is
// told once, and reads and stores work as before.
TEST_F(HistoryTest, AHistoryThatCannotBeKeptIsToldOnceAndTheGyroWorksAsBefore) {
    const struct {
        const char* what;
        std::optional<std::string> folder;
        std::size_t told;
    } rows[] = {{"no history", std::nullopt, 0}, {"no folder for it", std::string(), 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        pilot = ScriptedPilot();
        history.reset();
        startWithGyro();
        attach(row.folder);
        int reads = 0;
        int stores = 0;
        QObject::connect(controller.get(), &ConfigController::readCompleted, [&] { ++reads; });
        QObject::connect(controller.get(), &ConfigController::storeCompleted, [&] { ++stores; });
        read();
        typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 120);
        store();
        read();
        EXPECT_EQ(reads, 2);
        EXPECT_EQ(stores, 1);
        ASSERT_EQ(pilot.messages.size(), row.told);
        if (row.told != 0) {
            EXPECT_EQ(pilot.messages[0].rfind("This configuration could not be kept", 0), 0u);
        }
        EXPECT_EQ(history->store() != nullptr, row.folder.has_value());
        EXPECT_EQ(platform.memoryFiles.files.size(), 1u) << "only the preferences";
    }
}

TEST_F(HistoryTest, UndoAndRedoWalkBackAndForthThroughThePilotsSteps) {
    start();
    attach();
    std::vector<GyroConfig> screens{model()};
    const std::vector<std::function<void()>> actions{
        [&] { typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 120); },
        [&] {
            pilot.shown.servoModel = 9;  // "Futaba BLS251" brings its type and speed
            controller->servoChosen();
        },
        [&] {
            pilot.savePath = "/models/setup.tsf";
            controller->saveToFile();  // saved, not changed
            controller->loadDefaults();
        },
        [&] {
            pilot.loadPath = pilot.savePath;
            controller->loadFromFile();
        },
        // Left twice as it was typed: one step.
        [&] { writeComments("new tail servo\nfly gently"); },
        [&] { writeComments("new tail servo\nfly gently"); },
    };
    for (const auto& act : actions) {
        act();
        if (!(model() == screens.back()))
            screens.push_back(model());
    }
    ASSERT_EQ(screens.size(), 6u) << "each step but the last changed the screen";
    ASSERT_EQ(history->steps().count(), 5u);
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
    EXPECT_EQ(steps, (std::vector<std::string>{"High endpoint", "Servo", "Load defaults",
                                               "Load from file", "User comments"}));
    EXPECT_TRUE(pilot.messages.empty());
}

// The gyro keeps the old value of a worn cell: what it holds is what the store read back, and
// that is what Revert puts back, with the comments the pilot wrote, which the gyro never holds.
TEST_F(HistoryTest, RevertAndASnapshotPutBackWhatTheGyroHeld) {
    platform.gyro.setWord(kHighEndpointWord, kHighEndpoint120);
    platform.gyro.settings().stuckAddress = kHighEndpointWord;
    startWithGyro();
    attach();
    history->revertToGyro();
    EXPECT_EQ(history->steps().count(), 0u) << "nothing read yet to go back to";

    read();
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 133);
    platform.time.second = 1;
    store();
    ASSERT_EQ(pilot.messages.size(), 1u) << "the word the gyro did not keep";
    writeComments("new tail");
    ASSERT_EQ(model().highEndpoint, 133);
    EXPECT_EQ(history->lastRead()->highEndpoint, 120);
    const std::vector<Snapshot> snapshots = kept(model().serialNumber);
    ASSERT_EQ(snapshots.size(), 2u);
    EXPECT_EQ(snapshots[0].config.highEndpoint, 120);

    history->revertToGyro();
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(pilot.shown.highEndpoint, 120);
    EXPECT_EQ(model().userComments, "new tail");
    EXPECT_EQ(history->steps().undoName(), pilot_step::kRevertToGyro);

    // A snapshot loads as a file does, and leaves the folder the pilot last chose alone.
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 140);
    const std::string preferencesBefore = preferences();
    history->loadSnapshot(snapshots[1]);
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(model().userComments.rfind("Read from the vn340", 0), 0u);
    EXPECT_EQ(history->steps().undoName(), "Load from file");
    EXPECT_EQ(preferences(), preferencesBefore);
    history->undo();
    EXPECT_EQ(model().highEndpoint, 140);
    EXPECT_EQ(model().userComments, "new tail");
}

TEST_F(HistoryTest, CompareWithGyroTellsWhatTheGyroHoldsAndLeavesTheScreenAlone) {
    platform.gyro.setWord(kCwStopGainWord, 77);
    startWithGyro();
    attach();
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 120);
    writeComments("new tail");
    const GyroConfig screen = model();
    const GyroConfig shown = pilot.shown;

    history->compareWithGyro();
    history->compareWithGyro();  // one read at a time
    settleAll();
    ASSERT_EQ(compared.size(), 1u);
    EXPECT_EQ(compared[0].cwStopGain, 77);
    EXPECT_EQ(compared[0].highEndpoint, 100);
    EXPECT_EQ(compared[0].userComments, "new tail") << "the gyro holds no comments";
    EXPECT_TRUE(model() == screen);
    EXPECT_TRUE(pilot.shown == shown);
    EXPECT_EQ(history->steps().count(), 2u);
    EXPECT_FALSE(history->lastRead()) << "nothing was read into the screen";
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

// While the gyro is read (for the screen or beside it) nothing may change the screen and no
// other read may begin.
TEST_F(HistoryTest, NoCommandRunsWhileTheGyroIsRead) {
    startWithGyro();
    attach();
    read();
    GyroConfig other = model();
    other.highEndpoint = 50;
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 120);
    typeAndLeave(&GyroConfig::highEndpoint, NumericField::HighEndpoint, 130);
    history->undo();
    const Snapshot snapshot = kept(model().serialNumber).at(0);
    const struct {
        const char* what;
        std::function<void()> command;
    } commands[] = {
        {"undo", [&] { history->undo(); }},
        {"redo", [&] { history->redo(); }},
        {"revert", [&] { history->revertToGyro(); }},
        {"use value", [&] { history->useValue(other, Setting::HighEndpoint); }},
        {"load snapshot", [&] { history->loadSnapshot(snapshot); }},
        {"compare with gyro", [&] { history->compareWithGyro(); }},
    };
    const struct {
        const char* what;
        std::function<void()> begin;
    } reads[] = {
        {"read", [&] { controller->readFromGyro(); }},
        {"compare with gyro", [&] { history->compareWithGyro(); }},
    };
    for (const auto& running : reads) {
        compared.clear();
        const std::size_t count = history->steps().count();
        const std::size_t done = history->steps().done();
        running.begin();
        for (const auto& command : commands) {
            SCOPED_TRACE(std::string(running.what) + ": " + command.what);
            platform.clock.runUntil(platform.clock.now() + kMs);
            ASSERT_TRUE(history->busy());
            const GyroConfig before = model();
            command.command();
            EXPECT_TRUE(model() == before);
            EXPECT_EQ(history->steps().count(), count);
            EXPECT_EQ(history->steps().done(), done);
        }
        settleAll();
        EXPECT_EQ(compared.size(), std::string(running.what) == "read" ? 0u : 1u);
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
    const struct {
        const char* what;
        std::optional<std::string> chosen;
        bool compared;
        std::size_t told;
    } rows[] = {
        {"cancelled", std::nullopt, false, 0},
        {"a settings file", "/models/trex.tsf", true, 0},
        {"not a settings file", "/models/notes.txt", false, 1},
    };
    const GyroConfig screen = model();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        pilot.messages.clear();
        pilot.loadPath = row.chosen;
        const std::optional<ChosenFile> chosen = history->chooseFileToCompare();
        ASSERT_EQ(chosen.has_value(), row.compared);
        if (chosen) {
            EXPECT_EQ(chosen->path, *row.chosen);
            EXPECT_EQ(chosen->config.highEndpoint, 120);
        }
        ASSERT_EQ(pilot.messages.size(), row.told);
        if (row.told != 0) {
            EXPECT_EQ(pilot.messages[0],
                      *decodeSettingsFile(platform.memoryFiles[*row.chosen], screen).refusal);
        }
        EXPECT_TRUE(model() == screen);
        EXPECT_EQ(history->steps().count(), 0u);
    }
    ASSERT_EQ(pilot.requests.size(), 3u);
    EXPECT_EQ(pilot.requests[0].filter, "Tarvel RC Settings File (*.tsf)");
}

}  // namespace
}  // namespace vn340::testing
