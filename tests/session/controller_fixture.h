#pragma once

// The program without its window: the controller on a virtual platform, with the pilot
// scripted. Each test starts it as the window does, acts as the pilot would, and runs the
// virtual clock until the gyro has answered.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "link/adapter_link.h"
#include "session/config_controller.h"
#include "support/gyro_config_print.h"
#include "support/scripted_pilot.h"
#include "support/virtual_platform.h"

namespace vn340::testing {

inline constexpr char kProgramFolder[] = "/opt/vn340";
inline constexpr char kPreferencesFile[] = "/opt/vn340/TarvelRCGyro.ini";
inline constexpr char kWithGyro[] = "[Settings]\r\nCOM PORT=USB\r\nWARNING=1\r\n";

// What the screen shows at every start, before anything is read or loaded.
inline GyroConfig factoryConfiguration() {
    GyroConfig c;
    c.highEndpoint = 100;
    c.lowEndpoint = 100;
    c.midpointTrim = 0;
    c.stickDeadband = 5;
    c.rateExpo = -50;
    c.avcsExpo = -50;
    c.cwStopGain = 100;
    c.ccwStopGain = 100;
    c.avcsSensitivity = 100;
    c.servoModel = 0;  // "Generic"
    c.servoType = 0;   // "1520usec/333Hz"
    c.servoSpeed = 4;  // "0.05"
    c.accelProfile = 15;
    c.decelProfile = 15;
    c.direction = Direction::Normal;
    c.userComments = "Use this area to make notes related to this configuration or your model.";
    c.memoryMapVersion = 3;
    return c;
}

// What of a configuration the screen shows: all but what no control holds.
inline GyroConfig onScreen(const GyroConfig& config) {
    GyroConfig shown = config;
    const GyroConfig none;
    shown.firmwareNumber = none.firmwareNumber;
    shown.memoryMapVersion = none.memoryMapVersion;
    shown.productId = none.productId;
    shown.servoFlags = none.servoFlags;
    shown.statisticsWord = none.statisticsWord;
    shown.servoImpliedType = none.servoImpliedType;
    return shown;
}

class ControllerTest : public ::testing::Test {
  protected:
    ControllerTest() {
        paths.programFolder = kProgramFolder;
        paths.configHome = "/home/pilot/.config";
    }

    // Starts as the window does; `preferences` are the preferences file's bytes (none: a first
    // start). "USB" as the saved port opens the simulated adapter.
    ConfigController& start(const std::string& preferences = {}) {
        controller.reset();
        if (!preferences.empty()) {
            platform.memoryFiles.files[kPreferencesFile] = preferences;
        }
        controller = std::make_unique<ConfigController>(pilot, pilot, pilot, platform, paths);
        connections += controller->pilotChanged.connect([this](const PilotChange& change) {
            steps.push_back(change.step);
            changes.push_back(change);
        });
        connections += controller->outcomeShown.connect(
            [this](const SequenceOutcome& outcome) { count(outcome); });
        controller->start();
        return *controller;
    }
    // The gyro behind "USB", the safety warning agreed to long ago.
    ConfigController& startWithGyro() { return start(kWithGyro); }
    // A start on a new pilot, a new gyro and no files, for each row of a table.
    ConfigController& startAfresh(const std::string& preferences = {}) {
        controller.reset();
        pilot = ScriptedPilot();
        platform.gyro = GyroSimulator();
        platform.memoryFiles.files.clear();
        platform.memoryFiles.replaceFailures.clear();
        return start(preferences);
    }

    void count(const SequenceOutcome& outcome) {
        outcomes.push_back(outcome);
        if (outcome.kind == SequenceKind::Read && outcome.result == SequenceResult::Done) {
            ++readsCompleted;
        }
        if (outcome.kind == SequenceKind::Store && outcome.ranToItsEnd()) {
            gyroHolds.push_back(outcome.gyro.config);
        }
        if (outcome.storeCutShort()) {
            ++storesUnfinished;
        }
    }

    // Runs the virtual clock until the sequence under way has ended.
    void settle() {
        platform.clock.runWhile([this] { return busy() || platform.timers->sequenceTimerArmed(); });
    }
    virtual bool busy() const { return controller->busy(); }
    void read() {
        controller->readFromGyro();
        settle();
    }
    void store() {
        controller->storeToGyro();
        settle();
    }

    // The pilot's edits: a number typed into its box and the box left; a choice made.
    void type(NumericField field, int value) {
        pilot.shown.*ScriptedPilot::numberOf(field) = value;
        controller->boxLeft(field);
    }
    void chooseServo(int servo) {
        pilot.shown.servoModel = servo;
        controller->servoChosen();
    }
    void chooseSpeed(int speed) {
        pilot.shown.servoSpeed = speed;
        controller->speedChosen();
    }
    void chooseType(int type) {
        pilot.shown.servoType = type;
        controller->typeChosen(type);
    }
    void chooseDirection(Direction direction) {
        pilot.shown.direction = direction;
        controller->directionChosen();
    }
    void moveProfile(Setting profile, int value) {
        (profile == Setting::AccelProfile ? pilot.shown.accelProfile : pilot.shown.decelProfile) =
            value;
        controller->profileMoved(profile);
    }

    const GyroConfig& model() const { return controller->model(); }
    std::string preferences() const { return platform.memoryFiles[kPreferencesFile]; }
    bool preferencesHold(const std::string& line) const {
        return preferences().find(line + "\r\n") != std::string::npos;
    }

    ProgramPaths paths;
    ScriptedPilot pilot;
    VirtualPlatform platform;
    std::unique_ptr<ConfigController> controller;
    Connections connections;
    // The steps the pilot made, by name and whole, in order.
    std::vector<std::string> steps;
    std::vector<PilotChange> changes;
    // Every sequence's outcome, as the controller told it, in order.
    std::vector<SequenceOutcome> outcomes;
    int readsCompleted = 0;
    std::vector<GyroConfig> gyroHolds;  // one per store that ran to its end
    int storesUnfinished = 0;
};

}  // namespace vn340::testing
