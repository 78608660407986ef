#include "config/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/field_rules.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Plays the pilot: answers the dialogs from a script and records what the pilot is shown.
class ScriptedHost : public SettingsFileHost {
  public:
    std::optional<std::string> savePath;
    std::optional<std::string> loadPath;
    bool overwrite = true;
    std::optional<std::vector<std::string>> displayLines;  // none: cut at line breaks

    std::vector<FileDialogRequest> requests;
    std::vector<std::string> events;  // "message:", "overwrite:", "notice:<id>:", "model"

    std::optional<std::string> askSavePath(const FileDialogRequest& request) override {
        requests.push_back(request);
        return savePath;
    }
    std::optional<std::string> askLoadPath(const FileDialogRequest& request) override {
        requests.push_back(request);
        return loadPath;
    }
    bool askOverwrite(const std::string& question) override {
        events.push_back("overwrite:" + question);
        return overwrite;
    }
    void showMessage(const std::string& text) override { events.push_back("message:" + text); }
    void showModel(const GyroConfig&) override { events.push_back("model"); }
    void showFieldNotice(int editBoxId, const std::string& notice) override {
        events.push_back("notice:" + std::to_string(editBoxId) + ":" + notice);
    }
    std::vector<std::string> commentDisplayLines(const std::string& comments) override {
        return displayLines ? *displayLines : SettingsFileHost::commentDisplayLines(comments);
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const std::string& e : events) {
            if (e.rfind("message:", 0) == 0) {
                out.push_back(e.substr(8));
            }
        }
        return out;
    }
};

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vn340-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        prefs.setPath((dir / "TarvelRCGyro.ini").string());
        loadDefaults(config);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string file(const char* name) const { return (dir / name).string(); }

    void save(const std::string& path) {
        host.savePath = path;
        saveSettingsFile(config, prefs, store, host, "/start");
    }
    GyroConfig load(const std::string& path) {
        GyroConfig loaded;
        loadDefaults(loaded);
        host.loadPath = path;
        loadSettingsFile(loaded, prefs, store, host, "/start");
        return loaded;
    }
    // A complete, valid file of the given version, with `extra` lines added to "Servo".
    std::string validFile(int version, std::string_view servoLines = "Servo=0\r\n") const {
        return "[Gyro]\r\nProduct=vn340\r\nApplication version=" + std::to_string(version) +
               "\r\nFirmware version=109\r\nMemory Map version=2\r\nUser comments=Hi\r\n"
               "[Servo]\r\nHigh endpoint=120\r\nLow endpoint=90\r\nMidpoint trim=-7\r\n" +
               std::string(servoLines) +
               "Speed=9\r\nType=1\r\n[Common]\r\nDirection=1\r\nRudder stick deadband=12\r\n"
               "[Mode 1 (Rate Mode)]\r\nRudder exponential=-20\r\n[Mode 2 (AVCS Mode)]\r\n"
               "Acceleration profile=4\r\nDeceleration profile=11\r\nClockwise stop gain=150\r\n"
               "Counter clockwise stop gain=60\r\nRudder exponential=30\r\n"
               "Rudder sensitivity=140\r\n";
    }

    fs::path dir;
    ProfileStore prefs;
    ProfileStore store;
    ScriptedHost host;
    GyroConfig config;
};

const char* const kDefaultFile =
    "[Gyro]\r\nProduct=vn340\r\nApplication version=111\r\nFirmware version=0\r\n"
    "Memory Map version=3\r\n"
    "User comments=Use this area to make notes related to this configuration or your model.\r\n"
    "[Servo]\r\nHigh endpoint=100\r\nLow endpoint=100\r\nMidpoint trim=0\r\nServo=0\r\n"
    "Speed=5\r\nType=0\r\n[Common]\r\nDirection=0\r\nRudder stick deadband=5\r\n"
    "[Mode 1 (Rate Mode)]\r\nRudder exponential=-50\r\n[Mode 2 (AVCS Mode)]\r\n"
    "Acceleration profile=15\r\nDeceleration profile=15\r\nClockwise stop gain=100\r\n"
    "Counter clockwise stop gain=100\r\nRudder exponential=-50\r\nRudder sensitivity=100\r\n";

