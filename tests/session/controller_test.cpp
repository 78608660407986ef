// The pilot's actions against the controller, without a window: start-up, reads and stores.

#include <algorithm>

#include "controller_fixture.h"

namespace vn340::testing {
namespace {

std::string endedEarly(std::string_view why, std::string_view what) {
    return std::string(why) + "\n\n" + std::string(what);
}

TEST_F(ControllerTest, AFirstStartWritesThePreferencesAndShowsTheFactoryConfiguration) {
    start();
    EXPECT_EQ(preferences(),
              "[Settings]\r\nLAST DIRECTORY=/opt/vn340\r\nCOM PORT=\r\nDATE=0\r\nWARNING=0\r\n");
    EXPECT_EQ(model(), factoryConfiguration());
    EXPECT_EQ(pilot.shown, onScreen(model()));
    EXPECT_EQ(pilot.portEntries, (std::set<std::string>{"USB", "ttyUSB0"}));
    EXPECT_FALSE(pilot.selectedPort) << "a first start chooses no port";
    EXPECT_FALSE(pilot.gyroButtonsOn);
    EXPECT_TRUE(pilot.controlsOn);
    EXPECT_EQ(pilot.events, std::vector<std::string>{"shown"});
}

TEST_F(ControllerTest, ExistingPreferencesAreReadNotRewritten) {
    const std::string bytes =
        "[Settings]\r\nCOM PORT=ttyUSB9\r\nLAST DIRECTORY=/x\r\nWARNING=yes\r\n";
    start(bytes);
    EXPECT_EQ(controller->preferences().lastDirectory, "/x");
    EXPECT_TRUE(controller->preferences().skipSafetyWarning);
    // The saved port is not present, so it is forgotten in memory only.
    EXPECT_EQ(controller->savedPort(), "");
    EXPECT_EQ(preferences(), bytes);
    EXPECT_FALSE(pilot.gyroButtonsOn);
}

TEST_F(ControllerTest, AReadPutsTheGyrosConfigurationOnTheScreenAsOneStep) {
    platform.gyro.setWord(0x0100, 1658);           // high endpoint 33 percent
    platform.gyro.setWord(0x0118, 21 * 256 + 10);  // "JR 810G", speed "0.10"
    startWithGyro();
    ASSERT_EQ(controller->link().transport(), Transport::Usb);
    controller->readFromGyro();
    EXPECT_FALSE(pilot.controlsOn) << "the controls are off while the gyro is read";
    EXPECT_TRUE(changes.empty()) << "a read is told only once it has completed";
    settle();

    GyroConfig expected = factoryConfiguration();
    expected.highEndpoint = 33;
    expected.servoModel = 23;  // "JR 810G"
    expected.servoSpeed = 9;   // "0.10"; the type is the gyro's own
    // What identifies the gyro comes with the read.
    expected.firmwareVersion = model().firmwareVersion;
    expected.firmwareNumber = model().firmwareNumber;
    expected.loaderVersion = model().loaderVersion;
    expected.serialNumber = model().serialNumber;
    expected.productId = 0x0340;
    expected.servoFlags = model().servoFlags;
    expected.servoImpliedType = model().servoImpliedType;
    EXPECT_FALSE(expected.firmwareVersion.empty());
    EXPECT_EQ(model(), expected);
    EXPECT_EQ(pilot.shown, onScreen(expected));
    EXPECT_EQ(pilot.status, "Read complete");
    EXPECT_TRUE(pilot.controlsOn);
    EXPECT_EQ(readsCompleted, 1);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].step, "Read from gyro");
    EXPECT_EQ(changes[0].before, factoryConfiguration());
    EXPECT_EQ(changes[0].after, model());
    EXPECT_TRUE(pilot.messages.empty());
}

