#include "config/preferences.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/memory_file_system.h"
#include "base/system_file_system_fixture.h"
#include "support/scripted_pilot.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;

class PreferencesTest : public testing::SystemFileSystemTest {
  protected:
    void SetUp() override {
        SystemFileSystemTest::SetUp();
        program_ = at("bin");
        config_ = at("config");
        fs::create_directory(program_);
        store_.setPath(program_ + "/TarvelRCGyro.ini");
    }

    // A folder that cannot be written even by root: its parent is a regular file.
    string blockedFolder() const {
        put(at("plain"), "not a folder");
        return at("plain") + "/bin";
    }

    string program_;
    string config_;
    ProfileStore store_;
};

TEST_F(PreferencesTest, FirstRunWritesTheFourKeysInOrder) {
    SysResult failure{1, "untouched"};
    const Preferences prefs = loadPreferences(store_, program_, &failure);
    EXPECT_EQ(bytes(store_.path()), "[Settings]\r\nLAST DIRECTORY=" + program_ +
                                        "\r\nCOM PORT=\r\nDATE=0\r\nWARNING=0\r\n");
    EXPECT_EQ(prefs.savedPort, "");
    EXPECT_EQ(prefs.lastDirectory, program_);
    EXPECT_FALSE(prefs.skipSafetyWarning);
    EXPECT_TRUE(failure.ok()) << failure.message;
}

TEST_F(PreferencesTest, MissingWarningAloneIsAdded) {
    const string old =
        "[Settings]\nCOM PORT = ttyUSB0\nLAST DIRECTORY=/home/pilot/tsf\nDATE=19000\n";
    put(store_.path(), old);
    const Preferences prefs = loadPreferences(store_, program_);
    EXPECT_EQ(bytes(store_.path()), old + "WARNING=0\r\n");
    EXPECT_EQ(prefs.savedPort, "ttyUSB0");
    EXPECT_EQ(prefs.lastDirectory, "/home/pilot/tsf");
    EXPECT_FALSE(prefs.skipSafetyWarning);
}

TEST_F(PreferencesTest, MissingComPortMakesTheFileNew) {
    put(store_.path(), "[Settings]\r\nLAST DIRECTORY=/old\r\nDATE=19000\r\nWARNING=1\r\n");
    const Preferences prefs = loadPreferences(store_, program_);
    EXPECT_EQ(bytes(store_.path()), "[Settings]\r\nLAST DIRECTORY=" + program_ +
                                        "\r\nDATE=0\r\nWARNING=0\r\nCOM PORT=\r\n");
    EXPECT_EQ(prefs.lastDirectory, program_);
    EXPECT_FALSE(prefs.skipSafetyWarning);
}

TEST_F(PreferencesTest, CompleteFileIsOnlyRead) {
    const string old =
        "; mine\r\n[settings]\r\ncom port=USB\r\nwarning=Yes\r\nlast directory=/x\r\n";
    put(store_.path(), old);
    const Preferences prefs = loadPreferences(store_, program_);
    EXPECT_EQ(bytes(store_.path()), old);
    EXPECT_EQ(prefs.savedPort, "USB");
    EXPECT_EQ(prefs.lastDirectory, "/x");
    EXPECT_TRUE(prefs.skipSafetyWarning);
}

TEST_F(PreferencesTest, WarningValuesReadAsTheBooleanRule) {
    struct Row {
        string text;
        bool skip;
    };
    const Row rows[] = {{"true", true}, {"YES", true},    {"1", true},  {"7", true},
                        {"no", false},  {"False", false}, {"0", false}, {"x1", false}};
    for (const Row& row : rows) {
        put(store_.path(), "[Settings]\r\nCOM PORT=\r\nWARNING=" + row.text + "\r\n");
        EXPECT_EQ(loadPreferences(store_, program_).skipSafetyWarning, row.skip) << row.text;
    }
}

TEST_F(PreferencesTest, PathBesideAWritableProgram) {
    EXPECT_EQ(preferencesPath(program_, config_), program_ + "/TarvelRCGyro.ini");
    EXPECT_FALSE(fs::exists(config_)) << "no config folder made when it is not needed";
    EXPECT_EQ(std::distance(fs::directory_iterator(program_), fs::directory_iterator()), 0)
        << "the probe file is removed";
}

TEST_F(PreferencesTest, PathInTheConfigHomeWhenTheProgramFolderIsNotWritable) {
    const string expected = config_ + "/tarvelrc/TarvelRCGyro.ini";
    EXPECT_EQ(preferencesPath(blockedFolder(), config_), expected);
    EXPECT_TRUE(fs::is_directory(config_ + "/tarvelrc"));
    EXPECT_EQ(preferencesPath(at("missing"), config_), expected);
}

