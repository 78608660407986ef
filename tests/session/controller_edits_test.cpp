// The pilot's edits against the controller: each a step of its own, the servo and type rules,
// and the check of a box the pilot leaves.

#include <functional>

#include "controller_fixture.h"

namespace vn340::testing {
namespace {

std::string notice(NumericField field, const char* text) {
    return "notice:" + std::to_string(static_cast<int>(field)) + ":" + text;
}

// Every change passes by its step, with the configuration before and after it whole.
TEST_F(ControllerTest, EveryChangeThePilotMakesPassesByItsStep) {
    using F = NumericField;
    struct Row {
        const char* step;
        std::function<void()> act;
        std::function<void(GyroConfig&)> expect;  // what the step makes of the configuration
    };
    const Row rows[] = {
        {"High endpoint", [this] { type(F::HighEndpoint, 120); },
         [](GyroConfig& c) { c.highEndpoint = 120; }},
        // What the check made of the typed value is the change.
        {"Clockwise stop gain", [this] { type(F::CwStopGain, 300); },
         [](GyroConfig& c) { c.cwStopGain = 200; }},
        {"Rudder exponential, Mode 1 (Rate)", [this] { type(F::RateExpo, 7); },
         [](GyroConfig& c) { c.rateExpo = 7; }},
        {"Rudder exponential, Mode 2 (AVCS)", [this] { type(F::AvcsExpo, 8); },
         [](GyroConfig& c) { c.avcsExpo = 8; }},
        {"Servo", [this] { chooseServo(23); },
         [](GyroConfig& c) {
             c.servoModel = 23;
             c.servoType = 2;
             c.servoSpeed = 9;
             c.servoImpliedType = 2;
         }},
        {"Speed", [this] { chooseSpeed(12); }, [](GyroConfig& c) { c.servoSpeed = 12; }},
        {"Type", [this] { chooseType(2); }, [](GyroConfig& c) { c.servoType = 2; }},
        {"Acceleration profile", [this] { moveProfile(Setting::AccelProfile, 0); },
         [](GyroConfig& c) { c.accelProfile = 0; }},
        {"Deceleration profile", [this] { moveProfile(Setting::DecelProfile, 14); },
         [](GyroConfig& c) { c.decelProfile = 14; }},
        {"Direction", [this] { chooseDirection(Direction::Reverse); },
         [](GyroConfig& c) { c.direction = Direction::Reverse; }},
        {"User comments", [this] { controller->commentsLeft("new tail servo"); },
         [](GyroConfig& c) { c.userComments = "new tail servo"; }},
        {"Load defaults",
         [this] {
             type(F::LowEndpoint, 90);
             controller->loadDefaults();
         },
         [](GyroConfig& c) { c.lowEndpoint = 100; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step);
        changes.clear();
        start();
        row.act();
        ASSERT_FALSE(changes.empty());
        const PilotChange& change = changes.back();
        GyroConfig expected = change.before;
        row.expect(expected);
        EXPECT_EQ(change.step, row.step);
        EXPECT_EQ(change.after, expected);
        EXPECT_EQ(model(), expected) << "the model is what the step made it";
        if (std::string(row.step) == "Load defaults") {
            EXPECT_EQ(change.before.lowEndpoint, 90);
        }
    }
}

// A box left as it was, a choice made again, a file refused: no change, so no step.
TEST_F(ControllerTest, WhatLeavesTheConfigurationAsItWasIsNoStep) {
    start();
    type(NumericField::HighEndpoint, 100);
    controller->servoChosen();
    controller->commentsLeft(model().userComments);
    controller->loadDefaults();
    EXPECT_TRUE(changes.empty());
}

TEST_F(ControllerTest, AServoChoiceSetsTypeAndSpeed) {
    struct Row {
        int servo;
        const char* name;
        int type;   // "1520usec/333Hz", "760usec/560Hz", "1520usec/250Hz", "960usec/333Hz"
        int speed;  // "0.06" is 5
    };
    const Row rows[] = {{9, "Futaba BLS251", 1, 5},
                        {23, "JR 810G", 2, 9},
                        {32, "LogicTech 6100G", 3, 4},
                        {33, "MKS DS9670", 0, 8}};
    start();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        chooseServo(row.servo);
        EXPECT_EQ(model().servoType, row.type);
        EXPECT_EQ(model().servoSpeed, row.speed);
        EXPECT_EQ(pilot.shown.servoType, row.type);
        EXPECT_EQ(pilot.shown.servoSpeed, row.speed);
    }
}

// With "JR 810G" chosen, another type switches the servo to "Generic" and keeps the speed;
// another speed keeps the servo; the type the servo implied, chosen again, leaves "Generic".
TEST_F(ControllerTest, AnotherTypeFallsBackToGenericButTheSpeedStays) {
    start();
    chooseServo(23);  // "JR 810G": "1520usec/250Hz", "0.10"
    chooseSpeed(12);  // "0.13"
    EXPECT_EQ(model().servoModel, 23);
    chooseType(0);  // "1520usec/333Hz"
    EXPECT_EQ(model().servoModel, 0);
    EXPECT_EQ(pilot.shown.servoModel, 0);
    EXPECT_EQ(model().servoSpeed, 12);
    chooseType(2);
    EXPECT_EQ(model().servoModel, 0);
    EXPECT_EQ(model().servoType, 2);
}

// The servo list closed without another choice applies the servo again: a speed of the
// pilot's own goes back to the servo's.
TEST_F(ControllerTest, TheServoChosenAgainPutsItsSpeedBack) {
    start();
    chooseServo(23);
    chooseSpeed(12);
    controller->servoChosen();
    EXPECT_EQ(model().servoSpeed, 9);
    EXPECT_EQ(pilot.shown.servoSpeed, 9);
}

TEST_F(ControllerTest, LoadDefaultsPutsTheFactoryConfigurationBackButNotTheGyrosIdentity) {
    platform.gyro.setWord(0x011E, 0x0B00);
    startWithGyro();
    read();
    type(NumericField::HighEndpoint, 120);
    chooseServo(9);
    chooseDirection(Direction::Reverse);
    controller->commentsLeft("mine");
    const GyroConfig edited = model();
    controller->loadDefaults();

    GyroConfig expected = factoryConfiguration();
    for (auto member :
         {&GyroConfig::firmwareVersion, &GyroConfig::loaderVersion, &GyroConfig::serialNumber}) {
        expected.*member = edited.*member;
    }
    for (auto member :
         {&GyroConfig::firmwareNumber, &GyroConfig::productId, &GyroConfig::memoryMapVersion,
          &GyroConfig::servoFlags, &GyroConfig::statisticsWord}) {
        expected.*member = edited.*member;
    }
    EXPECT_FALSE(expected.serialNumber.empty());
    EXPECT_EQ(model(), expected);
    EXPECT_EQ(pilot.shown, onScreen(expected));
}

// Leaving a box holds its value to its limits, exactly at each limit, and tells the pilot
// beside the box what was changed.
TEST_F(ControllerTest, LeavingABoxHoldsItsValueToItsLimits) {
    using F = NumericField;
    struct Row {
        F field;
        int typed;
        int kept;
        const char* notice;  // nullptr: none
    };
    const Row rows[] = {
        {F::HighEndpoint, 29, 30,
         "Endpoint must be greater or equal to 30%\nValue has been changed to 30% automatically"},
        {F::HighEndpoint, 30, 30, nullptr},
        {F::LowEndpoint, 145, 145, nullptr},
        {F::LowEndpoint, 146, 145,
         "Endpoint must be less or equal to 145%\nValue has been change to 145% automatically"},
        {F::CwStopGain, 300, 200,
         "Gain must be less or equal to 200%\nValue has been change to 200% automatically"},
        {F::CcwStopGain, 200, 200, nullptr},
        {F::CcwStopGain, 50, 50, nullptr},
        {F::CcwStopGain, 49, 50,
         "Gain must be greater or equal to 50%\nValue has been changed to 50% automatically"},
        {F::AvcsExpo, -100, -100, nullptr},
        {F::AvcsExpo, -101, -100,
         "Exponentials must be greater or equal to -100%\nValue has been changed to -100% "
         "automatically"},
        {F::RateExpo, 100, 100, nullptr},
        {F::RateExpo, 101, 100,
         "Exponentials must be less or equal to 100%\nValue has been change to 100% automatically"},
        {F::MidpointTrim, -101, -100,
         "Midpoint trim must be greater or equal to -100\nValue has been changed to -100 "
         "automatically"},
        {F::MidpointTrim, 101, 100,
         "Midpoint trim must be less or equal to 100\nValue has been change to 100 automatically"},
        {F::StickDeadband, 4, 5,
         "Deadband must be greater or equal to 5\nValue has been changed to 5 automatically"},
        {F::StickDeadband, 5, 5, nullptr},
        {F::AvcsSensitivity, 150, 150, nullptr},
        {F::AvcsSensitivity, 151, 150,
         "Sensitivity must be less or equal to 150%\nValue has been change to 150% automatically"},
    };
    start();
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(row.field) << " <- " << row.typed);
        pilot.events.clear();
        GyroConfig expected = model();
        expected.*ScriptedPilot::numberOf(row.field) = row.kept;
        type(row.field, row.typed);
        EXPECT_EQ(model(), expected);
        EXPECT_EQ(pilot.shown, onScreen(expected)) << "every box is shown again";
        std::vector<std::string> events;
        if (row.notice != nullptr) {
            events.push_back(notice(row.field, row.notice));
        }
        events.emplace_back("shown");
        EXPECT_EQ(pilot.events, events);
    }
    EXPECT_TRUE(pilot.messages.empty());
}

// A box that holds no number, met while another box is checked: that box and the refused one
// get their values back, the refused one is selected, and nothing else is shown again (the
// comment box keeps what is being written in it).
TEST_F(ControllerTest, ARefusedBoxGetsItsValueBackAndIsSelected) {
    start();
    pilot.events.clear();
    pilot.refuseBox = NumericField::LowEndpoint;
    pilot.shown.highEndpoint = 20;
    pilot.shown.lowEndpoint = 77;  // stands for the text that is no number
    controller->boxLeft(NumericField::HighEndpoint);
    EXPECT_EQ(pilot.events, (std::vector<std::string>{"message:Please enter an integer.", "box:0",
                                                      "box:1", "select:1"}));
    EXPECT_EQ(pilot.shown.lowEndpoint, 100);
    EXPECT_EQ(model(), factoryConfiguration());
    EXPECT_TRUE(changes.empty());
}

}  // namespace
}  // namespace vn340::testing