// What was stored is what the gyro holds: a read after the factory configuration was put back
// brings all of it back.
TEST_F(ControllerTest, AStoreReachesTheGyroAndChangesNothingOnScreen) {
    startWithGyro();
    type(NumericField::CwStopGain, 55);
    type(NumericField::AvcsSensitivity, 66);
    chooseServo(23);  // "JR 810G"
    chooseDirection(Direction::Reverse);
    moveProfile(Setting::AccelProfile, 0);
    const std::size_t edits = changes.size();

    store();
    EXPECT_EQ(pilot.status, "Write complete");
    EXPECT_EQ(platform.gyro.writesApplied().size(), 15u);
    EXPECT_EQ(platform.gyro.word(0x0104), 55);
    EXPECT_EQ(platform.gyro.word(0x010E), 15) << "the gyro counts the profile the other way";
    EXPECT_EQ(changes.size(), edits) << "storing changes nothing on screen";
    ASSERT_EQ(gyroHolds.size(), 1u);
    EXPECT_EQ(gyroHolds[0], model());
    const GyroConfig stored = model();

    controller->loadDefaults();
    read();
    EXPECT_EQ(model().cwStopGain, 55);
    GyroConfig expected = stored;
    // Not the gyro's to keep: the comments, and the type the servo implied, which follows only
    // the pilot's choice of a servo.
    expected.userComments = factoryConfiguration().userComments;
    expected.servoImpliedType = factoryConfiguration().servoImpliedType;
    EXPECT_EQ(model(), expected);
    EXPECT_TRUE(pilot.messages.empty());
}

// The safety warning decides whether a store begins, and "Don't show this message again" is
// kept for the next store and the next start; when it cannot be kept the pilot is told, and
// the store goes ahead.
TEST_F(ControllerTest, TheSafetyAgreementDecidesTheStore) {
    struct Row {
        const char* what;
        const char* warning;         // the preference before
        std::optional<bool> answer;  // none: "Cancel"
        bool preferencesWritable;
        bool asked;
        bool stores;
        const char* warningAfter;
        bool askedAgain;
    };
    const Row rows[] = {
        {"cancelled", "0", std::nullopt, true, true, false, "WARNING=0", true},
        {"agreed", "0", false, true, true, true, "WARNING=0", true},
        {"agreed, not again", "0", true, true, true, true, "WARNING=1", false},
        {"not asked", "1", std::nullopt, true, false, true, "WARNING=1", false},
        {"not again, not kept", "0", true, false, true, true, "WARNING=0", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        startAfresh(std::string("[Settings]\r\nCOM PORT=USB\r\nWARNING=") + row.warning + "\r\n");
        if (!row.preferencesWritable) {
            platform.memoryFiles.replaceFailures[kPreferencesFile] =
                SysResult::failure(EROFS, "Cannot write /opt/vn340/TarvelRCGyro.ini");
        }
        pilot.safetyAgreement = row.answer;
        store();
        EXPECT_EQ(std::count(pilot.events.begin(), pilot.events.end(), "safety"),
                  row.asked ? 1 : 0);
        EXPECT_EQ(platform.gyro.writesApplied().size(), row.stores ? 15u : 0u);
        EXPECT_TRUE(preferencesHold(row.warningAfter)) << preferences();
        EXPECT_EQ(pilot.messages.size(), row.preferencesWritable ? 0u : 1u);
        for (const std::string& message : pilot.messages) {
            EXPECT_EQ(message.rfind("Cannot write /opt/vn340/TarvelRCGyro.ini", 0), 0u);
        }

        pilot.events.clear();
        pilot.safetyAgreement.reset();
        store();
        EXPECT_EQ(std::count(pilot.events.begin(), pilot.events.end(), "safety"),
                  row.askedAgain ? 1 : 0)
            << "the next store asks again unless the pilot asked not to";
    }
}

// --- stores a pilot can trust ---

// A worn cell acknowledges its word and keeps the old one: the read-back tells the pilot, the
// screen keeps what the pilot wants, and what the gyro now holds is handed on.
TEST_F(ControllerTest, AWordTheGyroDidNotKeepIsToldAndWhatItHoldsIsHandedOn) {
    platform.gyro.setWord(0x0100, 2024);  // high endpoint 120
    platform.gyro.settings().stuckAddress = 0x0100;
    startWithGyro();
    read();
    ASSERT_EQ(model().highEndpoint, 120);
    type(NumericField::HighEndpoint, 133);
    store();
    ASSERT_EQ(pilot.messages.size(), 1u);
    EXPECT_NE(pilot.messages[0].find("High endpoint: stored 133, the gyro holds 120"),
              std::string::npos)
        << pilot.messages[0];
    EXPECT_EQ(model().highEndpoint, 133);
    ASSERT_EQ(gyroHolds.size(), 1u);
    GyroConfig holds = model();
    holds.highEndpoint = 120;
    EXPECT_EQ(gyroHolds[0], holds);
    EXPECT_EQ(storesUnfinished, 0);
}

// The adapter falls silent in the middle of the words: the pilot is told the store did not
// finish, and what was being stored is handed on to be kept.
TEST_F(ControllerTest, AStoreCutShortIsSaidPlainlyAndHandedOnToBeKept) {
    platform.gyro.settings().silentFrom = 12;  // the fifth word of the store
    startWithGyro();
    type(NumericField::HighEndpoint, 133);
    store();
    EXPECT_EQ(pilot.messages,
              std::vector<std::string>{endedEarly(sequence_text::kCommunicationFailure,
                                                  sequence_text::kStoreUnfinished)});
    EXPECT_EQ(storesUnfinished, 1);
    EXPECT_TRUE(gyroHolds.empty());
    EXPECT_EQ(model().highEndpoint, 133);
    EXPECT_TRUE(pilot.controlsOn);
    EXPECT_TRUE(pilot.gyroButtonsOn);
}

// Each store is judged by its own read-back alone: a second store whose answer for a word is
// damaged is not verified, whatever the first store read back for that word.
TEST_F(ControllerTest, ASecondStoreJudgesOnlyItsOwnReadBack) {
    startWithGyro();
    type(NumericField::HighEndpoint, 133);
    store();
    ASSERT_EQ(outcomes.back().result, SequenceResult::Done);
    // The store's 23rd reply is the read-back of the high endpoint.
    platform.gyro.settings().corruptReply = platform.gyro.repliesSent() + 23;
    store();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].result, SequenceResult::NotVerified);
    EXPECT_EQ(outcomes[1].gyro.unknownSettings(), std::vector<Setting>{Setting::HighEndpoint});
}

