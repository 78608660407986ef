#include "config/settings_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/settings_comments.h"
#include "support/gyro_config_print.h"

namespace vn340 {
namespace {

using Kind = LoadProblem::Kind;

GyroConfig defaults() {
    GyroConfig config;
    loadDefaults(config);
    return config;
}

// The comment box's lines of a text that does not wrap.
std::string encode(const GyroConfig& config, std::string_view old = "") {
    return encodeSettingsFile(old, config, splitAtLineBreaks(config.userComments));
}

DecodedSettings decode(std::string_view bytes) {
    return decodeSettingsFile(bytes, defaults());
}

// A complete, valid file of the given version, with `servoLines` first in "Servo".
std::string validFile(int version, std::string_view servoLines = "Servo=0\r\n") {
    return "[Gyro]\r\nProduct=vn340\r\nApplication version=" + std::to_string(version) +
           "\r\nFirmware version=109\r\nMemory Map version=2\r\nUser comments=Hi\r\n"
           "[Servo]\r\n" +
           std::string(servoLines) +
           "High endpoint=120\r\nLow endpoint=90\r\nMidpoint trim=-7\r\nServo=0\r\n"
           "Speed=9\r\nType=1\r\n[Common]\r\nDirection=1\r\nRudder stick deadband=12\r\n"
           "[Mode 1 (Rate Mode)]\r\nRudder exponential=-20\r\n[Mode 2 (AVCS Mode)]\r\n"
           "Acceleration profile=4\r\nDeceleration profile=11\r\nClockwise stop gain=150\r\n"
           "Counter clockwise stop gain=60\r\nRudder exponential=30\r\n"
           "Rudder sensitivity=140\r\n";
}

std::string withComments(std::string_view value) {
    std::string file = validFile(111);
    file.replace(file.find("User comments=Hi"), 16, "User comments=" + std::string(value));
    return file;
}

// The factory configuration's file, section by section.
const std::string kDefaultGyroKeys =
    "Application version=111\r\nFirmware version=0\r\nMemory Map version=3\r\n"
    "User comments=Use this area to make notes related to this configuration or your model.\r\n";
const std::string kDefaultServo =
    "[Servo]\r\nHigh endpoint=100\r\nLow endpoint=100\r\nMidpoint trim=0\r\nServo=0\r\n"
    "Speed=5\r\nType=0\r\n";
const std::string kDefaultModes =
    "[Mode 1 (Rate Mode)]\r\nRudder exponential=-50\r\n[Mode 2 (AVCS Mode)]\r\n"
    "Acceleration profile=15\r\nDeceleration profile=15\r\nClockwise stop gain=100\r\n"
    "Counter clockwise stop gain=100\r\nRudder exponential=-50\r\nRudder sensitivity=100\r\n";
const std::string kDefaultFile = "[Gyro]\r\nProduct=vn340\r\n" + kDefaultGyroKeys + kDefaultServo +
                                 "[Common]\r\nDirection=0\r\nRudder stick deadband=5\r\n" +
                                 kDefaultModes;

// ---- Writing ----

TEST(SettingsCodecTest, DefaultsWriteTheWholeLayout) {
    EXPECT_EQ(encode(defaults()), kDefaultFile);
}

TEST(SettingsCodecTest, SaveLoadSaveGivesTheSameFileAndValues) {
    GyroConfig config = defaults();
    config.highEndpoint = 145;
    config.lowEndpoint = 30;
    config.midpointTrim = -100;
    config.servoModel = 23;  // "JR 810G"
    applyServoSelection(config);
    config.servoSpeed = 2;  // not the servo's own speed: the file keeps what was shown
    config.servoType = 1;
    config.direction = Direction::Reverse;
    config.stickDeadband = 100;
    config.rateExpo = 100;
    config.avcsExpo = -100;
    config.accelProfile = 0;
    config.decelProfile = 7;
    config.cwStopGain = 50;
    config.ccwStopGain = 200;
    config.avcsSensitivity = 150;
    config.memoryMapVersion = 1;
    config.firmwareNumber = 109;
    config.userComments = "First line\nSecond line\n";
    const std::string saved = encode(config);
    // The firmware of the configuration read last is the gyro's, not the file's.
    GyroConfig base = defaults();
    base.firmwareNumber = 109;
    const DecodedSettings loaded = decodeSettingsFile(saved, base);
    ASSERT_FALSE(loaded.refusal);
    EXPECT_TRUE(loaded.problems.empty());
    GyroConfig expected = config;
    expected.servoImpliedType = 1;  // the type as loaded, not the one the servo implies
    EXPECT_EQ(loaded.config, expected);
    EXPECT_NE(saved.find("Firmware version=109\r\n"), std::string::npos);
    EXPECT_NE(saved.find("User comments=First line_CRLF_Second line_CRLF_\r\n"), std::string::npos);
    EXPECT_EQ(encode(loaded.config), saved);
}

TEST(SettingsCodecTest, ForeignKeysAndSectionsStayWhereTheyWere) {
    EXPECT_EQ(encode(defaults(),
                     "; notes\r\n[Gyro]\r\nUser comments=old\r\nProduct=other\r\nExtra=1\r\n"
                     "[Mine]\r\nk=v\r\n[Common]\r\nDirection=1\r\nLocal=yes\r\n"),
              "; notes\r\n[Gyro]\r\nProduct=vn340\r\nExtra=1\r\n" + kDefaultGyroKeys +
                  "[Mine]\r\nk=v\r\n[Common]\r\nDirection=0\r\nLocal=yes\r\n"
                  "Rudder stick deadband=5\r\n" +
                  kDefaultServo + kDefaultModes);
}

TEST(SettingsCodecTest, WithoutSelectionsTheFactoryChoicesAreWritten) {
    GyroConfig config = defaults();
    config.servoModel = kNoSelection;
    config.servoSpeed = kNoSelection;
    config.servoType = kNoSelection;
    EXPECT_NE(encode(config).find("Servo=0\r\nSpeed=5\r\nType=0\r\n"), std::string::npos);
}

TEST(SettingsCodecTest, HandChosenDuplicateCodeIsStoredAsItsCode) {
    GyroConfig config = defaults();
    config.servoModel = 33;  // "MKS DS9670", code 33 like "JR 3500G"
    applyServoSelection(config);
    const GyroConfig loaded = decode(encode(config)).config;
    EXPECT_EQ(loaded.servoModel, 26);  // "JR 3500G", the first row with code 33
    EXPECT_EQ(loaded.servoSpeed, 8);   // the speed shown at save time (0.09) stands
}

TEST(SettingsCodecTest, OnlyAFileWithAServoSectionHoldsSettings) {
    EXPECT_TRUE(holdsSettings("[Servo]\r\nx=1\r\n"));
    EXPECT_TRUE(holdsSettings("[Gyro]\r\n[sERVO]\r\n"));
    EXPECT_FALSE(holdsSettings("[Other]\r\nServo=1\r\n"));
    EXPECT_FALSE(holdsSettings(""));
}

// ---- Reading ----

TEST(SettingsCodecTest, EachRefusal) {
    struct Case {
        const char* gyroSection;
        std::string_view message;
    };
    const Case cases[] = {
        {"Product=VN340\r\nApplication version=111\r\nMemory Map version=3\r\n", kProductRefusal},
        {"Application version=111\r\nMemory Map version=3\r\n", kProductRefusal},
        {"Product=vn340\r\nApplication version=99\r\nMemory Map version=3\r\n", kOldVersionRefusal},
        {"Product=x\r\nApplication version=99\r\nMemory Map version=9\r\n", kProductRefusal},
        {"Product=vn340\r\nApplication version=abc\r\nMemory Map version=3\r\n",
         kOldVersionRefusal},
        {"Product=vn340\r\nApplication version=112\r\nMemory Map version=3\r\n",
         kNewVersionRefusal},
        {"Product=vn340\r\nMemory Map version=3\r\n", kNewVersionRefusal},
        {"Product=vn340\r\nApplication version=100\r\nMemory Map version=0\r\n", kMemoryMapRefusal},
        {"Product=vn340\r\nApplication version=111\r\nMemory Map version=4\r\n", kMemoryMapRefusal},
        {"Product=vn340\r\nApplication version=111\r\n", kMemoryMapRefusal},
        {"", kProductRefusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gyroSection);
        const DecodedSettings decoded =
            decode(std::string("[Gyro]\r\n") + c.gyroSection + "[Servo]\r\nHigh endpoint=40\r\n");
        EXPECT_EQ(decoded.refusal, c.message);
        EXPECT_TRUE(decoded.problems.empty());
    }
}

TEST(SettingsCodecTest, BadValuesAreReportedInReadingOrderAndReplaced) {
    const DecodedSettings decoded = decode(
        "[Gyro]\r\nProduct=vn340\r\nApplication version=111\r\nMemory Map version=3\r\n"
        "[Servo]\r\nHigh endpoint=abc\r\nLow endpoint=146\r\nMidpoint trim=xyz\r\n"
        "Servo=40\r\nType=-1\r\n[Common]\r\nDirection=2\r\nRudder stick deadband=\r\n"
        "[Mode 2 (AVCS Mode)]\r\nRudder exponential=-101\r\nAcceleration profile=16\r\n"
        "Rudder sensitivity=151\r\nClockwise stop gain=49\r\n");
    const char* const names[] = {"High endpoint",
                                 "Low endpoint",
                                 "Midpoint trim",
                                 "Servo",
                                 "Servo speed",
                                 "Servo type",
                                 "Servo direction",
                                 "Rudder stick deadband",
                                 "Rate mode rudder exponential",
                                 "Acceleration profile",
                                 "Deceleration profile",
                                 "Clockwise stop gain",
                                 "Counter clockwise stop gain",
                                 "AVCS mode rudder sensitivity",
                                 "AVCS mode rudder exponential"};
    std::vector<LoadProblem> expected;
    for (const char* name : names) {
        expected.push_back({Kind::UnexpectedValue, name});
    }
    EXPECT_EQ(decoded.problems, expected);
    EXPECT_EQ(expected[4].message(),
              "Unexpected value found in the configuration file for Servo speed.\n\nThe "
              "configuration file could be corrupt.\n\nDefault Servo speed will be used.\n\n"
              "Press OK to continue.");
    // Every value the factory's.
    GyroConfig factory = defaults();
    factory.userComments = "";
    EXPECT_EQ(decoded.config, factory);
}

// A number the Windows program wrote loads as it always has; any other text in its place is
// damage, reported even where reading its leading digits would have landed inside the range.
// Which texts are plain whole numbers, the number readers' own tests show.
TEST(SettingsCodecTest, OnlyPlainWholeNumbersLoadWithoutAWord) {
    for (const auto& [value, midpointTrim, reported] :
         {std::tuple{"-100", -100, false}, {"12abc", 0, true}, {"", 0, true}}) {
        SCOPED_TRACE(value);
        std::string file = validFile(111);
        file.replace(file.find("Midpoint trim=-7"), 16, "Midpoint trim=" + std::string(value));
        const DecodedSettings decoded = decode(file);
        EXPECT_EQ(decoded.config.midpointTrim, midpointTrim);
        const LoadProblem problem{Kind::UnexpectedValue, "Midpoint trim"};
        EXPECT_EQ(decoded.problems,
                  reported ? std::vector<LoadProblem>{problem} : std::vector<LoadProblem>{});
    }
}

// A version that is no plain whole number refuses the file as one this program cannot read.
TEST(SettingsCodecTest, DamagedVersionsRefuseTheFile) {
    const auto refusal = [](const char* versions) {
        return decode(std::string("[Gyro]\r\nProduct=vn340\r\n") + versions).refusal;
    };
    EXPECT_EQ(refusal("Application version=111abc\r\nMemory Map version=3\r\n"),
              kOldVersionRefusal);
    EXPECT_EQ(refusal("Application version=111\r\nMemory Map version=3x\r\n"), kMemoryMapRefusal);
}

TEST(SettingsCodecTest, ValidFileLoadsEveryValueOntoTheIdentification) {
    GyroConfig before = defaults();
    before.firmwareVersion = "1.09";
    before.serialNumber = "4711";
    const DecodedSettings decoded = decodeSettingsFile(validFile(111, "Servo=24\r\n"), before);
    EXPECT_TRUE(decoded.problems.empty());
    const GyroConfig& c = decoded.config;
    EXPECT_EQ(c.highEndpoint, 120);
    EXPECT_EQ(c.lowEndpoint, 90);
    EXPECT_EQ(c.midpointTrim, -7);
    EXPECT_EQ(c.servoModel, 9);  // "Futaba BLS251"
    EXPECT_EQ(c.servoSpeed, 8);
    EXPECT_EQ(c.servoType, 1);
    EXPECT_EQ(c.direction, Direction::Reverse);
    EXPECT_EQ(c.stickDeadband, 12);
    EXPECT_EQ(c.rateExpo, -20);
    EXPECT_EQ(c.accelProfile, 4);
    EXPECT_EQ(c.decelProfile, 11);
    EXPECT_EQ(c.cwStopGain, 150);
    EXPECT_EQ(c.ccwStopGain, 60);
    EXPECT_EQ(c.avcsExpo, 30);
    EXPECT_EQ(c.avcsSensitivity, 140);
    EXPECT_EQ(c.memoryMapVersion, 2);
    EXPECT_EQ(c.userComments, "Hi\n");
    EXPECT_EQ(c.firmwareVersion, "1.09");
    EXPECT_EQ(c.serialNumber, "4711");
}

TEST(SettingsCodecTest, ValuesNamingNoOptionLeaveTheSelectorEmpty) {
    struct Case {
        const char* servoLines;
        int servoModel;
        int speedPosition;
    };
    const Case cases[] = {
        {"Servo=38\r\nSpeed=0\r\n", kNoSelection, kNoSelection},
        {"Servo=39\r\nSpeed=16\r\n", kNoSelection, kNoSelection},
        {"Servo=37\r\nSpeed=-100\r\n", 29, kNoSelection},
        {"Servo=33\r\nSpeed=15\r\n", 26, 14},
        {"Servo=0\r\nSpeed=1\r\n", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.servoLines);
        // The first key of a name in a section wins, so the valid file's own ones stay unread.
        const DecodedSettings decoded = decode(validFile(111, c.servoLines));
        EXPECT_TRUE(decoded.problems.empty());
        EXPECT_EQ(decoded.config.servoModel, c.servoModel);
        EXPECT_EQ(decoded.config.servoSpeed, c.speedPosition);
    }
}

TEST(SettingsCodecTest, LegacyServoPositionsBelowVersion110) {
    const int legacyCodes[] = {0,  10, 11, 24, 5,  6, 16, 1,  2,  17, 3,  4, 12,
                               13, 21, 19, 8,  20, 7, 15, 18, 14, 9,  22, 23};
    for (int version : {100, 104, 109}) {
        for (int position = 0; position <= 39; ++position) {
            SCOPED_TRACE("version " + std::to_string(version) + " position " +
                         std::to_string(position));
            const DecodedSettings decoded =
                decode(validFile(version, "Servo=" + std::to_string(position) + "\r\n"));
            EXPECT_TRUE(decoded.problems.empty());
            if (position < 25) {
                ASSERT_NE(decoded.config.servoModel, kNoSelection);
                EXPECT_EQ(
                    servoTable()[static_cast<std::size_t>(decoded.config.servoModel)].servoCode,
                    legacyCodes[position]);
            } else {
                EXPECT_EQ(decoded.config.servoModel, kNoSelection);
            }
        }
    }
    for (int version = 100; version <= 111; ++version) {
        const int row = decode(validFile(version, "Servo=3\r\n")).config.servoModel;
        EXPECT_EQ(servoTable()[static_cast<std::size_t>(row)].name,
                  version < 110 ? "Futaba BLS251" : "Futaba S9257")
            << "version " << version;
    }
}

TEST(SettingsCodecTest, Version110RemindsOnceAfterTheServoSectionMessages) {
    std::string content = validFile(110, "Servo=3\r\n");
    content.replace(content.find("Type=1"), 6, "Type=9");
    content.replace(content.find("Direction=1"), 11, "Direction=5");
    const DecodedSettings decoded = decode(content);
    EXPECT_EQ(decoded.problems,
              (std::vector<LoadProblem>{{Kind::UnexpectedValue, "Servo type"},
                                        {Kind::CheckServo, {}},
                                        {Kind::UnexpectedValue, "Servo direction"}}));
    EXPECT_EQ(decoded.problems[1].message(),
              "Check Servo selection has been correctly loaded.\n\nPress OK to continue.");
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(decoded.config.servoModel)].name,
              "Futaba S9257");
}

