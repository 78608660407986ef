#include "config/config_comparison.h"

#include <gtest/gtest.h>

namespace vn340 {
namespace {

constexpr int kJr3500G = 26;
constexpr int kMksDs9670 = 33;  // shares its code with "JR 3500G"

GyroConfig defaults() {
    GyroConfig config;
    loadDefaults(config);
    return config;
}

// The screen and a gyro that differ in a few settings, one of each kind.
struct Sides {
    GyroConfig screen = defaults();
    GyroConfig gyro = defaults();
    Sides() {
        screen.servoModel = kMksDs9670;
        gyro.servoModel = kJr3500G;
        screen.servoSpeed = kNoSelection;
        gyro.highEndpoint = 120;
        gyro.servoType = 2;
        gyro.direction = Direction::Reverse;
        gyro.rateExpo = -20;
        gyro.accelProfile = 3;
        screen.avcsExpo = 10;
    }
};

TEST(ConfigComparisonTest, ListsExactlyTheSettingsThatDifferAsThePilotSeesThem) {
    const Sides sides;
    struct Row {
        std::string_view label;
        std::string screen;
        std::string gyro;
    };
    const Row expected[] = {
        {"High endpoint", "100", "120"},
        {"Type", "1520usec/333Hz", "1520usec/250Hz"},
        {"Speed", "(none)", "0.05"},
        {"Direction", "Normal", "Reverse"},
        {"Rudder exponential, Mode 1 (Rate)", "-50", "-20"},
        {"Acceleration profile", "15", "3"},
        {"Rudder exponential, Mode 2 (AVCS)", "10", "-50"},
    };
    const std::vector<SettingComparison> found = differingSettings(sides.screen, sides.gyro);
    ASSERT_EQ(found.size(), std::size(expected));
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(expected[i].label);
        EXPECT_EQ(found[i].label, expected[i].label);
        EXPECT_EQ(found[i].left, expected[i].screen);
        EXPECT_EQ(found[i].right, expected[i].gyro);
        EXPECT_TRUE(found[i].differs);
    }
    // Both servos are stored as the same code, so the gyro holds what the screen shows.
    const std::vector<SettingComparison> all = compareConfigurations(sides.screen, sides.gyro);
    const auto servo = std::find_if(all.begin(), all.end(), [](const SettingComparison& row) {
        return row.setting == Setting::Servo;
    });
    ASSERT_NE(servo, all.end());
    EXPECT_EQ(servo->left, "MKS DS9670");
    EXPECT_EQ(servo->right, "JR 3500G");
    EXPECT_FALSE(servo->differs);
    EXPECT_EQ(countDifferences(sides.gyro, sides.screen), 7);
}

TEST(ConfigComparisonTest, UsingAValueTakesExactlyThatSettingAsTheOtherSideShowsIt) {
    Sides sides;
    GyroConfig screen = sides.screen;
    useValue(screen, sides.gyro, Setting::Type);
    EXPECT_EQ(displayValue(screen, Setting::Type), "1520usec/250Hz");
    EXPECT_EQ(differingSettings(screen, sides.gyro).size(), 6u);
    // The type taken is the one the servo implies, so choosing it again keeps the servo.
    onServoTypeChangedByPilot(screen, 2);
    EXPECT_EQ(screen.servoModel, kMksDs9670);

    GyroConfig gyro = sides.gyro;
    useValue(gyro, sides.screen, Setting::Servo);
    EXPECT_EQ(displayValue(gyro, Setting::Servo), "MKS DS9670");
    EXPECT_EQ(gyro.servoType, 2) << "a servo taken alone leaves the type as it was";

    for (const SettingComparison& row : differingSettings(sides.screen, sides.gyro)) {
        useValue(sides.screen, sides.gyro, row.setting);
    }
    EXPECT_TRUE(differingSettings(sides.screen, sides.gyro).empty());
    EXPECT_EQ(sides.screen.servoModel, kMksDs9670) << "a setting that did not differ stays";
}

}  // namespace
}  // namespace vn340
