#include "config/gyro_config.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vn340 {
namespace {

int rowNamed(std::string_view name) {
    for (int row = 0; row < kServoRowCount; ++row) {
        if (servoTable()[static_cast<std::size_t>(row)].name == name) {
            return row;
        }
    }
    ADD_FAILURE() << "no servo row named " << name;
    return kNoSelection;
}

std::string_view typeLabel(const GyroConfig& c) {
    return signalTypeOptions()[static_cast<std::size_t>(c.servoType)].label;
}

std::string_view speedLabel(const GyroConfig& c) {
    return speedOptions()[static_cast<std::size_t>(c.servoSpeed)].label;
}

TEST(GyroConfigTest, DefaultsAreTheFactoryScreen) {
    GyroConfig c;
    c.firmwareVersion = "1.09";
    c.serialNumber = "1234";
    c.memoryMapVersion = 2;
    loadDefaults(c);
    EXPECT_EQ(c.highEndpoint, 100);
    EXPECT_EQ(c.lowEndpoint, 100);
    EXPECT_EQ(c.midpointTrim, 0);
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(c.servoModel)].name, "Generic");
    EXPECT_EQ(typeLabel(c), "1520usec/333Hz");
    EXPECT_EQ(speedLabel(c), "0.05");
    EXPECT_EQ(c.direction, Direction::Normal);
    EXPECT_EQ(c.stickDeadband, 5);
    EXPECT_EQ(c.rateExpo, -50);
    EXPECT_EQ(c.avcsExpo, -50);
    EXPECT_EQ(c.accelProfile, 15);
    EXPECT_EQ(c.decelProfile, 15);
    EXPECT_EQ(c.cwStopGain, 100);
    EXPECT_EQ(c.ccwStopGain, 100);
    EXPECT_EQ(c.avcsSensitivity, 100);
    EXPECT_EQ(c.userComments,
              "Use this area to make notes related to this configuration or your model.");
    EXPECT_EQ(c.servoImpliedType, 0);
    // Identification is not the pilot's configuration and survives the defaults.
    EXPECT_EQ(c.firmwareVersion, "1.09");
    EXPECT_EQ(c.serialNumber, "1234");
    EXPECT_EQ(c.memoryMapVersion, 2);
}

// Every row of the published table with the type and speed it must select.
TEST(GyroConfigTest, EveryServoRowSelectsItsTypeAndSpeed) {
    struct Row {
        const char* name;
        int code;
        const char* type;
        const char* speed;
    };
    const Row rows[] = {
        {"Generic", 0, "1520usec/333Hz", "0.05"},
        {"Airtronics 94758", 10, "1520usec/333Hz", "0.07"},
        {"Airtronics 94761", 11, "1520usec/333Hz", "0.15"},
        {"Align DS410", 25, "1520usec/333Hz", "0.13"},
        {"Align DS420", 26, "1520usec/333Hz", "0.08"},
        {"Align DS510", 27, "1520usec/333Hz", "0.13"},
        {"Align DS520", 28, "1520usec/333Hz", "0.09"},
        {"Align DS610", 29, "1520usec/333Hz", "0.10"},
        {"Align DS620", 30, "1520usec/333Hz", "0.09"},
        {"Futaba BLS251", 24, "760usec/560Hz", "0.06"},
        {"Futaba S3153", 5, "1520usec/333Hz", "0.12"},
        {"Futaba S3154", 6, "1520usec/333Hz", "0.10"},
        {"Futaba S9251", 16, "760usec/560Hz", "0.07"},
        {"Futaba S9253", 1, "1520usec/333Hz", "0.08"},
        {"Futaba S9254", 2, "1520usec/333Hz", "0.06"},
        {"Futaba S9256", 17, "760usec/560Hz", "0.06"},
        {"Futaba S9257", 3, "1520usec/333Hz", "0.08"},
        {"Futaba S9650", 4, "1520usec/333Hz", "0.14"},
        {"Hitec HS-5925MG", 12, "1520usec/333Hz", "0.10"},
        {"Hitec HS-6965HB", 13, "1520usec/333Hz", "0.10"},
        {"Hitec HSG-5083MG", 31, "960usec/333Hz", "0.07"},
        {"Hitec HSG-5084MG", 36, "1520usec/333Hz", "0.07"},
        {"JR 290G", 32, "1520usec/333Hz", "0.08"},
        {"JR 810G", 21, "1520usec/250Hz", "0.10"},
        {"JR 2700G", 19, "1520usec/250Hz", "0.11"},
        {"JR 3400G", 8, "1520usec/333Hz", "0.11"},
        {"JR 3500G", 33, "1520usec/333Hz", "0.07"},
        {"JR 8700G", 20, "1520usec/250Hz", "0.09"},
        {"JR 8900G", 7, "1520usec/333Hz", "0.05"},
        {"Ino-Lab HG-D201HB", 37, "1520usec/333Hz", "0.07"},
        {"Ino-Lab HG-D261HB", 35, "1520usec/333Hz", "0.07"},
        {"LogicTech 3100G", 15, "960usec/333Hz", "0.07"},
        {"LogicTech 6100G", 18, "960usec/333Hz", "0.05"},
        {"MKS DS9670", 33, "1520usec/333Hz", "0.09"},
        {"MKS DS9810", 34, "760usec/560Hz", "0.05"},
        {"Robbe FS61BB", 14, "1520usec/333Hz", "0.07"},
        {"Sanwa ERG-WRX", 9, "1520usec/333Hz", "0.06"},
        {"Sky HDS-577", 22, "1520usec/250Hz", "0.12"},
        {"Sky HDS-877", 23, "1520usec/250Hz", "0.11"},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kServoRowCount));
    for (int position = 0; position < kServoRowCount; ++position) {
        const Row& expected = rows[position];
        SCOPED_TRACE(expected.name);
        const ServoEntry& entry = servoTable()[static_cast<std::size_t>(position)];
        EXPECT_EQ(entry.name, expected.name);
        EXPECT_EQ(entry.servoCode, expected.code);
        GyroConfig c;
        c.servoModel = position;
        applyServoSelection(c);
        EXPECT_EQ(typeLabel(c), expected.type);
        EXPECT_EQ(speedLabel(c), expected.speed);
        EXPECT_EQ(c.servoImpliedType, c.servoType);
        EXPECT_EQ(c.servoModel, position);
    }
}

