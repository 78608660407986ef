// Stores a pilot can trust, in the running window with the simulated gyro behind "USB": nothing
// cuts a store short, every store is read back, and a store that ends early is said plainly and
// kept.

#include <QAction>

#include <algorithm>

#include "config/history_store.h"
#include "config_dialog_fixture.h"

namespace vn340::testing {
namespace {

class StoreTrustTest : public ConfigDialogTest {
  protected:
    void SetUp() override {
        ConfigDialogTest::SetUp();
        ASSERT_TRUE(dataDir_.isValid());
    }

    // The window with the gyro behind "USB", the safety warning agreed to long ago.
    void startWith(const char* simOptions) {
        qputenv("VN340_SIM_OPTIONS", simOptions);
        writePreferences("[Settings]\r\nCOM PORT=USB\r\nWARNING=1\r\n");
        ProgramPaths made = paths();
        made.historyFolder = historyFolder();
        start(made);
        ASSERT_TRUE(control(1031)->isEnabled()) << "the simulated adapter did not open";
    }
    std::string historyFolder() const { return dataDir_.filePath("history").toStdString(); }
    QAction* action(const char* name) const { return dialog_->findChild<QAction*>(name); }
    QAction* diagnostics() const { return action("command32"); }

    // The snapshot of `kind` the history keeps of the gyro on screen, once it is written.
    std::optional<Snapshot> kept(SnapshotKind kind) {
        const HistoryStore store(historyFolder());
        std::optional<Snapshot> found;
        eventually([&] {
            for (const Snapshot& snapshot : store.list(model().serialNumber))
                if (snapshot.kind == kind)
                    found = snapshot;
            return found.has_value();
        });
        return found;
    }
    bool messageHolds(const std::string& text) const {
        const std::vector<QString>& messages = driver_->messages();
        return std::any_of(messages.begin(), messages.end(), [&](const QString& message) {
            return message.toStdString().find(text) != std::string::npos;
        });
    }

    QTemporaryDir dataDir_;
};

// Ctrl+D during a store used to end it after a few words, with no message; during "Compare
// with gyro" it left the window's engine stuck in diagnostics.
TEST_F(StoreTrustTest, DiagnosticsCannotCutAStoreOrACompareReadShort) {
    startWith("--baud-pace");
    const struct {
        const char* what;
        std::function<void()> start;
    } rows[] = {
        {"store", [this] { click(1032); }},
        {"compare with gyro", [this] { action("compareWithGyro")->trigger(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QSignalSpy stores(&access().controller(), &ConfigController::storeCompleted);
        row.start();
        ASSERT_TRUE(eventually([&] {
            return status().startsWith(QStringLiteral("Write")) ||
                   status().startsWith(QStringLiteral("Read"));
        }));
        EXPECT_FALSE(diagnostics()->isEnabled());
        QTest::keyClick(&dialog(), Qt::Key_D, Qt::ControlModifier);
        diagnostics()->trigger();
        EXPECT_EQ(diagnostics()->text(), QStringLiteral("Start diagnostics"));
        ASSERT_TRUE(eventually([&] { return control(1031)->isEnabled(); }, kSequenceWait));
        EXPECT_TRUE(access().controller().engine().idle());
        EXPECT_FALSE(access().controller().engine().diagnosticsRunning());
        EXPECT_TRUE(diagnostics()->isEnabled());
        EXPECT_EQ(diagnostics()->text(), QStringLiteral("Start diagnostics"));
        EXPECT_EQ(stores.count(), std::string(row.what) == "store" ? 1 : 0);
    }
    EXPECT_TRUE(driver().messages().empty());
    EXPECT_EQ(driver().unexpected(), 0);
}

// A worn cell acknowledges its word and keeps the old one: the read-back tells the pilot, and
// what the gyro now holds is what "Revert to gyro values" and the history show.
TEST_F(StoreTrustTest, AWordTheGyroDidNotKeepIsToldAndRevertPutsBackWhatItHolds) {
    startWith("--no-pace --set 0x0100=2024 --stuck 0x0100");  // high endpoint 120, worn
    click(1031);
    ASSERT_TRUE(sequenceEnds());
    ASSERT_EQ(text(1033), QStringLiteral("120"));
    typeAndTab(1033, QStringLiteral("133"));
    driver().thenPress(QStringLiteral("OK"));
    click(1032);
    ASSERT_TRUE(sequenceEnds());
    ASSERT_TRUE(eventually([&] { return driver().done(); }));
    EXPECT_TRUE(messageHolds("High endpoint: stored 133, the gyro holds 120"));
    EXPECT_EQ(text(1033), QStringLiteral("133")) << "the screen keeps what the pilot wants";

    const std::optional<Snapshot> stored = kept(SnapshotKind::Stored);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->config.highEndpoint, 120);
    action("revertToGyro")->trigger();
    EXPECT_EQ(text(1033), QStringLiteral("120"));
    EXPECT_EQ(driver().unexpected(), 0);
}

// The adapter falls silent in the middle of the words: the pilot is told the store did not
// finish, and what was being stored is kept in the history.
TEST_F(StoreTrustTest, AStoreCutShortIsSaidPlainlyAndWhatItStoredIsKept) {
    startWith("--no-pace --silent-from 12");  // the fifth word of the store
    typeAndTab(1033, QStringLiteral("133"));
    driver().thenPress(QStringLiteral("OK"));
    click(1032);
    ASSERT_TRUE(sequenceEnds());
    ASSERT_TRUE(eventually([&] { return driver().done(); }));
    EXPECT_TRUE(messageHolds(std::string(sequence_text::kStoreUnfinished)));
    const std::optional<Snapshot> unfinished = kept(SnapshotKind::Unfinished);
    ASSERT_TRUE(unfinished);
    EXPECT_EQ(unfinished->config.highEndpoint, 133);
    EXPECT_NE(unfinished->path.find("_unfinished.tsf"), std::string::npos);
    EXPECT_EQ(driver().unexpected(), 0);
}

}  // namespace
}  // namespace vn340::testing
