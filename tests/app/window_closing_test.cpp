// Closing the window while it talks to the gyro: a store runs to its end, and its message is
// answered, before the window goes, however the pilot or the system asked; a read is simply
// abandoned.

#include <QAction>

#include <algorithm>
#include <csignal>

#include "app/config_app.h"
#include "config/history_store.h"
#include "config_dialog_fixture.h"
#include "link/adapter_link.h"
#include "session/stop_requests.h"

namespace vn340::testing {
namespace {

using C = Control;

const QString kClosing = QStringLiteral("Closing when the store has finished\u2026");

class WindowClosingTest : public ConfigDialogTest {
  protected:
    // The ways to ask the window to close.
    enum class Request { Escape, Quit, CloseBox, Terminate, HangUp, Interrupt };

    void ask(Request request) {
        switch (request) {
            case Request::Escape:
                QTest::keyClick(&dialog(), Qt::Key_Escape);
                break;
            case Request::Quit:
                QTest::keyClick(&dialog(), Qt::Key_Q, Qt::ControlModifier);
                break;
            case Request::CloseBox:
                dialog().close();
                break;
            case Request::Terminate:
                std::raise(SIGTERM);
                break;
            case Request::HangUp:
                std::raise(SIGHUP);
                break;
            case Request::Interrupt:
                std::raise(SIGINT);
                break;
        }
    }

    // Every text the status line shows from now on.
    void recordStatus() {
        QObject::connect(control<QLineEdit>(C::StatusLine), &QLineEdit::textChanged,
                         [this](const QString& text) { statusShown_ << text; });
    }

    void store() {
        typeAndTab(C::HighEndpoint, QStringLiteral("120"));
        click(C::StoreToGyro);
    }

    // The kinds of the snapshots kept, in the order of their kinds.
    std::vector<SnapshotKind> snapshotKinds() const {
        std::vector<SnapshotKind> kinds;
        for (const Snapshot& snapshot : HistoryStore(historyFolder()).listAll())
            kinds.push_back(snapshot.kind);
        std::sort(kinds.begin(), kinds.end());
        return kinds;
    }

    // The window was closed with its closing steps, the adapter with it.
    ::testing::AssertionResult closed() {
        if (!eventually([this] { return !dialog().isVisible(); }, kSequenceWait))
            return ::testing::AssertionFailure() << "the window stays open";
        if (dialog().result() != QDialog::Rejected)
            return ::testing::AssertionFailure() << "the window was not closed as Escape does";
        if (access().controller().link().transport() != Transport::None)
            return ::testing::AssertionFailure() << "the adapter stays open";
        return ::testing::AssertionSuccess();
    }

    QStringList statusShown_;
};

// However the close is asked for, and asked again, the store runs on; the status line says why
// the window stays (the store's own steps do not overwrite it), then how the store ended, and
// the window closes by itself. The stored screen is in the history, and, settled by the store,
// not kept again at closing.
TEST_F(WindowClosingTest, AStoreRunsToItsEndBeforeTheWindowCloses) {
    struct Row {
        const char* name;
        Request request;
    };
    const Row rows[] = {{"Escape", Request::Escape},      {"Ctrl+Q", Request::Quit},
                        {"close box", Request::CloseBox}, {"SIGTERM", Request::Terminate},
                        {"SIGHUP", Request::HangUp},      {"SIGINT", Request::Interrupt}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        startWithHistory();
        std::unique_ptr<StopRequests> stopRequests = ConfigApp::closeOnStopRequests(dialog());
        ASSERT_NE(stopRequests, nullptr);
        store();
        ASSERT_TRUE(access().controller().storing());
        ask(row.request);
        ASSERT_TRUE(eventually([this] { return status() == kClosing; }));
        statusShown_.clear();
        recordStatus();
        ask(row.request);
        EXPECT_TRUE(dialog().isVisible());
        EXPECT_TRUE(access().controller().storing()) << "the store ended before the request";
        EXPECT_TRUE(closed());
        stopRequests.reset();
        EXPECT_EQ(statusShown_, QStringList{"Write complete"});
        EXPECT_EQ(snapshotKinds(), std::vector<SnapshotKind>{SnapshotKind::Stored});
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
    ASSERT_TRUE(access().controller().storing());
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
    ASSERT_EQ(driver().messages().size(), 1u);
    EXPECT_TRUE(driver().messages()[0].contains("The store did not finish"));
    EXPECT_EQ(snapshotKinds(),
              (std::vector<SnapshotKind>{SnapshotKind::Unfinished, SnapshotKind::Closed}));
    EXPECT_EQ(driver().unexpected(), 0);
}

// Nothing is written by a read: the window closes at once, as it always has.
TEST_F(WindowClosingTest, AReadIsAbandonedAtOnce) {
    startWithGyro();
    click(C::ReadFromGyro);
    ASSERT_TRUE(access().controller().busy());
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(access().controller().link().transport(), Transport::None);
}

}  // namespace
}  // namespace vn340::testing