TEST_F(SettingsFileTest, SaveOfDefaultsWritesTheWholeLayout) {
    save(file("vn340.tsf"));
    EXPECT_EQ(readBytes(dir / "vn340.tsf"), kDefaultFile);
    EXPECT_TRUE(host.events.empty());
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].initialFolder, "/start");
    EXPECT_EQ(host.requests[0].proposedName, "vn340.tsf");
    EXPECT_EQ(host.requests[0].filter, "Tarvel RC Settings File (*.tsf)");
    EXPECT_EQ(host.requests[0].defaultSuffix, "tsf");
    EXPECT_EQ(prefs.getString("Settings", "LAST DIRECTORY"), dir.string());
    EXPECT_EQ(store.path(), file("vn340.tsf"));
}

TEST_F(SettingsFileTest, CancelledDialogsChangeNothing) {
    host.savePath.reset();
    saveSettingsFile(config, prefs, store, host, "/start");
    host.loadPath.reset();
    GyroConfig before = config;
    loadSettingsFile(config, prefs, store, host, "/start");
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(config.highEndpoint, before.highEndpoint);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].proposedName, "");
}

TEST_F(SettingsFileTest, SaveLoadSaveGivesTheSameFileAndValues) {
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
    config.userComments = "First line\nSecond line\n";
    save(file("a.tsf"));
    const GyroConfig loaded = load(file("a.tsf"));
    EXPECT_EQ(host.events, std::vector<std::string>{"model"});
    EXPECT_EQ(loaded.highEndpoint, 145);
    EXPECT_EQ(loaded.lowEndpoint, 30);
    EXPECT_EQ(loaded.midpointTrim, -100);
    EXPECT_EQ(loaded.servoModel, 23);
    EXPECT_EQ(loaded.servoSpeed, 2);
    EXPECT_EQ(loaded.servoType, 1);
    EXPECT_EQ(loaded.servoImpliedType, 1);
    EXPECT_EQ(loaded.direction, Direction::Reverse);
    EXPECT_EQ(loaded.stickDeadband, 100);
    EXPECT_EQ(loaded.rateExpo, 100);
    EXPECT_EQ(loaded.avcsExpo, -100);
    EXPECT_EQ(loaded.accelProfile, 0);
    EXPECT_EQ(loaded.decelProfile, 7);
    EXPECT_EQ(loaded.cwStopGain, 50);
    EXPECT_EQ(loaded.ccwStopGain, 200);
    EXPECT_EQ(loaded.avcsSensitivity, 150);
    EXPECT_EQ(loaded.memoryMapVersion, 1);
    EXPECT_EQ(loaded.userComments, "First line\nSecond line\n");

    config = loaded;
    save(file("b.tsf"));
    EXPECT_EQ(readBytes(dir / "b.tsf"), readBytes(dir / "a.tsf"));
    EXPECT_NE(readBytes(dir / "a.tsf").find("User comments=First line_CRLF_Second line_CRLF_\r\n"),
              std::string::npos);
}

