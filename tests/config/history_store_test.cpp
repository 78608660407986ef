#include "config/history_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "base/memory_file_system.h"
#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "support/scripted_pilot.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

const std::string kHistory = "/home/pilot/.local/share/tarvelrc/history";
const std::string kGyro = kHistory + "/135732";

GyroConfig gyroConfig(std::string serial = "135732") {
    GyroConfig config;
    loadDefaults(config);
    config.serialNumber = std::move(serial);
    config.firmwareNumber = 109;
    config.highEndpoint = 120;
    config.servoModel = 23;  // "JR 810G"
    applyServoSelection(config);
    config.direction = Direction::Reverse;
    config.userComments = "Trex 450\r\ntail a bit soft\r\n";
    return config;
}

class HistoryStoreTest : public ::testing::Test {
  protected:
    MemoryFileSystem files;
    LocalTime now{2026, 12, 8, 22, 15, 3};
    HistoryStore store{kHistory, files, [this] { return now; }};

    GyroConfig decoded(const std::string& path) {
        GyroConfig factory;
        loadDefaults(factory);
        const DecodedSettings back = decodeSettingsFile(files[path], factory);
        EXPECT_FALSE(back.refusal) << path;
        EXPECT_TRUE(back.problems.empty()) << path;
        return back.config;
    }
};

// Three snapshots within one second: each a file of its own that loads back to what was kept,
// its comments headed by what happened, an earlier headline (of a loaded snapshot) dropped.
TEST_F(HistoryStoreTest, EverySnapshotIsANewSettingsFileThatLoadsBack) {
    const std::string headline = " the vn340 with serial number 135732 on 2026-12-08 22:15:03\n";
    struct Row {
        SnapshotKind kind;
        int highEndpoint;
        std::string comments;
        std::string name;
        std::string commentsBack;
    };
    const Row rows[] = {
        {SnapshotKind::Read, 120, "Trex 450\r\ntail a bit soft\r\n", "read.tsf",
         "Read from" + headline + "Trex 450\ntail a bit soft\n"},
        {SnapshotKind::Read, 90, "Read from" + headline + "Trex 450\n", "read-2.tsf",
         "Read from" + headline + "Trex 450\n"},
        {SnapshotKind::Stored, 30,
         "Read from the vn340 with serial number 1 on 2026-01-02 10:00:00", "stored.tsf",
         "Stored to" + headline},
        {SnapshotKind::Unfinished, 40, "Stored to" + headline + "new tail servo", "unfinished.tsf",
         "Not finished storing to" + headline + "new tail servo\n"},
        {SnapshotKind::Unverified, 50, "Stored to" + headline + "new tail servo", "unverified.tsf",
         "Stored (not verified) to" + headline + "new tail servo\n"},
    };
    std::vector<GyroConfig> kept;
    for (const Row& row : rows) {
        GyroConfig config = gyroConfig();
        config.highEndpoint = row.highEndpoint;
        config.userComments = row.comments;
        const RecordResult written = store.record(config, row.kind);
        ASSERT_TRUE(written.result.ok()) << written.result.message;
        EXPECT_EQ(written.path, kGyro + "/2026-12-08_221503_" + row.name);
        kept.push_back(config);
    }
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const GyroConfig back = decoded(kGyro + "/2026-12-08_221503_" + rows[i].name);
        EXPECT_TRUE(differingSettings(kept[i], back).empty());
        EXPECT_EQ(back.userComments, rows[i].commentsBack);
    }
    const std::vector<Snapshot> listed = store.list("135732");
    ASSERT_EQ(listed.size(), std::size(rows));
    EXPECT_EQ(listed[0].path, kGyro + "/2026-12-08_221503_read-2.tsf");
    EXPECT_EQ(listed[0].time, now);
    EXPECT_EQ(listed[0].config.highEndpoint, 90);
}