// Where the first file dialog opens: a program run where it was built keeps its own folder; an
// installed one (its folder not writable) opens the pilot's home, also over the program folder
// an earlier start remembered, but never over a folder the pilot chose.
TEST_F(PreferencesTest, FirstFileDialogOfAnInstalledProgramOpensInTheHomeFolder) {
    const string home = at("home");
    const string installed = blockedFolder();
    struct Row {
        const char* what;
        string program;
        string home;
        std::optional<string> remembered;
        string expected;
    };
    const Row rows[] = {
        {"build folder, first start", program_, home, std::nullopt, program_},
        {"installed, first start", installed, home, std::nullopt, home},
        {"installed, no home", installed, "", std::nullopt, installed},
        {"installed, its folder remembered", installed, home, installed, home},
        {"installed, the pilot's folder", installed, home, "/media/stick", "/media/stick"},
        {"build folder, its folder remembered", program_, home, program_, program_},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(config_);
        fs::remove(program_ + "/TarvelRCGyro.ini");
        ProfileStore prefsStore;
        if (row.remembered) {
            prefsStore.setPath(preferencesPath(row.program, config_));
            prefsStore.writeString("Settings", "COM PORT", "");
            prefsStore.writeString("Settings", "LAST DIRECTORY", *row.remembered);
        }
        const Preferences prefs = startPreferences(prefsStore, row.program, config_, row.home);
        EXPECT_EQ(prefs.lastDirectory, row.expected);
        EXPECT_EQ(prefsStore.getInt("Settings", "DATE", -1), row.remembered ? -1 : 0);
    }
}

TEST_F(PreferencesTest, StartUpReportsAFailedWrite) {
    ProfileStore prefsStore;
    SysResult failure;
    const Preferences prefs = startPreferences(prefsStore, blockedFolder(), at("plain") + "/cfg",
                                               "/home/pilot", &failure);
    EXPECT_EQ(failure.error, ENOTDIR);
    EXPECT_NE(failure.message.find("TarvelRCGyro.ini"), string::npos) << failure.message;
    EXPECT_EQ(prefs.savedPort, "");
    EXPECT_EQ(prefs.lastDirectory, "");
    EXPECT_FALSE(prefs.skipSafetyWarning);
}

TEST(PreferencesPlaces, ProgramFolderIsThisTestsFolder) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "a page has no program folder";
#endif
    EXPECT_TRUE(fs::is_regular_file(fs::path(programFolder()) / VN340_TEST_PROGRAM))
        << programFolder();
    EXPECT_NE(programFolder().back(), '/');
}

TEST(PreferencesPlaces, ConfigHomeFollowsXdg) {
    EXPECT_EQ(configHomeFrom("/xdg", "/home/p"), "/xdg");
    EXPECT_EQ(configHomeFrom(nullptr, "/home/p"), "/home/p/.config");
    EXPECT_EQ(configHomeFrom("", "/home/p"), "/home/p/.config");
    EXPECT_EQ(configHomeFrom("relative/cfg", "/home/p"), "/home/p/.config");
    EXPECT_EQ(configHomeFrom(nullptr, "/"), "/.config");
    EXPECT_EQ(configHomeFrom(nullptr, nullptr), "");
}

// The safety warning comes before every store until the pilot ticks "Don't show this message
// again"; every agreement writes the box's state as "WARNING", a cancel writes nothing.
TEST(SafetyAgreementTest, AskedUntilThePilotTicksTheBoxThatEveryAgreementWrites) {
    const string path = "/opt/vn340/TarvelRCGyro.ini";
    const string prefs =
        "[Settings]\r\nLAST DIRECTORY=/opt/vn340\r\nCOM PORT=USB\r\nDATE=0\r\nWARNING=0\r\n";
    string ticked = prefs;
    ticked.replace(ticked.find("WARNING=0"), 9, "WARNING=1");
    struct Row {
        const char* what;
        string fileBefore;  // empty: no file
        bool skipBefore;
        std::optional<bool> answer;  // none: "Cancel"
        bool goOn;
        bool skipAfter;
        string fileAfter;  // empty: no file
    };
    const Row rows[] = {
        {"agree with the box", prefs, false, true, true, true, ticked},
        {"agree without the box", ticked, false, false, true, false, prefs},
        {"agree into a new file", "", false, true, true, true, "[Settings]\r\nWARNING=1\r\n"},
        {"cancel", prefs, false, std::nullopt, false, false, prefs},
        {"asked no more", ticked, true, std::nullopt, true, true, ticked},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryFileSystem files;
        if (!row.fileBefore.empty()) {
            files.files[path] = row.fileBefore;
        }
        ProfileStore store(files);
        store.setPath(path);
        testing::ScriptedPilot pilot;
        pilot.safetyAgreement = row.answer;
        bool skip = row.skipBefore;
        EXPECT_EQ(agreeToStore(pilot, store, skip), row.goOn);
        EXPECT_EQ(pilot.events.size(), row.skipBefore ? 0u : 1u) << "the warning is shown";
        EXPECT_EQ(skip, row.skipAfter);
        EXPECT_EQ(files.files.count(path) ? files.files[path] : "", row.fileAfter);
    }
}

TEST(SafetyAgreementTest, AnAgreementHoldsForThisRunWhenItCannotBeKept) {
    MemoryFileSystem files;
    const string path = "/usr/bin/TarvelRCGyro.ini";
    files.replaceFailures[path] = SysResult::failure(EACCES, "/usr/bin cannot be written.");
    files.createFailures[path] = files.replaceFailures[path];
    ProfileStore store(files);
    store.setPath(path);
    testing::ScriptedPilot pilot;
    pilot.safetyAgreement = true;
    bool skip = false;
    EXPECT_TRUE(agreeToStore(pilot, store, skip));
    EXPECT_TRUE(skip);
    ASSERT_EQ(pilot.messages.size(), 1u);
    EXPECT_NE(pilot.messages[0].find("cannot be written"), string::npos) << pilot.messages[0];
}

}  // namespace
}  // namespace vn340
