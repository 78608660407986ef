// The live-signals window on the main window, against the simulated gyro on a virtual clock:
// opened with Ctrl+L, every round plotted and recorded, paused without a redraw, closed with
// Escape.

#include <gtest/gtest.h>

#include <QApplication>
#include <QChartView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/config_dialog.h"
#include "app/live_signals_plot.h"
#include "app/live_signals_window.h"
#include "app/prompt_dialogs.h"
#include "config_dialog_test_access.h"
#include "eventually.h"
#include "live/live_recording.h"
#include "support/signal_record.h"
#include "support/text_lines.h"
#include "support/virtual_platform.h"

namespace vn340::testing {
namespace {

constexpr char kPreferencesFile[] = "/opt/vn340/TarvelRCGyro.ini";

// Counts the paints of the widgets it watches.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

class LiveSignalsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        paths.programFolder = "/opt/vn340";
        paths.configHome = "/home/pilot/.config";
        // The recording's folder must exist for the file dialog; the file itself is kept in
        // the virtual platform's memory.
        platform.memoryFiles.files[kPreferencesFile] =
            "[Settings]\r\nLAST DIRECTORY=" + QDir::tempPath().toStdString() +
            "\r\nCOM PORT=USB\r\nWARNING=1\r\n";
        window = std::make_unique<ConfigDialog>(platform, paths);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // The reading at start-up ends before the pilot does anything.
        platform.clock.runWhile([this] {
            return !controller().engine().idle() || platform.timers->sequenceTimerArmed();
        });
        connections += controller().liveSignalsArrived.connect(
            [this](const LiveSignals&) { roundTimes.push_back(platform.clock.now()); });
    }
    void TearDown() override { window.reset(); }

    ConfigController& controller() { return ConfigDialogTestAccess(*window).controller(); }
    bool diagnosticsRunning() { return controller().engine().diagnosticsRunning(); }

    LiveSignalsWindow* openLiveSignals() {
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);
        auto* live = window->findChild<LiveSignalsWindow*>();
        // Shortcuts reach it once the application, not only the system, has it active.
        if (live != nullptr && !eventually([&] { return QApplication::activeWindow() == live; })) {
            return nullptr;
        }
        return live;
    }

    // Runs the virtual clock until `count` rounds in all have arrived; the gyro answers each
    // with `values(round)`.
    template <typename Values>
    void runRounds(int count, Values values) {
        while (static_cast<int>(roundTimes.size()) < count) {
            const std::size_t next = roundTimes.size();
            platform.gyro.setLiveSignals(values(static_cast<int>(next)));
            platform.clock.runWhile([&] { return roundTimes.size() == next; }, 1000 * kMs);
            ASSERT_GT(roundTimes.size(), next) << "no round within a second";
        }
    }

    // Chooses `name` in the file dialog that "Record…" opens, from the folder it offers, after
    // `pilotTakes` of virtual time in which the rounds go on.
    void answerFileDialog(const QString& name, QString* offeredFolder, Micros pilotTakes = 0) {
        QTimer::singleShot(0, [this, name, offeredFolder, pilotTakes] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            platform.clock.runUntil(platform.clock.now() + pilotTakes);
            *offeredFolder = dialog->directory().absolutePath();
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(name);
            auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            QTest::mouseClick(buttons->button(QDialogButtonBox::Save), Qt::LeftButton);
        });
    }

    // Answers the next message the window shows, whenever it comes, and keeps its text.
    void answerNextMessage(QString* text) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, [poll, text] {
            if (auto* message = qobject_cast<MessageDialog*>(QApplication::activeModalWidget())) {
                *text = message->message();
                poll->stop();
                poll->deleteLater();
                message->accept();
            }
        });
        poll->start(5);
    }

    // Starts recording to "flight.csv" in the settings files' folder; its path.
    std::string startRecording(LiveSignalsWindow* live, Micros pilotTakes = 0) {
        QString offered;
        answerFileDialog(QStringLiteral("flight.csv"), &offered, pilotTakes);
        QTest::mouseClick(live->findChild<QPushButton*>("record"), Qt::LeftButton);
        EXPECT_NE(live->recording(), nullptr);
        return QDir::tempPath().toStdString() + "/flight.csv";
    }

    static QLineSeries* series(const LivePlot& plot, int index = 0) {
        return qobject_cast<QLineSeries*>(plot.view()->chart()->series().at(index));
    }

    ProgramPaths paths;
    VirtualPlatform platform;
    std::unique_ptr<ConfigDialog> window;
    std::vector<Micros> roundTimes;  // of the rounds, as they arrived
    Connections connections;
};