TEST_F(SettingsFileTest, OverwriteQuestionOnlyForFilesWithAServoSection) {
    struct Case {
        const char* content;
        bool asks;
    };
    const Case cases[] = {
        {"[Servo]\r\nx=1\r\n", true},
        {"[sERVO]\r\n", true},
        {"[Other]\r\nServo=1\r\n", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        writeBytes(dir / "old.tsf", c.content);
        host.events.clear();
        host.overwrite = false;
        save(file("old.tsf"));
        if (c.asks) {
            EXPECT_EQ(host.events, std::vector<std::string>{
                                       "overwrite:The file old.tsf already exists.  Overwrite "
                                       "or Cancel?"});
            EXPECT_EQ(readBytes(dir / "old.tsf"), c.content);
        } else {
            EXPECT_TRUE(host.events.empty());
            EXPECT_NE(readBytes(dir / "old.tsf").find("Product=vn340"), std::string::npos);
        }
        EXPECT_EQ(prefs.getString("Settings", "LAST DIRECTORY"), dir.string());
    }
    writeBytes(dir / "old.tsf", "[Servo]\r\n");
    host.overwrite = true;
    save(file("old.tsf"));
    EXPECT_NE(readBytes(dir / "old.tsf").find("High endpoint=100"), std::string::npos);
}

TEST_F(SettingsFileTest, ForeignKeysAndSectionsStayWhereTheyWere) {
    writeBytes(dir / "f.tsf",
               "; notes\r\n[Gyro]\r\nUser comments=old\r\nProduct=other\r\nExtra=1\r\n"
               "[Mine]\r\nk=v\r\n[Common]\r\nDirection=1\r\nLocal=yes\r\n");
    save(file("f.tsf"));
    EXPECT_EQ(readBytes(dir / "f.tsf"),
              "; notes\r\n[Gyro]\r\nProduct=vn340\r\nExtra=1\r\nApplication version=111\r\n"
              "Firmware version=0\r\nMemory Map version=3\r\n"
              "User comments=Use this area to make notes related to this configuration or your "
              "model.\r\n"
              "[Mine]\r\nk=v\r\n[Common]\r\nDirection=0\r\nLocal=yes\r\nRudder stick deadband=5\r\n"
              "[Servo]\r\nHigh endpoint=100\r\nLow endpoint=100\r\nMidpoint trim=0\r\nServo=0\r\n"
              "Speed=5\r\nType=0\r\n"
              "[Mode 1 (Rate Mode)]\r\nRudder exponential=-50\r\n[Mode 2 (AVCS Mode)]\r\n"
              "Acceleration profile=15\r\nDeceleration profile=15\r\nClockwise stop gain=100\r\n"
              "Counter clockwise stop gain=100\r\nRudder exponential=-50\r\n"
              "Rudder sensitivity=100\r\n");
}

TEST_F(SettingsFileTest, SaveWithoutSelectionsWritesFactoryChoices) {
    config.servoModel = kNoSelection;
    config.servoSpeed = kNoSelection;
    config.servoType = kNoSelection;
    save(file("n.tsf"));
    const std::string bytes = readBytes(dir / "n.tsf");
    EXPECT_NE(bytes.find("Servo=0\r\nSpeed=5\r\nType=0\r\n"), std::string::npos) << bytes;
}

TEST_F(SettingsFileTest, HandChosenDuplicateCodeIsStoredAsItsCode) {
    config.servoModel = 33;  // "MKS DS9670", code 33 like "JR 3500G"
    applyServoSelection(config);
    save(file("m.tsf"));
    const GyroConfig loaded = load(file("m.tsf"));
    EXPECT_EQ(loaded.servoModel, 26);  // "JR 3500G", the first row with code 33
    EXPECT_EQ(loaded.servoSpeed, 8);   // the speed shown at save time (0.09) stands
}

// ---- Refusals ----

TEST_F(SettingsFileTest, EachRefusalLeavesTheModelAlone) {
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gyroSection);
        writeBytes(dir / "r.tsf",
                   std::string("[Gyro]\r\n") + c.gyroSection + "[Servo]\r\nHigh endpoint=40\r\n");
        host.events.clear();
        GyroConfig loaded;
        loadDefaults(loaded);
        loaded.memoryMapVersion = 2;
        host.loadPath = file("r.tsf");
        loadSettingsFile(loaded, prefs, store, host, "/start");
        EXPECT_EQ(host.events, std::vector<std::string>{"message:" + std::string(c.message)});
        EXPECT_EQ(loaded.highEndpoint, 100);
        EXPECT_EQ(loaded.memoryMapVersion, 2);
        EXPECT_EQ(loaded.userComments, kDefaultUserComments);
        EXPECT_EQ(prefs.getString("Settings", "LAST DIRECTORY"), dir.string());
    }
}

TEST_F(SettingsFileTest, MissingFileIsRefusedAsAForeignProduct) {
    load(file("absent.tsf"));
    EXPECT_EQ(host.messages(), std::vector<std::string>{std::string(kProductRefusal)});
}

// ---- Values ----

