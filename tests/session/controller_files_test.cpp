// "Save to file" and "Load from file" against the controller, with the files in memory.

#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "controller_fixture.h"

namespace vn340::testing {
namespace {

constexpr char kChosen[] = "/home/pilot/models/mine.tsf";

class ControllerFilesTest : public ControllerTest {
  protected:
    std::string file(const std::string& path) const { return platform.memoryFiles[path]; }
    bool fileHolds(const std::string& path, const std::string& line) const {
        return file(path).find(line) != std::string::npos;
    }
    void saveAs(const std::string& path) {
        pilot.savePath = path;
        controller->saveToFile();
    }
    void loadFrom(const std::string& path) {
        pilot.loadPath = path;
        controller->loadFromFile();
    }
};

TEST_F(ControllerFilesTest, ASavedFileLoadsBackAsTheConfigurationItWas) {
    start();
    type(NumericField::HighEndpoint, 120);
    chooseServo(23);  // "JR 810G"
    chooseDirection(Direction::Reverse);
    moveProfile(Setting::DecelProfile, 4);
    pilot.shown.userComments = "Trex 450\nnew tail servo";
    GyroConfig saved = model();
    saved.userComments = pilot.shown.userComments;

    saveAs(kChosen);
    ASSERT_EQ(pilot.requests.size(), 1u);
    EXPECT_EQ(pilot.requests[0].initialFolder, kProgramFolder);
    EXPECT_EQ(pilot.requests[0].proposedName, "vn340.tsf");
    EXPECT_EQ(pilot.requests[0].filter, "Tarvel RC Settings File (*.tsf)");
    EXPECT_EQ(pilot.requests[0].defaultSuffix, "tsf");
    EXPECT_TRUE(file(kChosen).starts_with("[Gyro]\r\nProduct=vn340\r\nApplication version=111\r\n"))
        << file(kChosen);
    EXPECT_TRUE(fileHolds(kChosen, "High endpoint=120\r\n"));
    EXPECT_TRUE(fileHolds(kChosen, "User comments=Trex 450_CRLF_new tail servo"));
    EXPECT_TRUE(preferencesHold("LAST DIRECTORY=/home/pilot/models"));
    EXPECT_EQ(model(), saved) << "the boxes were taken for the save";

    controller->loadDefaults();
    changes.clear();
    const GyroConfig before = model();
    loadFrom(kChosen);
    ASSERT_EQ(pilot.requests.size(), 2u);
    EXPECT_EQ(pilot.requests[1].proposedName, "");
    EXPECT_EQ(pilot.requests[1].filter, "Tarvel RC Settings File (*.tsf)");
    GyroConfig loaded = saved;
    loaded.userComments = "Trex 450\nnew tail servo\n";
    EXPECT_EQ(model(), loaded);
    EXPECT_EQ(pilot.shown, onScreen(loaded));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].step, "Load from file");
    EXPECT_EQ(changes[0].before, before);
    EXPECT_EQ(changes[0].after, loaded);
    EXPECT_TRUE(pilot.messages.empty());
}

// A file handed over from the desktop loads as one chosen in the file dialog, without it.
TEST_F(ControllerFilesTest, AFileHandedOverLoadsAsLoadFromFileDoes) {
    start();
    GyroConfig file = model();
    file.highEndpoint = 120;
    platform.memoryFiles.files["/media/stick/Trex 450.tsf"] = encodeSettingsFile("", file, {});
    controller->loadChosenFile("/media/stick/Trex 450.tsf");
    EXPECT_EQ(model().highEndpoint, 120);
    EXPECT_EQ(pilot.shown.highEndpoint, 120);
    EXPECT_EQ(steps, std::vector<std::string>{"Load from file"});
    EXPECT_TRUE(preferencesHold("LAST DIRECTORY=/media/stick")) << preferences();
    EXPECT_TRUE(pilot.requests.empty()) << "no file dialog";
    EXPECT_TRUE(pilot.messages.empty());
}

TEST_F(ControllerFilesTest, SavingOverASettingsFileAsksFirst) {
    start();
    saveAs(kChosen);
    type(NumericField::LowEndpoint, 90);
    pilot.overwrite = false;
    saveAs(kChosen);
    EXPECT_EQ(pilot.events.back(),
              "overwrite:The file mine.tsf already exists.  Overwrite or Cancel?");
    EXPECT_TRUE(fileHolds(kChosen, "Low endpoint=100\r\n"));
    pilot.overwrite = true;
    saveAs(kChosen);
    EXPECT_TRUE(fileHolds(kChosen, "Low endpoint=90\r\n"));
    EXPECT_TRUE(pilot.messages.empty());
}