// ---- Comments ----

TEST(SettingsCodecTest, CommentValuesLoadAsTrimmedLines) {
    struct Case {
        const char* value;
        const char* comments;
    };
    const Case cases[] = {
        {"", ""},
        {"one", "one\n"},
        {"  a _CRLF__CRLF_\t b\t_CRLF_", "a\nb\n"},
        {"a_CRLF_b_CRLF_c", "a\nb\nc\n"},
        {"\"quoted\"", "quoted\n"},
        {"Caf\xe9 \x93ok\x94 \x80", "Caf\xc3\xa9 \xe2\x80\x9cok\xe2\x80\x9d \xe2\x82\xac\n"},
        {"Caf\xc3\xa9", "Caf\xc3\xa9\n"},
        {"\x81\x8d", "\xc2\x81\xc2\x8d\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(decode(withComments(c.value)).config.userComments, c.comments);
    }
}

TEST(SettingsCodecTest, WindowsFileWithCrLfAndWindows1252Comments) {
    const DecodedSettings decoded = decode(
        "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nFirmware version=109\r\n"
        "Memory Map version=3\r\nUser comments=Tail set for 90\xb0 pirouettes "
        "\x96 d\xe9j\xe0 vu_CRLF_Gr\xfc\xdf"
        "e_CRLF_\r\n"
        "[Servo]\r\nHigh endpoint=110\r\nLow endpoint=110\r\nMidpoint trim=0\r\n"
        "Servo=21\r\nSpeed=10\r\nType=2\r\n");
    EXPECT_EQ(decoded.config.userComments,
              "Tail set for 90\xc2\xb0 pirouettes \xe2\x80\x93 d\xc3\xa9j\xc3\xa0 vu\n"
              "Gr\xc3\xbc\xc3\x9f"
              "e\n");
    EXPECT_EQ(decoded.config.highEndpoint, 110);
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(decoded.config.servoModel)].name, "JR 810G");
}

