// The program as the page runs it: the page session over its screen, port list and front end,
// on the page's ports and a virtual clock, driven as the page's script drives it.

#include "browser/page_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/settings_file.h"
#include "support/text_lines.h"
#include "support/virtual_platform.h"
#include "virtual_page_platform.h"

namespace vn340 {
namespace {

struct Told {
    std::string kind;
    std::string text;
};

// What the session tells the page, in order.
class RecordingEvents final : public PageEvents {
  public:
    std::vector<Told> told;
    std::vector<std::pair<std::string, std::string>> written;
    std::vector<GyroConfig> comparedWith;
    std::vector<LiveSample> rounds;

    std::vector<std::string> texts(std::string_view kind) const {
        std::vector<std::string> found;
        for (const Told& entry : told) {
            if (entry.kind == kind) {
                found.push_back(entry.text);
            }
        }
        return found;
    }

    void viewChanged() override {}
    void status(std::string_view text) override { told.push_back({"status", std::string(text)}); }
    void message(std::string_view text, bool) override {
        told.push_back({"message", std::string(text)});
    }
    void notice(NumericField field, std::string_view text) override {
        told.push_back({"notice", std::string(describe(field).label) + ": " + std::string(text)});
    }
    void focusBox(NumericField field) override {
        told.push_back({"focus", std::string(describe(field).label)});
    }
    void filesWritten() override {}
    void compared(const GyroConfig& gyro) override { comparedWith.push_back(gyro); }
    void statisticsOffered(const StatisticsAnswers&, bool) override {
        told.push_back({"statistics", {}});
    }
    void liveSignals(const LiveSample& sample) override { rounds.push_back(sample); }
    void write(std::string_view port, std::string_view bytes) override {
        written.emplace_back(port, bytes);
    }
};

class PageSessionTest : public ::testing::Test {
  protected:
    static ProgramPaths pagePaths() {
        ProgramPaths paths;
        paths.programFolder = "/home/web";
        paths.configHome = "/home/web/.config";
        paths.homeFolder = "/home/web";
        paths.historyFolder = "/home/web/history";
        return paths;
    }

    std::unique_ptr<PageSession> makeSession() {
        auto made = std::make_unique<PageSession>(
            events,
            [this](PagePorts& ports) {
                return std::make_unique<testing::VirtualPagePlatform>(base, ports);
            },
            paths, "/tmp/settings-files");
        made->start();
        return made;
    }
    void settle() {
        base.clock.runWhile([this] { return session->controller().busy(); });
    }
    std::string box(BoxField field) const { return session->screen().boxText(field); }

    testing::VirtualPlatform base;
    ProgramPaths paths = pagePaths();
    RecordingEvents events;
    std::unique_ptr<PageSession> session = makeSession();
};

TEST_F(PageSessionTest, TryWithoutAGyroOffersTheSimulatedGyroAndReadsIt) {
    EXPECT_FALSE(session->portList().gyroButtonsOn());

    session->trySimulatedGyro();
    session->simulatedGyro()->setWord(0x0100, 1658);  // high endpoint 33
    session->read();
    settle();

    EXPECT_EQ(session->portList().selectedEntry(), "Simulated gyro");
    EXPECT_TRUE(session->portList().gyroButtonsOn());
    EXPECT_EQ(box(NumericField::HighEndpoint), "33");
    EXPECT_EQ(events.texts("status").back(), "Read complete");
    // The simulator in the module answers itself: nothing goes out to the page.
    EXPECT_TRUE(events.written.empty());
}

TEST_F(PageSessionTest, AStoreAgreedToWritesWhatThePilotTypedAndKeepsTheTick) {
    session->trySimulatedGyro();
    ASSERT_TRUE(session->safetyAgreementNeeded());
    session->setBox(NumericField::HighEndpoint, "140");
    session->boxLeft(NumericField::HighEndpoint);

    session->store(true);
    settle();

    EXPECT_EQ(events.texts("status").back(), "Write complete");
    EXPECT_FALSE(session->safetyAgreementNeeded());
    session->read();
    settle();
    EXPECT_EQ(box(NumericField::HighEndpoint), "140");
}

TEST_F(PageSessionTest, ABoxWithoutANumberIsToldAndTakesTheFocusBack) {
    session->setBox(NumericField::CwStopGain, "12a");
    session->boxLeft(NumericField::CwStopGain);

    const std::vector<std::string> messages = events.texts("message");
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], "Please enter an integer.");
    ASSERT_FALSE(events.texts("focus").empty());
    EXPECT_EQ(events.texts("focus").back(), describe(NumericField::CwStopGain).label);
}

TEST_F(PageSessionTest, ChoicesAtTheEndsOfTheirListsAreTakenAndBeyondThemIgnored) {
    const GyroConfig& shown = session->screen().shownChoices();
    session->chooseServo(kServoRowCount - 1);
    EXPECT_EQ(shown.servoModel, kServoRowCount - 1);
    session->chooseServo(kServoRowCount);
    EXPECT_EQ(shown.servoModel, kServoRowCount - 1);

    session->moveProfile(Setting::AccelProfile, kProfileMax);
    EXPECT_EQ(shown.accelProfile, kProfileMax);
    session->moveProfile(Setting::AccelProfile, kProfileMax + 1);
    session->moveProfile(Setting::DecelProfile, kProfileMin - 1);
    EXPECT_EQ(session->controller().model().accelProfile, kProfileMax);
    EXPECT_EQ(shown.decelProfile, session->controller().model().decelProfile);
}