TEST_F(HistoryStoreTest, ListsNewestFirstPassingOverWhatIsNotASnapshot) {
    const std::string other = kHistory + "/20001";
    for (int minute : {10, 30, 20}) {
        now.minute = minute;
        store.record(gyroConfig(), minute == 20 ? SnapshotKind::Stored : SnapshotKind::Read);
        now.second = 4;
        store.record(gyroConfig("20001"), SnapshotKind::Read);
        now.second = 3;
    }
    const std::string valid = files[kGyro + "/2026-12-08_221003_read.tsf"];
    files.files[kGyro + "/notes.txt"] = valid;
    files.files[kGyro + "/2026-12-08_235959_read.tsf"] = "[Gyro]\r\nProduct=other\r\n";
    files.folders.insert(kGyro + "/2026-12-08_235956_read.tsf");
    files.files[kHistory + "/../escape/2026-12-08_235955_read.tsf"] = valid;

    struct Row {
        const char* list;
        std::vector<std::string> paths;
    };
    const Row rows[] = {
        {"135732",
         {kGyro + "/2026-12-08_223003_read.tsf", kGyro + "/2026-12-08_222003_stored.tsf",
          kGyro + "/2026-12-08_221003_read.tsf"}},
        {"all",
         {other + "/2026-12-08_223004_read.tsf", kGyro + "/2026-12-08_223003_read.tsf",
          other + "/2026-12-08_222004_read.tsf", kGyro + "/2026-12-08_222003_stored.tsf",
          other + "/2026-12-08_221004_read.tsf", kGyro + "/2026-12-08_221003_read.tsf"}},
        {"..", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list);
        const std::string which = row.list;
        std::vector<std::string> paths;
        for (const Snapshot& snapshot : which == "all" ? store.listAll() : store.list(which)) {
            paths.push_back(snapshot.path);
        }
        EXPECT_EQ(paths, row.paths);
    }
}

// A gyro may hold what no settings file may: its snapshot is listed all the same, and loading
// it tells the pilot what loading such a file always tells.
TEST_F(HistoryStoreTest, ASnapshotOfValuesOutsideTheFilesRangesIsListedAndLoadsWithMessages) {
    testing::ScriptedPilot pilot;
    GyroConfig gyro = gyroConfig();
    gyro.highEndpoint = 146;   // one past the top of the file's range
    gyro.stickDeadband = 4;    // one below its bottom
    gyro.midpointTrim = -100;  // exactly at its bottom
    const RecordResult written = store.record(gyro, SnapshotKind::Read);
    ASSERT_TRUE(written.result.ok()) << written.result.message;

    const std::vector<Snapshot> listed = store.list("135732");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].path, written.path);
    EXPECT_EQ(listed[0].config.highEndpoint, 100) << "as loading puts it on the screen";
    EXPECT_EQ(listed[0].config.midpointTrim, -100);

    GyroConfig screen = gyroConfig();
    loadSettingsFileAt(screen, files, pilot, pilot, written.path);
    EXPECT_EQ(pilot.messages,
              (std::vector<std::string>{unexpectedValueMessage("High endpoint"),
                                        unexpectedValueMessage("Rudder stick deadband")}));
    EXPECT_EQ(screen.stickDeadband, 5);
}

// Names as the program writes them, at the edges of what a clock can say, and names that are
// almost such a name: only the former are snapshots.
TEST_F(HistoryStoreTest, OnlyNamesAsTheProgramWritesThemAreSnapshots) {
    const std::string bytes = encodeSettingsFile("", gyroConfig(), {"Trex 450"});
    const auto listed = [&](const std::string& name) {
        MemoryFileSystem one;
        one.files[kGyro + "/" + name] = bytes;
        return HistoryStore(kHistory, one, [this] { return now; }).list("135732");
    };
    using K = SnapshotKind;
    struct Row {
        const char* name;
        LocalTime time;
        SnapshotKind kind;
        int sequence;
    };
    const Row snapshots[] = {
        {"2016-12-31_235960_read.tsf", {2016, 12, 31, 23, 59, 60}, K::Read, 1},
        {"2024-02-29_000000_stored.tsf", {2024, 2, 29, 0, 0, 0}, K::Stored, 1},
        {"2000-02-29_120000_read.tsf", {2000, 2, 29, 12, 0, 0}, K::Read, 1},
        {"2026-12-31_235959_unfinished-2.tsf", {2026, 12, 31, 23, 59, 59}, K::Unfinished, 2},
        {"2026-12-31_235958_unverified.tsf", {2026, 12, 31, 23, 59, 58}, K::Unverified, 1},
        {"0001-01-01_000000_read-1000.tsf", {1, 1, 1, 0, 0, 0}, K::Read, 1000},
        {"9999-12-31_235959_stored-9999.tsf", {9999, 12, 31, 23, 59, 59}, K::Stored, 9999},
        {"2026-04-30_101010_read.tsf", {2026, 4, 30, 10, 10, 10}, K::Read, 1},
    };
    for (const Row& row : snapshots) {
        SCOPED_TRACE(row.name);
        const std::vector<Snapshot> one = listed(row.name);
        ASSERT_EQ(one.size(), 1u);
        EXPECT_EQ(one[0].time, row.time);
        EXPECT_EQ(one[0].kind, row.kind);
        EXPECT_EQ(one[0].sequence, row.sequence);
        EXPECT_EQ(one[0].path, kGyro + "/" + row.name);
    }
    const char* const others[] = {
        // Days no calendar has, and a year no clock reports.
        "2023-02-29_120000_read.tsf", "1900-02-29_120000_read.tsf", "2026-04-31_101010_read.tsf",
        "2026-12-32_101010_read.tsf", "2026-12-00_101010_read.tsf", "2026-00-08_101010_read.tsf",
        "2026-13-08_101010_read.tsf", "0000-01-01_000000_read.tsf", "2026-12-08_240000_read.tsf",
        "2026-12-08_226000_read.tsf", "2026-12-08_221561_read.tsf",
        // Not the program's words, numbers or layout.
        "2026-12-08_221503_written.tsf", "2026-12-08_221503_Read.tsf",
        "2026-12-08_221503_reads.tsf", "2026-12-08_221503_.tsf", "2026-12-08_221503_read-1.tsf",
        "2026-12-08_221503_read-02.tsf", "2026-12-08_221503_read-.tsf",
        "2026-12-08_221503_read--2.tsf", "2026-12-08_221503_read-10000.tsf",
        "2026-12-08_221503_read-2x.tsf", "2026-12-08_221503_read", "2026-12-08_221503_read.TSF",
        "2026-12-08_221503_read.tsf.bak", "x2026-12-08_221503_read.tsf",
        "2026-12-08_2215030_read.tsf", "2026-12-8_221503_read.tsf", "2026-12-08-221503_read.tsf"};
    for (const char* name : others) {
        EXPECT_TRUE(listed(name).empty()) << name;
    }
}