LiveSignals roundValues(int round) {
    return {static_cast<std::uint16_t>(500 + round), static_cast<std::uint16_t>(1100 + 40 * round),
            static_cast<std::uint16_t>(2020 - 30 * round)};
}

TEST_F(LiveSignalsWindowTest, PlotsAndRecordsEveryRoundOfTheGyroAndStopsWhatItStarted) {
    constexpr int kRounds = 12;
    LiveSignalsWindow* live = openLiveSignals();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(diagnosticsRunning());

    QString offered;
    answerFileDialog(QStringLiteral("flight.csv"), &offered);
    QTest::mouseClick(live->findChild<QPushButton*>("record"), Qt::LeftButton);
    ASSERT_NE(live->recording(), nullptr);
    EXPECT_EQ(offered, QDir::tempPath()) << "the settings files' folder";
    const Micros recordingStart = platform.clock.now();
    runRounds(kRounds, roundValues);

    const struct {
        LiveCurve curve;
        int index;
        int (*value)(const LiveSignals&);
    } curves[] = {
        {LiveCurve::Gyro, 0, [](const LiveSignals& v) { return int(v.gyro); }},
        {LiveCurve::Rudder, 0, [](const LiveSignals& v) { return int(v.rudder); }},
        {LiveCurve::Gain, 0, [](const LiveSignals& v) { return int(v.gain); }},
        {LiveCurve::Gain, 1, [](const LiveSignals& v) { return std::abs(v.gain - 1520) / 5; }},
    };
    for (const auto& curve : curves) {
        const QList<QPointF> points = series(live->plot(curve.curve), curve.index)->points();
        ASSERT_EQ(points.size(), kRounds);
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_EQ(points[i].y(), curve.value(roundValues(i))) << "round " << i;
        }
        EXPECT_EQ(points.back().x(), 0.0) << "the newest round ends the time axis";
    }
    const LiveSignals last = roundValues(kRounds - 1);
    EXPECT_EQ(live->plot(LiveCurve::Gyro).view()->accessibleDescription(),
              QStringLiteral("Gyro = 0%1").arg(last.gyro));
    EXPECT_EQ(live->plot(LiveCurve::Gain).valueText()->text(),
              QStringLiteral("Gain = %1 \u00b5s (%2%)")
                  .arg(last.gain)
                  .arg(std::abs(last.gain - 1520) / 5));
    EXPECT_EQ(window->findChild<QLineEdit*>("idc1077")->text().toStdString(),
              "Gyro = 0511, Rudder = 1540, Gain = 1690 (34%)")
        << "the status line keeps its text";

    // Within a second the rounds are in the file, as a kill would leave it.
    const std::string path = QDir::tempPath().toStdString() + "/flight.csv";
    platform.clock.runUntil(recordingStart + 1000 * kMs);
    ASSERT_GE(linesOf(platform.memoryFiles[path]).size(), kRounds + 1u);
    // A row's form is the recording's; here, that each round comes with the time it arrived.
    const std::vector<std::string> lines = linesOf(platform.memoryFiles[path]);
    for (int i : {0, kRounds - 1}) {
        const LiveMillis sinceStart((roundTimes[i] - recordingStart) / kMs);
        EXPECT_EQ(lines[i + 1] + "\n", liveCsvRow(sinceStart, roundValues(i))) << "round " << i;
    }

    QTest::keyClick(live, Qt::Key_Escape);
    EXPECT_FALSE(live->isVisible());
    EXPECT_FALSE(diagnosticsRunning()) << "started by the window, stopped with it";
}

