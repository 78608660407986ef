// Closing the window while it talks to the gyro: a store runs to its end, and its message is
// answered, before the window goes, however the pilot or the system asked; a read is simply
// abandoned.

#include <QAction>

#include <csignal>
#include <functional>
#include <set>

#include "app/config_app.h"
#include "base/stop_requests.h"
#include "config/history_store.h"
#include "config_dialog_fixture.h"
#include "desktop/qt_event_loop.h"
#include "link/adapter_link.h"

namespace vn340::testing {
namespace {

using C = Control;

const QString kClosing = QStringLiteral("Closing when the store has finished\u2026");

class WindowClosingTest : public ConfigDialogTest {
  protected:
    void store() {
        typeAndTab(C::HighEndpoint, QStringLiteral("120"));
        click(C::StoreToGyro);
        ASSERT_TRUE(access().controller().storing());
    }

    std::multiset<SnapshotKind> snapshotKinds() const {
        std::multiset<SnapshotKind> kinds;
        for (const Snapshot& snapshot : HistoryStore(historyFolder()).listAll()) {
            kinds.insert(snapshot.kind);
        }
        return kinds;
    }

    // The window was closed with its closing steps, as Escape closes it, the adapter with it.
    bool closed() {
        return eventually([this] { return !dialog().isVisible(); }, kSequenceWait) &&
               dialog().result() == QDialog::Rejected &&
               access().controller().link().transport() == Transport::None;
    }
};

// However the close is asked for, and asked again, the store runs on; the status line says why
// the window stays (the store's own steps do not overwrite it), then how the store ended, and
// the window closes by itself. The stored screen is in the history, and, settled by the store,
// not kept again at closing.
TEST_F(WindowClosingTest, AStoreRunsToItsEndBeforeTheWindowCloses) {
    const struct {
        const char* name;
        std::function<void()> ask;
    } rows[] = {
        {"Escape", [this] { QTest::keyClick(&dialog(), Qt::Key_Escape); }},
        {"Ctrl+Q", [this] { QTest::keyClick(&dialog(), Qt::Key_Q, Qt::ControlModifier); }},
        {"close box", [this] { dialog().close(); }},
        {"SIGTERM", [] { std::raise(SIGTERM); }},
        {"SIGHUP", [] { std::raise(SIGHUP); }},
        {"SIGINT", [] { std::raise(SIGINT); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startWithHistory();
        QtEventLoop loop;
        std::unique_ptr<StopRequests> stopRequests = ConfigApp::closeOnStopRequests(dialog(), loop);
        ASSERT_NE(stopRequests, nullptr);
        store();
        row.ask();
        ASSERT_TRUE(eventually([this] { return status() == kClosing; }));
        QSignalSpy statusShown(control<QLineEdit>(C::StatusLine), &QLineEdit::textChanged);
        row.ask();
        EXPECT_TRUE(dialog().isVisible());
        EXPECT_TRUE(access().controller().storing()) << "the store ended before the request";
        EXPECT_TRUE(closed());
        stopRequests.reset();
        ASSERT_EQ(statusShown.count(), 1);
        EXPECT_EQ(statusShown[0][0].toString(), "Write complete");
        EXPECT_EQ(snapshotKinds(), std::multiset<SnapshotKind>{SnapshotKind::Stored});
        EXPECT_EQ(driver().unexpected(), 0);
        closeWindow();
        QDir(QString::fromStdString(historyFolder())).removeRecursively();
    }
}

// A store cut short: its message is answered first, with the status line telling how it
// ended; the screen it left, changed since it was settled, is kept at closing as always.
TEST_F(WindowClosingTest, AStoreCutShortIsAnsweredBeforeTheWindowClosesAndKeepsTheScreen) {
    qputenv("VN340_SIM_OPTIONS", "--no-pace --silent-from 12");
    startWithHistory();
    store();
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_EQ(status(), kClosing);
    bool openWhileAsked = false;
    QString statusWhileAsked;
    driver().then([&](QDialog& message) {
        openWhileAsked = dialog().isVisible();
        statusWhileAsked = status();
        ModalDriver::pressButton(message, "OK");
    });
    EXPECT_TRUE(closed());
    EXPECT_TRUE(openWhileAsked);
    EXPECT_EQ(statusWhileAsked, "Store did not finish");
    EXPECT_EQ(snapshotKinds(),
              (std::multiset<SnapshotKind>{SnapshotKind::Unfinished, SnapshotKind::Closed}));
    EXPECT_EQ(driver().unexpected(), 0);
}

// Nothing is written by a read: the window closes at once, as it always has.
TEST_F(WindowClosingTest, AReadIsAbandonedAtOnce) {
    startWithGyro();
    click(C::ReadFromGyro);
    ASSERT_TRUE(access().controller().busy());
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(closed());
}

}  // namespace
}  // namespace vn340::testing
