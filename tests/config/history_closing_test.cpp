// The history's part in closing the window: the screen kept as a snapshot of its own, even
// before any gyro was read; the note the next start tells once; and the comment line the
// history window lists beside each snapshot.

#include <gtest/gtest.h>

#include "base/memory_file_system.h"
#include "config/history_store.h"

namespace vn340 {
namespace {

const std::string kHistory = "/home/pilot/.local/share/tarvelrc/history";

class HistoryClosingTest : public ::testing::Test {
  protected:
    MemoryFileSystem files;
    HistoryStore store{kHistory, files, [] { return LocalTime{2026, 12, 9, 20, 15, 3}; }};

    static GyroConfig screen(std::string serial) {
        GyroConfig config;
        loadDefaults(config);
        config.serialNumber = std::move(serial);
        config.highEndpoint = 121;
        config.userComments = "Trex 450\r\n";
        return config;
    }
};

TEST_F(HistoryClosingTest, TheScreenAtClosingIsKeptUnderItsGyroOrAsUnread) {
    const struct {
        std::string serial;
        std::string path;
    } rows[] = {
        {"135732", kHistory + "/135732/2026-12-09_201503_closed.tsf"},
        // Never read: no gyro to file it under, yet nothing is lost.
        {"", kHistory + "/unread/2026-12-09_201503_closed.tsf"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.serial);
        const RecordResult kept = store.record(screen(row.serial), SnapshotKind::Closed);
        ASSERT_TRUE(kept.result) << kept.result.message;
        EXPECT_EQ(kept.path, row.path);
        EXPECT_EQ(files[row.path].find("On screen at closing for the vn340 with serial number"),
                  files[row.path].find("On screen"));
    }
    const std::vector<Snapshot> all = store.listAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].kind, SnapshotKind::Closed);
    EXPECT_EQ(all[0].config.highEndpoint, 121);
    EXPECT_EQ(snapshotKindName(all[0].kind), "Closed");
}

TEST_F(HistoryClosingTest, TheNextStartIsToldOnceWhereTheClosedScreenIs) {
    EXPECT_EQ(store.takeClosedNote(), std::nullopt);
    const RecordResult kept = store.record(screen("135732"), SnapshotKind::Closed);
    store.noteClosed(kept.path);
    // A new store stands for the next start.
    HistoryStore nextStart(kHistory, files);
    EXPECT_EQ(nextStart.takeClosedNote(), "135732/2026-12-09_201503_closed.tsf");
    EXPECT_EQ(nextStart.takeClosedNote(), std::nullopt);
    // The note is no gyro's folder and no snapshot.
    EXPECT_EQ(nextStart.listAll().size(), 1u);
}

TEST(HistoryCommentLineTest, IsThePilotsFirstLinePastTheHeadline) {
    const struct {
        std::string comments;
        std::string line;
    } rows[] = {
        {"Trex 450\r\ntail a bit soft\r\n", "Trex 450"},
        {"Read from the vn340 with serial number 135732 on 2026-12-08 22:15:03\r\nGoblin 380\r\n",
         "Goblin 380"},
        {"Stored to the vn340 with serial number 1 on 2026-12-08 22:15:03\r\n\r\n  \r\nLogo 480",
         "Logo 480"},
        {"Read from the vn340 with serial number 135732 on 2026-12-08 22:15:03\r\n", ""},
        {"", ""},
    };
    for (const auto& row : rows) {
        GyroConfig config;
        config.userComments = row.comments;
        EXPECT_EQ(firstCommentLine(config), row.line) << row.comments;
    }
}

}  // namespace
}  // namespace vn340