TEST_F(SettingsFileTest, BadValuesAreReportedInReadingOrderAndReplaced) {
    writeBytes(dir / "b.tsf",
               "[Gyro]\r\nProduct=vn340\r\nApplication version=111\r\nMemory Map version=3\r\n"
               "[Servo]\r\nHigh endpoint=abc\r\nLow endpoint=146\r\nMidpoint trim=xyz\r\n"
               "Servo=40\r\nType=-1\r\n[Common]\r\nDirection=2\r\nRudder stick deadband=\r\n"
               "[Mode 2 (AVCS Mode)]\r\nRudder exponential=-101\r\nAcceleration profile=16\r\n"
               "Rudder sensitivity=151\r\nClockwise stop gain=49\r\n");
    const GyroConfig loaded = load(file("b.tsf"));
    const char* const names[] = {"High endpoint",
                                 "Low endpoint",
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
    std::vector<std::string> expected;
    for (const char* name : names) {
        expected.push_back(unexpectedValueMessage(name));
    }
    EXPECT_EQ(host.messages(), expected);
    EXPECT_EQ(unexpectedValueMessage("Servo speed"),
              "Unexpected value found in the configuration file for Servo speed.\n\nThe "
              "configuration file could be corrupt.\n\nDefault Servo speed will be used.\n\n"
              "Press OK to continue.");
    EXPECT_EQ(loaded.highEndpoint, 100);
    EXPECT_EQ(loaded.lowEndpoint, 100);
    EXPECT_EQ(loaded.midpointTrim, 0);  // letters read as 0, inside the range: no message
    EXPECT_EQ(loaded.servoModel, 0);
    EXPECT_EQ(loaded.servoSpeed, 4);
    EXPECT_EQ(loaded.servoType, 0);
    EXPECT_EQ(loaded.direction, Direction::Normal);
    EXPECT_EQ(loaded.stickDeadband, 5);
    EXPECT_EQ(loaded.rateExpo, -50);
    EXPECT_EQ(loaded.accelProfile, 15);
    EXPECT_EQ(loaded.decelProfile, 15);
    EXPECT_EQ(loaded.cwStopGain, 100);
    EXPECT_EQ(loaded.ccwStopGain, 100);
    EXPECT_EQ(loaded.avcsSensitivity, 100);
    EXPECT_EQ(loaded.avcsExpo, -50);
    EXPECT_EQ(loaded.userComments, "");
    EXPECT_EQ(loaded.memoryMapVersion, 3);
}

TEST_F(SettingsFileTest, ValidFileLoadsEveryValue) {
    writeBytes(dir / "v.tsf", validFile(111, "Servo=24\r\n"));
    const GyroConfig loaded = load(file("v.tsf"));
    EXPECT_EQ(host.events, std::vector<std::string>{"model"});
    EXPECT_EQ(loaded.highEndpoint, 120);
    EXPECT_EQ(loaded.lowEndpoint, 90);
    EXPECT_EQ(loaded.midpointTrim, -7);
    EXPECT_EQ(loaded.servoModel, 9);  // "Futaba BLS251"
    EXPECT_EQ(loaded.servoSpeed, 8);
    EXPECT_EQ(loaded.servoType, 1);
    EXPECT_EQ(loaded.direction, Direction::Reverse);
    EXPECT_EQ(loaded.stickDeadband, 12);
    EXPECT_EQ(loaded.rateExpo, -20);
    EXPECT_EQ(loaded.accelProfile, 4);
    EXPECT_EQ(loaded.decelProfile, 11);
    EXPECT_EQ(loaded.cwStopGain, 150);
    EXPECT_EQ(loaded.ccwStopGain, 60);
    EXPECT_EQ(loaded.avcsExpo, 30);
    EXPECT_EQ(loaded.avcsSensitivity, 140);
    EXPECT_EQ(loaded.memoryMapVersion, 2);
    EXPECT_EQ(loaded.userComments, "Hi\n");
}

TEST_F(SettingsFileTest, ValuesNamingNoOptionLeaveTheSelectorEmpty) {
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
        // The first "Speed" of a section wins, so the valid file's own one stays unread.
        writeBytes(dir / "s.tsf", validFile(111, c.servoLines));
        host.events.clear();
        const GyroConfig loaded = load(file("s.tsf"));
        EXPECT_TRUE(host.messages().empty());
        EXPECT_EQ(loaded.servoModel, c.servoModel);
        EXPECT_EQ(loaded.servoSpeed, c.speedPosition);
    }
}

