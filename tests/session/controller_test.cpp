// The pilot's actions against the controller, without a window.

#include <algorithm>

#include "controller_fixture.h"

namespace vn340::testing {
namespace {

TEST_F(ControllerTest, AReadPutsTheGyrosConfigurationOnTheScreenAsOneStep) {
    platform.gyro.setWord(0x0100, 1658);           // high endpoint 33 percent
    platform.gyro.setWord(0x0118, 21 * 256 + 10);  // "JR 810G", speed "0.10"
    startWithGyro();
    ASSERT_EQ(controller->link().transport(), Transport::Usb);
    controller->readFromGyro();
    EXPECT_FALSE(pilot.controlsOn) << "the controls are off while the gyro is read";
    settle();

    EXPECT_EQ(model().highEndpoint, 33);
    EXPECT_EQ(pilot.shown.highEndpoint, 33);
    EXPECT_EQ(pilot.shown.servoModel, model().servoModel);
    EXPECT_EQ(pilot.status, "Read complete");
    EXPECT_TRUE(pilot.controlsOn);
    EXPECT_EQ(steps, std::vector<std::string>{"Read from gyro"});
    EXPECT_TRUE(pilot.messages.empty());
}

// The safety warning decides whether a store begins, and "Don't show this message again" is
// kept for the next store and the next start.
TEST_F(ControllerTest, TheSafetyAgreementDecidesTheStore) {
    struct Row {
        const char* what;
        const char* warning;         // the preference before
        std::optional<bool> answer;  // none: "Cancel"
        bool asked;
        bool stores;
        const char* warningAfter;
    };
    const Row rows[] = {
        {"cancelled", "0", std::nullopt, true, false, "WARNING=0"},
        {"agreed", "0", false, true, true, "WARNING=0"},
        {"agreed, not again", "0", true, true, true, "WARNING=1"},
        {"not asked", "1", std::nullopt, false, true, "WARNING=1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        platform.gyro = GyroSimulator();
        pilot = ScriptedPilot();
        start(std::string("[Settings]\r\nCOM PORT=USB\r\nWARNING=") + row.warning + "\r\n");
        pilot.safetyAgreement = row.answer;
        controller->storeToGyro();
        settle();
        EXPECT_EQ(std::count(pilot.events.begin(), pilot.events.end(), "safety"),
                  row.asked ? 1 : 0);
        EXPECT_EQ(platform.gyro.writesApplied().size(), row.stores ? 15u : 0u);
        EXPECT_NE(preferences().find(row.warningAfter), std::string::npos) << preferences();
    }
}

}  // namespace
}  // namespace vn340::testing
