#include "config/settings_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "base/memory_file_system.h"
#include "support/gyro_config_print.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

const std::string kPrefs = "/home/pilot/TarvelRCGyro.ini";
const std::string kFile = "/home/pilot/models/heli.tsf";

class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        prefs.setPath(kPrefs);
        loadDefaults(config);
    }

    void save(const std::string& path) {
        host.savePath = path;
        saveSettingsFile(config, prefs, store, host, host, "/start");
    }
    GyroConfig load(const std::string& path) {
        GyroConfig loaded;
        loadDefaults(loaded);
        host.loadPath = path;
        loadSettingsFile(loaded, prefs, store, host, host, "/start");
        return loaded;
    }
    std::string lastDirectory() const { return prefs.getString("Settings", "LAST DIRECTORY"); }

    MemoryFileSystem files;
    ProfileStore prefs{files};
    ProfileStore store{files};
    testing::ScriptedPilot host;
    GyroConfig config;
};

TEST_F(SettingsFileTest, SaveAsksForAPathRemembersItsFolderAndWritesTheFile) {
    save(kFile);
    EXPECT_EQ(files[kFile], encodeSettingsFile("", config, splitAtLineBreaks(config.userComments)));
    EXPECT_TRUE(host.events.empty());
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].initialFolder, "/start");
    EXPECT_EQ(host.requests[0].proposedName, "vn340.tsf");
    EXPECT_EQ(host.requests[0].filter, "Tarvel RC Settings File (*.tsf)");
    EXPECT_EQ(host.requests[0].defaultSuffix, "tsf");
    EXPECT_EQ(lastDirectory(), "/home/pilot/models");
    EXPECT_EQ(store.path(), kFile);
}

TEST_F(SettingsFileTest, CancelledDialogsChangeNothing) {
    host.savePath.reset();
    saveSettingsFile(config, prefs, store, host, host, "/start");
    host.loadPath.reset();
    const GyroConfig before = config;
    loadSettingsFile(config, prefs, store, host, host, "/start");
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(config, before);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].proposedName, "");
}