TEST_F(SettingsFileTest, LegacyServoPositionsBelowVersion110) {
    prefs.setPath(std::nullopt);  // many loads; each would sync the preferences file
    const int legacyCodes[] = {0,  10, 11, 24, 5,  6, 16, 1,  2,  17, 3,  4, 12,
                               13, 21, 19, 8,  20, 7, 15, 18, 14, 9,  22, 23};
    for (int version : {100, 104, 109}) {
        for (int position = 0; position <= 39; ++position) {
            SCOPED_TRACE("version " + std::to_string(version) + " position " +
                         std::to_string(position));
            writeBytes(dir / "l.tsf",
                       validFile(version, "Servo=" + std::to_string(position) + "\r\n"));
            host.events.clear();
            const GyroConfig loaded = load(file("l.tsf"));
            EXPECT_TRUE(host.messages().empty());
            if (position < 25) {
                ASSERT_NE(loaded.servoModel, kNoSelection);
                EXPECT_EQ(servoTable()[static_cast<std::size_t>(loaded.servoModel)].servoCode,
                          legacyCodes[position]);
            } else {
                EXPECT_EQ(loaded.servoModel, kNoSelection);
            }
        }
    }
    for (int version = 100; version <= 109; ++version) {
        writeBytes(dir / "l.tsf", validFile(version, "Servo=3\r\n"));
        EXPECT_EQ(servoTable()[static_cast<std::size_t>(load(file("l.tsf")).servoModel)].name,
                  "Futaba BLS251")
            << "version " << version;
    }
    writeBytes(dir / "l.tsf", validFile(111, "Servo=3\r\n"));
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(load(file("l.tsf")).servoModel)].name,
              "Futaba S9257");
}

TEST_F(SettingsFileTest, Version110RemindsOnceAfterTheServoSectionMessages) {
    std::string content = validFile(110, "Servo=3\r\n");
    content.replace(content.find("Type=1"), 6, "Type=9");
    content.replace(content.find("Direction=1"), 11, "Direction=5");
    writeBytes(dir / "r.tsf", content);
    const GyroConfig loaded = load(file("r.tsf"));
    EXPECT_EQ(
        host.messages(),
        (std::vector<std::string>{unexpectedValueMessage("Servo type"), std::string(kServoReminder),
                                  unexpectedValueMessage("Servo direction")}));
    EXPECT_EQ(kServoReminder,
              "Check Servo selection has been correctly loaded.\n\nPress OK to "
              "continue.");
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(loaded.servoModel)].name, "Futaba S9257");
}

TEST_F(SettingsFileTest, AcceptedFileValuesNeedNoFieldNotice) {
    // The load ranges agree with the edit limits, so the checks after a load find nothing to
    // correct at the very edges of the ranges either.
    std::string content = validFile(111, "Servo=0\r\n");
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"High endpoint=120", "High endpoint=145"},
             {"Low endpoint=90", "Low endpoint=30"},
             {"Rudder stick deadband=12", "Rudder stick deadband=100"},
             {"Clockwise stop gain=150", "Clockwise stop gain=200"},
             {"Counter clockwise stop gain=60", "Counter clockwise stop gain=50"},
             {"Rudder sensitivity=140", "Rudder sensitivity=150"}}) {
        content.replace(content.find(from), from.size(), to);
    }
    writeBytes(dir / "e.tsf", content);
    const GyroConfig loaded = load(file("e.tsf"));
    EXPECT_EQ(host.events, std::vector<std::string>{"model"});
    EXPECT_EQ(loaded.highEndpoint, 145);
    EXPECT_EQ(loaded.lowEndpoint, 30);
    EXPECT_EQ(loaded.stickDeadband, 100);
    EXPECT_EQ(loaded.cwStopGain, 200);
    EXPECT_EQ(loaded.ccwStopGain, 50);
    EXPECT_EQ(loaded.avcsSensitivity, 150);
}

// ---- Comments ----

TEST_F(SettingsFileTest, CommentValuesLoadAsTrimmedLines) {
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
        std::string content = validFile(111);
        content.replace(content.find("User comments=Hi"), 16,
                        std::string("User comments=") + c.value);
        writeBytes(dir / "c.tsf", content);
        EXPECT_EQ(load(file("c.tsf")).userComments, c.comments);
    }
}

TEST_F(SettingsFileTest, WindowsFileWithCrLfAndWindows1252Comments) {
    writeBytes(dir / "w.tsf",
               "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nFirmware version=109\r\n"
               "Memory Map version=3\r\nUser comments=Tail set for 90\xb0 pirouettes "
               "\x96 d\xe9j\xe0 vu_CRLF_Gr\xfc\xdf"
               "e_CRLF_\r\n"
               "[Servo]\r\nHigh endpoint=110\r\nLow endpoint=110\r\nMidpoint trim=0\r\n"
               "Servo=21\r\nSpeed=10\r\nType=2\r\n");
    const GyroConfig loaded = load(file("w.tsf"));
    EXPECT_EQ(loaded.userComments,
              "Tail set for 90\xc2\xb0 pirouettes \xe2\x80\x93 d\xc3\xa9j\xc3\xa0 vu\n"
              "Gr\xc3\xbc\xc3\x9f"
              "e\n");
    EXPECT_EQ(loaded.highEndpoint, 110);
    EXPECT_EQ(servoTable()[static_cast<std::size_t>(loaded.servoModel)].name, "JR 810G");
}