TEST_F(ControllerFilesTest, CancelledFileDialogsChangeNothing) {
    start();
    const std::map<std::string, std::string> files = platform.memoryFiles.files;
    controller->saveToFile();
    controller->loadFromFile();
    EXPECT_EQ(pilot.requests.size(), 2u);
    EXPECT_EQ(platform.memoryFiles.files, files);
    EXPECT_EQ(model(), factoryConfiguration());
    EXPECT_TRUE(changes.empty());
    EXPECT_TRUE(pilot.messages.empty());
}

// Saving the old value of a box that holds no number would keep what the pilot no longer
// sees: the pilot corrects the box first.
TEST_F(ControllerFilesTest, NoSaveWhileABoxHoldsNoNumber) {
    start();
    pilot.refuseBox = NumericField::AvcsSensitivity;
    saveAs(kChosen);
    EXPECT_TRUE(pilot.requests.empty());
    EXPECT_EQ(pilot.messages, std::vector<std::string>{"Please enter an integer."});
    EXPECT_EQ(file(kChosen), "");
}

// The comments are saved as the comment box displays them, a wrapped line as several.
TEST_F(ControllerFilesTest, TheSaveTakesTheCommentLinesAsDisplayed) {
    start();
    pilot.shown.userComments = "a line long enough to wrap\n\nlast";
    pilot.commentLines = std::vector<std::string>{"a line long ", "enough to wrap", "", "last"};
    saveAs(kChosen);
    EXPECT_TRUE(
        fileHolds(kChosen, "User comments=a line long _CRLF_enough to wrap_CRLF__CRLF_last\r\n"))
        << file(kChosen);
}

TEST_F(ControllerFilesTest, ABadFileReportsEachValueInReadingOrder) {
    platform.memoryFiles.files["/data/bad.tsf"] =
        "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nMemory Map version=2\r\n"
        "User comments= one _CRLF__CRLF_two\r\n"
        "[Servo]\r\nHigh endpoint=abc\r\nLow endpoint=140\r\nMidpoint trim=-100\r\nServo=24\r\n"
        "Speed=200\r\nType=1\r\n"
        "[Common]\r\nDirection=1\r\nRudder stick deadband=7\r\n"
        "[Mode 1 (Rate Mode)]\r\nRudder exponential=-20\r\n"
        "[Mode 2 (AVCS Mode)]\r\nAcceleration profile=3\r\nDeceleration profile=2\r\n"
        "Clockwise stop gain=150\r\nCounter clockwise stop gain=60\r\n"
        "Rudder sensitivity=300\r\nRudder exponential=10\r\n";
    start();
    loadFrom("/data/bad.tsf");
    const auto unexpected = [](const std::string& name) {
        return "Unexpected value found in the configuration file for " + name +
               ".\n\nThe configuration file could be corrupt.\n\nDefault " + name +
               " will be used.\n\nPress OK to continue.";
    };
    EXPECT_EQ(pilot.messages,
              (std::vector<std::string>{
                  unexpected("High endpoint"), unexpected("Servo speed"),
                  "Check Servo selection has been correctly loaded.\n\nPress OK to continue.",
                  unexpected("AVCS mode rudder sensitivity")}));

    GyroConfig expected = factoryConfiguration();
    expected.lowEndpoint = 140;
    expected.midpointTrim = -100;
    expected.servoModel = 9;  // "Futaba BLS251"
    expected.servoType = 1;   // "760usec/560Hz"
    expected.servoImpliedType = 1;
    expected.direction = Direction::Reverse;
    expected.stickDeadband = 7;
    expected.rateExpo = -20;
    expected.accelProfile = 3;
    expected.decelProfile = 2;
    expected.cwStopGain = 150;
    expected.ccwStopGain = 60;
    expected.avcsExpo = 10;
    expected.userComments = "one\ntwo\n";
    expected.memoryMapVersion = 2;
    EXPECT_EQ(model(), expected);
    EXPECT_EQ(pilot.shown, onScreen(expected));
}

TEST_F(ControllerFilesTest, ARefusedFileLeavesTheScreenAlone) {
    platform.memoryFiles.files["/data/other.tsf"] =
        "[Gyro]\r\nProduct=vn341\r\n[Servo]\r\nHigh endpoint=60\r\n";
    start();
    loadFrom("/data/other.tsf");
    EXPECT_EQ(pilot.messages, std::vector<std::string>{std::string(kProductRefusal)});
    EXPECT_EQ(model(), factoryConfiguration());
    EXPECT_EQ(pilot.shown, onScreen(factoryConfiguration()));
    EXPECT_TRUE(changes.empty());
}

}  // namespace
}  // namespace vn340::testing