TEST(GyroConfigTest, ApplyWithoutSelectionChangesNothing) {
    GyroConfig c;
    c.servoModel = kNoSelection;
    c.servoType = 3;
    c.servoSpeed = 9;
    c.servoImpliedType = 2;
    applyServoSelection(c);
    EXPECT_EQ(c.servoType, 3);
    EXPECT_EQ(c.servoSpeed, 9);
    EXPECT_EQ(c.servoImpliedType, 2);
}

TEST(GyroConfigTest, CodeLookUpTakesTheFirstRow) {
    EXPECT_EQ(servoRowForCode(33), rowNamed("JR 3500G"));
    EXPECT_EQ(servoRowForCode(24), rowNamed("Futaba BLS251"));
    EXPECT_EQ(servoRowForCode(0), 0);
    EXPECT_EQ(servoRowForCode(37), rowNamed("Ino-Lab HG-D201HB"));
    EXPECT_FALSE(servoRowForCode(38).has_value());
    EXPECT_FALSE(servoRowForCode(39).has_value());
    EXPECT_FALSE(servoRowForCode(-1).has_value());
    // Every code 0..37 names some row.
    std::set<int> codes;
    for (const ServoEntry& e : servoTable()) {
        codes.insert(e.servoCode);
    }
    EXPECT_EQ(codes.size(), 38u);
}

// A type other than the one the servo implies means another servo: the selection falls back to
// "Generic", and going back to the implied type does not bring the servo back.
TEST(GyroConfigTest, PilotTypeChangeKeepsTheServoOnlyOnItsImpliedType) {
    GyroConfig c;
    loadDefaults(c);
    const int jr = rowNamed("JR 810G");
    c.servoModel = jr;
    applyServoSelection(c);
    onServoTypeChangedByPilot(c, 2);
    EXPECT_EQ(c.servoModel, jr);
    onServoTypeChangedByPilot(c, 0);
    EXPECT_EQ(c.servoModel, 0);
    EXPECT_EQ(speedLabel(c), "0.10");
    EXPECT_EQ(c.servoType, 0);
    EXPECT_EQ(c.servoImpliedType, 2);
    onServoTypeChangedByPilot(c, 2);
    EXPECT_EQ(c.servoModel, 0);
    EXPECT_EQ(c.servoType, 2);
}

TEST(GyroConfigTest, SpeedLabelsAreValueInHundredths) {
    for (int position = 0; position < kSpeedOptionCount; ++position) {
        const SpeedOption& o = speedOptions()[static_cast<std::size_t>(position)];
        EXPECT_EQ(o.value, position + 1);
        const std::string want = (o.value < 10 ? "0.0" : "0.") + std::to_string(o.value);
        EXPECT_EQ(o.label, want) << "position " << position;
    }
    EXPECT_EQ(speedOptions()[10].label, "0.11");
}

TEST(GyroConfigTest, TypeOptionValueIsPosition) {
    for (int position = 0; position < kSignalTypeCount; ++position) {
        EXPECT_EQ(signalTypeOptions()[static_cast<std::size_t>(position)].value, position);
    }
}

}  // namespace
}  // namespace vn340