TEST_F(LiveSignalsWindowTest, DiagnosticsThePilotStartedRunOnAfterTheWindowCloses) {
    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(diagnosticsRunning());
    LiveSignalsWindow* live = openLiveSignals();
    ASSERT_NE(live, nullptr);
    runRounds(2, roundValues);
    QTest::keyClick(live, Qt::Key_Escape);
    EXPECT_TRUE(diagnosticsRunning());
}

TEST_F(LiveSignalsWindowTest, SpacePausesThePlotsWhichThenDrawNothingWhileRoundsGoOn) {
    LiveSignalsWindow* live = openLiveSignals();
    ASSERT_NE(live, nullptr);
    runRounds(3, roundValues);
    QTest::keyClick(live, Qt::Key_Space);
    ASSERT_TRUE(live->paused());
    // The paints of the rounds before the pause are over.
    QTest::qWait(100);

    PaintCounter painted;
    for (LiveCurve curve : {LiveCurve::Gyro, LiveCurve::Rudder, LiveCurve::Gain}) {
        live->plot(curve).view()->viewport()->installEventFilter(&painted);
    }
    runRounds(8, roundValues);
    QTest::qWait(50);
    EXPECT_EQ(painted.paints, 0);
    EXPECT_EQ(series(live->plot(LiveCurve::Rudder))->count(), 3);
    EXPECT_TRUE(diagnosticsRunning());

    QTest::keyClick(live, Qt::Key_Space);
    EXPECT_FALSE(live->paused());
    EXPECT_EQ(series(live->plot(LiveCurve::Rudder))->count(), 8);
    EXPECT_TRUE(eventually([&] { return painted.paints > 0; }));
}

// However long the pilot takes to choose the file, the rows count from the moment it is there.
TEST_F(LiveSignalsWindowTest, RowsCountTheSecondsFromTheMomentTheFileIsMade) {
    LiveSignalsWindow* live = openLiveSignals();
    ASSERT_NE(live, nullptr);
    const std::string path = startRecording(live, 5000 * kMs);
    ASSERT_GT(roundTimes.size(), 0u) << "rounds arrived while the pilot chose";
    const Micros recordingStart = platform.clock.now();
    runRounds(static_cast<int>(roundTimes.size()) + 1, roundValues);
    platform.clock.runUntil(recordingStart + 1000 * kMs);  // the first flush
    ASSERT_GE(linesOf(platform.memoryFiles[path]).size(), 2u);
    EXPECT_EQ(linesOf(platform.memoryFiles[path])[1].substr(0, 2), "0.");
}

// The disk fills up part-way through a flush: the recording stops with the reason, and the
// count of rounds the window tells is the count of rows the recording left in the file.
TEST_F(LiveSignalsWindowTest, AFullDiskStopsTheRecordingWithTheRowsInTheFileCounted) {
    LiveSignalsWindow* live = openLiveSignals();
    ASSERT_NE(live, nullptr);
    const std::string path = startRecording(live);
    const Micros recordingStart = platform.clock.now();
    platform.clock.runUntil(recordingStart + 1000 * kMs);  // the first flush
    const std::size_t rows = linesOf(platform.memoryFiles[path]).size() - 1;
    ASSERT_GT(rows, 0u);

    platform.memoryFiles.appendRoom[path] = 10;
    QString message;
    answerNextMessage(&message);
    platform.clock.runUntil(recordingStart + 2000 * kMs);  // the second
    ASSERT_TRUE(eventually([&] { return !message.isEmpty(); }, std::chrono::milliseconds(3000)));
    EXPECT_EQ(message.toStdString(), recordingStoppedMessage(cannotWrite(path, ENOSPC).message));
    EXPECT_EQ(live->recording(), nullptr);
    EXPECT_EQ(live->findChild<QPushButton*>("record")->text(),
              QString::fromUtf8(live_signals_text::kRecord));
    EXPECT_EQ(live->findChild<QLabel*>("recordingText")->text(),
              QStringLiteral("%1 rounds recorded to flight.csv").arg(rows));
}

}  // namespace
}  // namespace vn340::testing