TEST(SettingsCodecTest, CommentsSurviveSaveAndLoad) {
    struct Case {
        const char* comments;
        const char* storedValue;  // the bytes after "User comments="
        const char* loaded;
    };
    const Case cases[] = {
        {"", "", ""},
        {"Caf\xc3\xa9\n", "Caf\xe9_CRLF_", "Caf\xc3\xa9\n"},
        {"\xe2\x82\xac 5", "\x80 5", "\xe2\x82\xac 5\n"},
        {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac\n"},
        // Its Windows-1252 bytes would read back as UTF-8 "é", so it is kept as UTF-8.
        {"\xc3\x83\xc2\xa9", "\xc3\x83\xc2\xa9", "\xc3\x83\xc2\xa9\n"},
        {"\"quoted\"", "\"\"quoted\"\"", "\"quoted\"\n"},
        {" 'a\nb' ", "' 'a_CRLF_b' '", "'a\nb'\n"},
        {"a_CRLF_b", "a_CRLF_b", "a\nb\n"},
        {"x\r\ny\rz", "x_CRLF_y_CRLF_z", "x\ny\nz\n"},
        // Without the blank the cut would fall after "x".
        {"x_CRLF\ny", "x_CRLF _CRLF_y", "x_CRLF\ny\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comments);
        GyroConfig config = defaults();
        config.userComments = c.comments;
        const std::string bytes = encode(config);
        EXPECT_NE(bytes.find(std::string("User comments=") + c.storedValue + "\r\n[Servo]"),
                  std::string::npos)
            << bytes;
        EXPECT_EQ(decode(bytes).config.userComments, c.loaded);
    }
}

TEST(SettingsCodecTest, WrappedDisplayLinesAreSavedAsLines) {
    GyroConfig config = defaults();
    config.userComments = "abcdef";
    EXPECT_NE(encodeSettingsFile("", config, {"abc", "def"}).find("User comments=abc_CRLF_def\r\n"),
              std::string::npos);
}

TEST(SettingsCommentsTest, NulCharactersAreDroppedBothWays) {
    EXPECT_EQ(commentsToFileValue({std::string("nul\0here", 8)}), "nulhere");
    EXPECT_EQ(commentsFromFileValue(std::string("a\0b_CRLF_\0", 11)), "ab\n");
}

// Each byte 0x80..0x9F stands for its own character of the code page (the five it leaves
// undefined for the C1 control of the same number), and the characters go back as those bytes.
TEST(SettingsCommentsTest, EveryWindows1252CharacterOf0x80To0x9FRoundTrips) {
    std::string bytes;
    for (int b = 0x80; b <= 0x9F; ++b) {
        bytes.push_back(static_cast<char>(b));
    }
    const std::string characters = "€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";
    EXPECT_EQ(commentsFromFileValue(bytes), characters + "\n");
    EXPECT_EQ(commentsToFileValue({characters}), bytes);
}

}  // namespace
}  // namespace vn340