// The real file system: a file where the history's folder should be, and no home at all.
TEST(HistoryStoreFailureTest, AHistoryThatCannotBeWrittenIsToldOnceAndNeverThrown) {
    namespace fs = std::filesystem;
    const testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    const fs::path root = temp.path();
    std::ofstream(root / "history") << "a file, not a folder";
    struct Row {
        std::string folder;
        std::string serial;
        int error;
    };
    const Row rows[] = {
        {(root / "history").string(), "135732", ENOTDIR},
        {"", "135732", ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder + " " + row.serial);
        HistoryStore store(row.folder);
        const RecordResult first = store.record(gyroConfig(row.serial), SnapshotKind::Read);
        const RecordResult second = store.record(gyroConfig(row.serial), SnapshotKind::Stored);
        EXPECT_EQ(first.result.error, row.error) << first.result.message;
        EXPECT_FALSE(first.result.message.empty());
        EXPECT_TRUE(first.tellPilot);
        EXPECT_FALSE(second.result.ok());
        EXPECT_FALSE(second.tellPilot) << "told once per run";
        EXPECT_TRUE(first.path.empty());
    }
}

// Only a plain number names a gyro's folder; a snapshot of a gyro whose serial number could
// not be read (or that would climb out of the history) is kept in "unknown", not refused, and a
// screen closed before any read in "unread".
TEST_F(HistoryStoreTest, ASnapshotWithoutAUsableSerialNumberIsKeptApart) {
    struct Row {
        std::string serial;
        SnapshotKind kind;
        std::string folder;
    };
    const Row rows[] = {
        {"135732", SnapshotKind::Read, "135732"},
        {"4294967295", SnapshotKind::Read, "4294967295"},
        {"", SnapshotKind::Read, "unknown"},
        {"", SnapshotKind::Unverified, "unknown"},
        {"../135732", SnapshotKind::Stored, "unknown"},
        {"unread", SnapshotKind::Read, "unknown"},
        {"12345678901", SnapshotKind::Read, "unknown"},
        {"", SnapshotKind::Closed, "unread"},
        {"abc", SnapshotKind::Closed, "unknown"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serial);
        const RecordResult kept = store.record(gyroConfig(row.serial), row.kind);
        ASSERT_TRUE(kept.result.ok()) << kept.result.message;
        EXPECT_EQ(kept.path.substr(0, kept.path.rfind('/')), kHistory + "/" + row.folder);
    }
    EXPECT_EQ(store.list("unknown").size(), 6u);
    EXPECT_EQ(store.list("unread").size(), 1u);
    EXPECT_EQ(store.listAll().size(), std::size(rows));
}

TEST(HistoryFolderTest, LivesInTheDataHomeOrUnderHome) {
    struct Row {
        const char* xdgDataHome;
        const char* home;
        const char* folder;
    };
    const Row rows[] = {
        {"/data", "/home/pilot", "/data/tarvelrc/history"},
        {"data", "/home/pilot", "/home/pilot/.local/share/tarvelrc/history"},
        {nullptr, "/home/pilot", "/home/pilot/.local/share/tarvelrc/history"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        EXPECT_EQ(historyFolderFrom(row.xdgDataHome, row.home), row.folder);
    }
}

}  // namespace
}  // namespace vn340