TEST_F(SettingsFileTest, CommentsSurviveSaveAndLoad) {
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
        config.userComments = c.comments;
        save(file("k.tsf"));
        const std::string bytes = readBytes(dir / "k.tsf");
        EXPECT_NE(bytes.find(std::string("User comments=") + c.storedValue + "\r\n[Servo]"),
                  std::string::npos)
            << bytes;
        EXPECT_EQ(load(file("k.tsf")).userComments, c.loaded);
    }
}

TEST_F(SettingsFileTest, NulCharactersAreDroppedBothWays) {
    host.displayLines = std::vector<std::string>{std::string("nul\0here", 8)};
    save(file("z.tsf"));
    EXPECT_NE(readBytes(dir / "z.tsf").find(std::string("User comments=nulhere\r\n")),
              std::string::npos);
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

TEST_F(SettingsFileTest, WrappedDisplayLinesAreSavedAsLines) {
    config.userComments = "abcdef";
    host.displayLines = std::vector<std::string>{"abc", "def"};
    save(file("d.tsf"));
    EXPECT_NE(readBytes(dir / "d.tsf").find("User comments=abc_CRLF_def\r\n"), std::string::npos);
}

// ---- Paths ----

TEST_F(SettingsFileTest, FileInTheRootFolderRemembersTheRoot) {
    host.savePath.reset();
    host.loadPath = "/vn340-no-such-file.tsf";
    GyroConfig loaded;
    loadSettingsFile(loaded, prefs, store, host, "/start");
    EXPECT_EQ(prefs.getString("Settings", "LAST DIRECTORY"), "/");
}

// ---- Failed saves ----

class FullDisk : public FileSystem {
  public:
    SysResult read(const std::string& path, std::string& bytes) override {
        return systemFileSystem().read(path, bytes);
    }
    SysResult replace(const std::string& path, std::string_view) override {
        return {ENOSPC, "Cannot write \"" + path + "\": No space left on device"};
    }
    bool folderIsWritable(const std::string&) override { return false; }
    SysResult createFolders(const std::string&) override { return {}; }
    std::string ownerGroup(const std::string&) override { return {}; }
};

TEST_F(SettingsFileTest, FailedSaveTellsThePilotAndKeepsTheOldFile) {
    const std::string old = "[Servo]\r\nHigh endpoint=77\r\n[Mine]\r\nk=v";
    writeBytes(dir / "full.tsf", old);
    FullDisk disk;
    ProfileStore diskStore(disk);
    host.savePath = file("full.tsf");
    saveSettingsFile(config, prefs, diskStore, host, "/start");
    EXPECT_EQ(readBytes(dir / "full.tsf"), old);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0], saveFailedMessage("Cannot write \"" + file("full.tsf") +
                                                    "\": No space left on device"));
    EXPECT_EQ(fs::directory_entry(dir / "full.tsf").file_size(), old.size());
}

TEST_F(SettingsFileTest, SaveOverAFolderOrIntoAMissingFolderFails) {
    fs::create_directory(dir / "in-the-way.tsf");
    writeBytes(dir / "in-the-way.tsf" / "inside", "keep");
    for (const std::string& path : {file("in-the-way.tsf"), (dir / "missing" / "x.tsf").string()}) {
        SCOPED_TRACE(path);
        host.events.clear();
        save(path);
        ASSERT_EQ(host.messages().size(), 1u);
        EXPECT_EQ(host.messages()[0].rfind("The settings file could not be saved.\n\n", 0), 0u);
    }
    EXPECT_EQ(readBytes(dir / "in-the-way.tsf" / "inside"), "keep");
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(SettingsFileTest, APipeIsRefusedWithoutWaitingForAWriter) {
    const std::string path = file("pipe.tsf");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    save(path);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0], saveFailedMessage("\"" + path + "\" is not a regular file."));
    EXPECT_TRUE(fs::is_fifo(path));
    host.events.clear();
    load(path);
    EXPECT_EQ(host.messages(), std::vector<std::string>{std::string(kProductRefusal)});
}

}  // namespace
}  // namespace vn340