TEST_F(SettingsFileTest, OverwriteQuestionOnlyForFilesWithSettings) {
    struct Case {
        const char* content;
        bool overwrite;
        bool asks;
        bool written;
    };
    const Case cases[] = {
        {"[Servo]\r\nx=1\r\n", false, true, false},
        {"[Servo]\r\nx=1\r\n", true, true, true},
        {"[Other]\r\nServo=1\r\n", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        files.files[kFile] = c.content;
        prefs.writeString("Settings", "LAST DIRECTORY", "/elsewhere");
        host.events.clear();
        host.overwrite = c.overwrite;
        save(kFile);
        EXPECT_EQ(host.events, c.asks ? std::vector<std::string>{"overwrite:The file heli.tsf "
                                                                 "already exists.  Overwrite or "
                                                                 "Cancel?"}
                                      : std::vector<std::string>{});
        EXPECT_EQ(files[kFile].find("Product=vn340") != std::string::npos, c.written);
        EXPECT_EQ(lastDirectory(), "/home/pilot/models");
    }
}

TEST_F(SettingsFileTest, AFailedSaveTellsThePilotWhyAndKeepsTheOldFile) {
    const std::string old = "[Servo]\r\nHigh endpoint=77\r\n";
    struct Case {
        bool readFails;
        SysResult failure;
    };
    const Case cases[] = {
        {true, SysResult::failure(EISDIR, "\"/home/pilot/models/heli.tsf\" is a folder.")},
        {false, SysResult::failure(ENOSPC, "Cannot write: No space left on device")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure.message);
        files.files[kFile] = old;
        files.readFailures.clear();
        files.replaceFailures.clear();
        (c.readFails ? files.readFailures : files.replaceFailures)[kFile] = c.failure;
        host.events.clear();
        save(kFile);
        EXPECT_EQ(files[kFile], old);
        // A file that cannot be read is not asked about: nothing is going to replace it.
        EXPECT_EQ(host.events.size(), c.readFails ? 1u : 2u);
        EXPECT_EQ(host.events.back(), "message:The settings file could not be saved.\n\n" +
                                          c.failure.message +
                                          "\n\nAny file that was there has been left as it "
                                          "was.\n\nPress OK to continue.");
    }
}

// What the pilot sees of a load, in order: the value messages with the servo reminder among
// them, then the configuration on screen.
TEST_F(SettingsFileTest, LoadShowsTheProblemsThenTheModel) {
    files.files[kFile] =
        "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nMemory Map version=2\r\n"
        "User comments=one\r\n[Servo]\r\nHigh endpoint=abc\r\nLow endpoint=140\r\n"
        "Type=9\r\n[Common]\r\nDirection=1\r\n";
    const GyroConfig loaded = load(kFile);
    const DecodedSettings decoded = decodeSettingsFile(files[kFile], GyroConfig{});
    std::vector<std::string> expected;
    for (const LoadProblem& problem : decoded.problems) {
        expected.push_back("message:" + problem.message());
    }
    ASSERT_GE(expected.size(), 3u);
    expected.push_back("shown");
    EXPECT_EQ(host.events, expected);
    EXPECT_EQ(loaded.lowEndpoint, 140);
    EXPECT_EQ(loaded.direction, Direction::Reverse);
    EXPECT_EQ(loaded.memoryMapVersion, 2);
    EXPECT_EQ(loaded.userComments, "one\n");
    EXPECT_EQ(lastDirectory(), "/home/pilot/models");
    EXPECT_EQ(store.path(), kFile);
}

TEST_F(SettingsFileTest, ARefusedFileLeavesTheModelAlone) {
    struct Case {
        const char* what;
        std::optional<std::string> content;  // none: no file
        int readError;
        std::string_view refusal;
    };
    const Case cases[] = {
        {"another version",
         "[Gyro]\r\nProduct=vn340\r\nApplication version=112\r\nMemory Map version=1\r\n"
         "[Servo]\r\nHigh endpoint=40\r\n",
         0, kNewVersionRefusal},
        {"no file", std::nullopt, 0, kProductRefusal},
        {"unreadable", "[Gyro]\r\nProduct=vn340\r\n", EACCES, kProductRefusal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        files.files.erase(kFile);
        files.readFailures.clear();
        if (c.content) {
            files.files[kFile] = *c.content;
        }
        if (c.readError != 0) {
            files.readFailures[kFile] = SysResult::failure(c.readError, "cannot be read");
        }
        host.events.clear();
        EXPECT_EQ(load(kFile), config) << "the factory configuration it started from";
        EXPECT_EQ(host.events, std::vector<std::string>{"message:" + std::string(c.refusal)});
    }
}

// A snapshot from the history loads like a chosen file but is not a folder the pilot chose.
TEST_F(SettingsFileTest, LoadingAKnownPathAsksNothingAndKeepsTheLastFolder) {
    prefs.writeString("Settings", "LAST DIRECTORY", "/home/pilot/models");
    files.files["/history/135732/2026-12-08_221503_read.tsf"] =
        "[Gyro]\r\nProduct=vn340\r\nApplication version=110\r\nMemory Map version=2\r\n"
        "[Servo]\r\nLow endpoint=120\r\n";
    loadSettingsFileAt(config, files, host, host, "/history/135732/2026-12-08_221503_read.tsf");
    EXPECT_EQ(config.lowEndpoint, 120);
    EXPECT_TRUE(host.requests.empty());
    EXPECT_EQ(lastDirectory(), "/home/pilot/models");
    EXPECT_TRUE(store.path().empty());
}

TEST_F(SettingsFileTest, AFileInTheRootFolderRemembersTheRoot) {
    load("/heli.tsf");
    EXPECT_EQ(lastDirectory(), "/");
}

}  // namespace
}  // namespace vn340