TEST_F(PageSessionTest, WhatTheScreenShowsIsNotTypedOverWhileAReadRuns) {
    session->trySimulatedGyro();
    session->simulatedGyro()->setWord(0x0100, 1658);  // high endpoint 33
    session->read();
    // Well into the read, after the gyro has answered for the endpoints.
    base.clock.runUntil(base.clock.now() + 300 * testing::kMs);
    ASSERT_TRUE(session->controller().busy());
    session->setBox(NumericField::HighEndpoint, "99");
    session->loadDefaults();
    settle();

    EXPECT_EQ(box(NumericField::HighEndpoint), "33");
}

TEST_F(PageSessionTest, ASavedFileLoadsBackAsItWasAndKeepsNothingOfAnEarlierOne) {
    // An earlier file of the same name, with a section of another program's, passed through
    // the page's folder first.
    session->loadFile("vn340.tsf", "[Other program]\nKey=1\n");
    session->setBox(NumericField::LowEndpoint, "77");
    session->setBox(TextField::UserComments, "Trex 450, tail servo 9257");
    session->boxLeft(NumericField::LowEndpoint);
    session->chooseSpeed(3);

    const std::optional<SavedFile> saved = session->saveFile();
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->name, kProposedSettingsFileName);
    EXPECT_EQ(saved->bytes.find("Other program"), std::string::npos);

    session->loadDefaults();
    session->loadFile("from the pilot.tsf", saved->bytes);
    EXPECT_EQ(box(NumericField::LowEndpoint), "77");
    // Each line of the comments comes back with its line break, as the window loads them.
    EXPECT_EQ(box(TextField::UserComments), "Trex 450, tail servo 9257\n");
    EXPECT_EQ(session->screen().shownChoices().servoSpeed, 3);
}

TEST_F(PageSessionTest, APortConnectedWhileAnotherIsInUseIsOnlyOffered) {
    session->portOpened("Vexa-Plug");
    session->portOpened("Vexa-Plug 2");

    EXPECT_EQ(session->portList().selectedEntry(), "Vexa-Plug");
    EXPECT_EQ(session->offeredPorts(), (std::vector<std::string>{"Vexa-Plug", "Vexa-Plug 2"}));
    session->read();
    settle();
    ASSERT_FALSE(events.written.empty());
    EXPECT_EQ(events.written.front().first, "Vexa-Plug");
}

TEST_F(PageSessionTest, AReadIsKeptInTheHistoryAndComesBackOnScreen) {
    session->trySimulatedGyro();
    session->simulatedGyro()->setWord(0x0100, 1658);  // high endpoint 33
    session->read();
    settle();
    session->setBox(NumericField::HighEndpoint, "120");
    session->boxLeft(NumericField::HighEndpoint);

    const std::vector<Snapshot> kept = session->snapshots();
    ASSERT_EQ(kept.size(), 1U);
    EXPECT_EQ(kept[0].kind, SnapshotKind::Read);
    session->loadSnapshot(kept[0].path);
    EXPECT_EQ(box(NumericField::HighEndpoint), "33");
    session->undo();
    EXPECT_EQ(box(NumericField::HighEndpoint), "120");
}

TEST_F(PageSessionTest, CompareWithGyroTellsThePageWhatTheGyroHoldsAndLeavesTheScreen) {
    session->trySimulatedGyro();
    session->simulatedGyro()->setWord(0x0100, 1658);  // high endpoint 33
    session->compareWithGyro();
    base.clock.runWhile([this] { return events.comparedWith.empty(); });

    ASSERT_EQ(events.comparedWith.size(), 1U);
    EXPECT_EQ(events.comparedWith[0].highEndpoint, 33);
    EXPECT_EQ(box(NumericField::HighEndpoint), "100");
}

TEST_F(PageSessionTest, APageLeftWithChangesKeepsThemForTheNextVisitToTell) {
    session->trySimulatedGyro();
    session->read();
    settle();
    session->setBox(NumericField::LowEndpoint, "88");
    session->boxLeft(NumericField::LowEndpoint);
    session->close();
    session.reset();

    session = makeSession();
    const std::vector<Snapshot> kept = session->snapshots();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept[0].kind, SnapshotKind::Closed);
    EXPECT_EQ(kept[0].config.lowEndpoint, 88);
    EXPECT_NE(events.texts("status").back().find(kept[0].path.substr(kept[0].path.rfind('/') + 1)),
              std::string::npos);
}

TEST_F(PageSessionTest, DiagnosticsBringTheLiveSignalsAndARecordingHoldsEveryRoundSinceItsStart) {
    session->trySimulatedGyro();
    session->simulatedGyro()->setLiveSignals({.gyro = 1500, .rudder = 1700, .gain = 1270});
    session->diagnostics();
    base.clock.runWhile([this] { return events.rounds.size() < 2; });
    ASSERT_TRUE(session->startRecording());
    const std::size_t before = events.rounds.size();
    base.clock.runWhile([this, before] { return events.rounds.size() < before + 3; });
    const std::optional<SavedFile> recorded = session->stopRecording();
    session->diagnostics();
    settle();

    EXPECT_EQ(events.rounds.back().values, (LiveSignals{1500, 1700, 1270}));
    ASSERT_TRUE(recorded.has_value());
    const std::vector<std::string> lines = testing::linesOf(recorded->bytes);
    ASSERT_EQ(lines.size(), 1U + 3U);  // the header and the three rounds since the start
    EXPECT_NE(lines.back().find("1500"), std::string::npos);
    EXPECT_FALSE(session->recording());
    EXPECT_FALSE(session->screen().diagnosticsRunning());
}

}  // namespace
}  // namespace vn340