// The gyro holds the two copies of its deceleration profile (parameters 8 and 10) apart, as a
// worn cell left them when a store changed the first: a read that ran to its end must not take
// the second for known. (Found by the soak.)
TEST_F(ControllerTest, AReadDoesNotConfirmASecondProfileCopyTheGyroHoldsOtherwise) {
    platform.gyro.setWord(parameterAddress(8), profileToWord(9));
    platform.gyro.setWord(parameterAddress(10), profileToWord(11));
    startWithGyro();
    read();
    ASSERT_EQ(outcomes.size(), 1u);
    const GyroKnowledge& known = outcomes[0].gyro;
    EXPECT_EQ(known.config.decelProfile, 9);
    EXPECT_TRUE(known.confirmed[8]);
    EXPECT_FALSE(known.confirmed[10]) << "the gyro holds the second copy as 11";
}

// Diagnostics asked for during a store used to end it after a few words, with no message;
// during "Compare with gyro" it left the screen's engine stuck in diagnostics.
TEST_F(ControllerTest, DiagnosticsCannotCutAStoreOrACompareReadShort) {
    startWithGyro();
    controller->storeToGyro();
    platform.clock.runWhile([&] { return platform.gyro.writesApplied().size() < 3; });
    ASSERT_FALSE(controller->engine().idle());
    controller->diagnosticsCommand(std::nullopt);
    settle();
    EXPECT_EQ(gyroHolds.size(), 1u);
    EXPECT_EQ(platform.gyro.writesApplied().size(), 15u);

    const std::unique_ptr<GyroCompareRead> compare = controller->makeCompareRead();
    controller->runBeside(compare.get());
    compare->start(model());
    const std::size_t framesBefore = platform.gyro.framesReceived().size();
    platform.clock.runWhile(
        [&] { return platform.gyro.framesReceived().size() < framesBefore + 8; });
    ASSERT_TRUE(compare->running());
    controller->diagnosticsCommand(std::nullopt);
    platform.clock.runWhile([&] { return compare->running(); });
    settle();
    const bool compared = outcomes.back().kind == SequenceKind::CompareRead &&
                          outcomes.back().result == SequenceResult::Done;
    EXPECT_TRUE(compared);
    EXPECT_TRUE(controller->engine().idle());
    EXPECT_FALSE(controller->engine().diagnosticsRunning());
    EXPECT_EQ(std::count(pilot.diagnosticsShown.begin(), pilot.diagnosticsShown.end(), true), 0);
    EXPECT_TRUE(pilot.messages.empty());
    EXPECT_TRUE(pilot.controlsOn);
}

