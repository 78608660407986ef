#include "config/history_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "memory_file_system.h"

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

TEST_F(HistoryStoreTest, AReadIsKeptAsASettingsFileThatLoadsBack) {
    const GyroConfig config = gyroConfig();
    const RecordResult written = store.record(config, SnapshotKind::Read);
    ASSERT_TRUE(written.result.ok()) << written.result.message;
    EXPECT_EQ(written.path, kGyro + "/2026-12-08_221503_read.tsf");

    const GyroConfig back = decoded(written.path);
    EXPECT_EQ(differingSettings(config, back).size(), 0u);
    EXPECT_EQ(back.userComments,
              "Read from the vn340 with serial number 135732 on 2026-12-08 22:15:03\n"
              "Trex 450\ntail a bit soft\n");

    const std::vector<Snapshot> listed = store.list("135732");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].path, written.path);
    EXPECT_EQ(listed[0].kind, SnapshotKind::Read);
    EXPECT_EQ(listed[0].time, now);
    EXPECT_EQ(differingSettings(config, listed[0].config).size(), 0u);
}

// A snapshot loaded and stored again carries the new headline only.
TEST_F(HistoryStoreTest, AStoreOfALoadedSnapshotHasOneHeadline) {
    GyroConfig config = gyroConfig();
    config.userComments =
        "Read from the vn340 with serial number 135732 on 2026-01-02 10:00:00\r\n"
        "Trex 450\r\n";
    const RecordResult written = store.record(config, SnapshotKind::Stored);
    ASSERT_TRUE(written.result.ok());
    EXPECT_EQ(written.path, kGyro + "/2026-12-08_221503_stored.tsf");
    EXPECT_EQ(decoded(written.path).userComments,
              "Stored to the vn340 with serial number 135732 on 2026-12-08 22:15:03\n"
              "Trex 450\n");
}

TEST_F(HistoryStoreTest, SnapshotsOfOneSecondGetNamesOfTheirOwn) {
    GyroConfig first = gyroConfig();
    GyroConfig second = gyroConfig();
    second.highEndpoint = 90;
    ASSERT_TRUE(store.record(first, SnapshotKind::Read).result.ok());
    const RecordResult again = store.record(second, SnapshotKind::Read);
    ASSERT_TRUE(again.result.ok());
    EXPECT_EQ(again.path, kGyro + "/2026-12-08_221503_read-2.tsf");
    EXPECT_EQ(decoded(kGyro + "/2026-12-08_221503_read.tsf").highEndpoint, 120);
    EXPECT_EQ(decoded(again.path).highEndpoint, 90);

    const std::vector<Snapshot> listed = store.list("135732");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].path, again.path) << "the later of one second comes first";
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
    std::string outOfRange = valid;
    outOfRange.replace(outOfRange.find("High endpoint=120"), 17, "High endpoint=999");
    files.files[kGyro + "/notes.txt"] = valid;
    files.files[kGyro + "/2026-12-08_221503_read.tsf.bak"] = valid;
    files.files[kGyro + "/2026-13-08_221503_read.tsf"] = valid;
    files.files[kGyro + "/2026-12-08_221503_written.tsf"] = valid;
    files.files[kGyro + "/2026-12-08_235959_read.tsf"] = "[Gyro]\r\nProduct=other\r\n";
    files.files[kGyro + "/2026-12-08_235958_read.tsf"] = outOfRange;
    files.files[kGyro + "/2026-12-08_235957_read-1.tsf"] = valid;
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

// The real file system: a file where the history's folder should be, no home at all, and a
// serial number that would climb out of the history.
TEST(HistoryStoreFailureTest, AHistoryThatCannotBeWrittenIsToldOnceAndNeverThrown) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "vn340-history-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    std::ofstream(root / "history") << "a file, not a folder";
    struct Row {
        std::string folder;
        std::string serial;
        int error;
    };
    const Row rows[] = {
        {(root / "history").string(), "135732", ENOTDIR},
        {"", "135732", ENOENT},
        {(root / "ok").string(), "../135732", EINVAL},
        {(root / "ok").string(), "", EINVAL},
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
    EXPECT_FALSE(fs::exists(root / "ok")) << "nothing is made for a refused serial number";
    fs::remove_all(root);
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