// The box being edited when diagnostics start gets its check first: the first round shows
// the model again, which would otherwise put back the box's old value.
TEST_F(ControllerTest, DiagnosticsKeepTheNumberBeingTyped) {
    platform.gyro.setLiveSignals({512, 1600, 2020});
    startWithGyro();
    pilot.shown.cwStopGain = 300;
    controller->diagnosticsCommand(NumericField::CwStopGain);
    EXPECT_EQ(model().cwStopGain, 200) << "checked as leaving the box would";
    platform.clock.runUntil(platform.clock.now() + 500 * kMs);
    EXPECT_EQ(pilot.status, "Gyro = 0512, Rudder = 1600, Gain = 2020 (100%)");
    EXPECT_EQ(pilot.diagnosticsShown, std::vector<bool>{true});
    EXPECT_FALSE(pilot.gyroButtonsOn);
    controller->diagnosticsCommand(NumericField::CwStopGain);
    settle();
    EXPECT_EQ(pilot.diagnosticsShown, (std::vector<bool>{true, false}));
    EXPECT_EQ(model().cwStopGain, 200);
    EXPECT_EQ(pilot.shown.cwStopGain, 200);
    EXPECT_TRUE(pilot.gyroButtonsOn);
    EXPECT_EQ(steps, std::vector<std::string>{"Clockwise stop gain"});
}

// The read ends with its own message, the only one, and puts back what the screen showed; the
// dead port is not left open: the gyro buttons stay off, its entry still chosen.
TEST_F(ControllerTest, AnAdapterPulledOutMidReadEndsInTheCommunicationMessage) {
    start("[Settings]\r\nCOM PORT=ttyUSB0\r\nWARNING=0\r\n");
    ASSERT_EQ(controller->link().transport(), Transport::Serial);
    controller->readFromGyro();
    platform.clock.runWhile(
        [&] { return controller->engine().sequenceState() < SequenceState::ReadSendParameter; });
    ASSERT_FALSE(controller->engine().idle());
    platform.transports->pullOut("ttyUSB0");
    EXPECT_EQ(pilot.messages,
              std::vector<std::string>{endedEarly(sequence_text::kCommunicationFailure,
                                                  sequence_text::kReadUnfinished)});
    EXPECT_TRUE(controller->engine().idle());
    EXPECT_EQ(controller->link().transport(), Transport::None);
    EXPECT_EQ(model(), factoryConfiguration());
    EXPECT_EQ(pilot.shown, onScreen(factoryConfiguration()));
    EXPECT_FALSE(pilot.gyroButtonsOn);
    EXPECT_TRUE(pilot.controlsOn);
    EXPECT_EQ(pilot.selectedPort, "ttyUSB0");
    EXPECT_EQ(readsCompleted, 0);
    settle();
    EXPECT_EQ(pilot.messages.size(), 1u);
}

}  // namespace
}  // namespace vn340::testing
