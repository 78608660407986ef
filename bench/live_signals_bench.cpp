// What the live-signals window costs while diagnostics run against the simulated gyro at the
// pace of a 9600-baud line: the time it spends redrawing per round, and the rounds per second
// with the window open beside the rounds per second without it.
//
// The program's own main window runs on the system platform with the simulated D2XX library as
// "USB". The redraw time is everything the window does for a round: taking it into its plots
// as it arrives, then every event its plots and their scenes handle until the next one (the
// scene's updates, the paint of each plot, the window's trip to the screen). The plots draw a
// flat line, since the simulated gyro answers the same values every round, and are measured
// once they hold the 30 s they show at first.
//
// Needs a real X server: without a display it starts itself again in xvfb-run.
// Usage: live_signals_bench [seconds per measurement, 15 by default]

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/config_dialog.h"
#include "app/live_signals_window.h"
#include "config_dialog_test_access.h"
#include "desktop/desktop_platform.h"
#include "on_a_display.h"
#include "session/config_controller.h"
#include "session/platform.h"

namespace vn340 {
namespace {

// Times every event delivered to the live-signals window or anything inside it, counting an
// event handled inside another one once.
class TimingApplication : public QApplication {
  public:
    using QApplication::QApplication;

    QObject* watched = nullptr;
    qint64 spentNs = 0;

    // Set while the window takes a round in, which is timed as a whole.
    bool takingRound = false;

    bool notify(QObject* receiver, QEvent* event) override {
        if (watched == nullptr || takingRound || depth_ > 0 || !inside(receiver)) {
            return QApplication::notify(receiver, event);
        }
        QElapsedTimer clock;
        clock.start();
        ++depth_;
        const bool handled = QApplication::notify(receiver, event);
        --depth_;
        spentNs += clock.nsecsElapsed();
        return handled;
    }

  private:
    bool inside(QObject* object) const {
        for (; object != nullptr; object = object->parent()) {
            if (object == watched) {
                return true;
            }
        }
        return false;
    }

    int depth_ = 0;
};

struct Rate {
    int rounds = 0;
    double perSecond = 0;
};

// The rounds that arrive in `seconds`, and their rate from the first to the last.
Rate countRounds(ConfigController& controller, double seconds) {
    std::vector<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    Connection counting = controller.liveSignalsArrived.connect(
        [&](const LiveSignals&) { arrivals.push_back(clock.nsecsElapsed()); });
    QTest::qWait(static_cast<int>(seconds * 1000));
    counting.disconnect();
    Rate rate;
    rate.rounds = static_cast<int>(arrivals.size());
    if (arrivals.size() >= 2) {
        rate.perSecond = (static_cast<double>(arrivals.size()) - 1) /
                         ((arrivals.back() - arrivals.front()) / 1e9);
    }
    return rate;
}

bool waitForRounds(ConfigController& controller, int count) {
    int seen = 0;
    const Connection counting =
        controller.liveSignalsArrived.connect([&](const LiveSignals&) { ++seen; });
    return QTest::qWaitFor([&] { return seen >= count; }, 10'000);
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    using namespace vn340;
    vn340::bench::runOnADisplay(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 15.0;
    // The simulated adapter answers at the line's pace, as a gyro does.
    qunsetenv("VN340_SIM_OPTIONS");
    TimingApplication app(argc, argv);

    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    QFile preferences(program + QStringLiteral("/TarvelRCGyro.ini"));
    if (!preferences.open(QIODevice::WriteOnly)) {
        return 1;
    }
    preferences.write(QByteArray("[Settings]\r\nLAST DIRECTORY=") + folder.path().toUtf8() +
                      "\r\nCOM PORT=USB\r\nWARNING=0\r\n");
    preferences.close();
    ProgramPaths paths;
    paths.programFolder = program.toStdString();
    paths.configHome = folder.filePath(QStringLiteral("config")).toStdString();
    paths.sysClassTty = folder.filePath(QStringLiteral("no-tty-class")).toStdString();
    paths.deviceFolder = folder.filePath(QStringLiteral("no-dev/")).toStdString();
    paths.d2xxLibrary = VN340_SIM_D2XX;
    paths.historyFolder = folder.filePath(QStringLiteral("history")).toStdString();

    DesktopPlatform platform(paths);
    ConfigDialog window(platform, paths);
    window.show();
    ConfigController& controller = ConfigDialogTestAccess(window).controller();
    auto* diagnostics =
        window.findChild<QAction*>(QStringLiteral("command%1").arg(kDiagnosticsCommand));
    auto* liveSignals = window.findChild<QAction*>(QStringLiteral("liveSignals"));
    if (diagnostics == nullptr || liveSignals == nullptr ||
        !QTest::qWaitFor([&] { return diagnostics->isEnabled() && controller.engine().idle(); },
                         10'000)) {
        std::fprintf(stderr, "the window did not get ready for diagnostics\n");
        return 1;
    }

    // The window takes each round in between these two, connected before and after its own.
    QElapsedTimer roundClock;
    roundClock.start();
    qint64 roundStart = 0;
    qint64 takingNs = 0;
    Connections connections;
    connections += controller.liveSignalsArrived.connect([&](const LiveSignals&) {
        app.takingRound = app.watched != nullptr;
        roundStart = roundClock.nsecsElapsed();
    });

    // Without the window: diagnostics from the main window's command.
    diagnostics->trigger();
    if (!waitForRounds(controller, 3)) {
        std::fprintf(stderr, "no diagnostics rounds arrived\n");
        return 1;
    }
    const Rate without = countRounds(controller, seconds);
    diagnostics->trigger();
    if (!QTest::qWaitFor([&] { return controller.engine().idle(); }, 10'000)) {
        std::fprintf(stderr, "diagnostics did not stop\n");
        return 1;
    }

    // With the window: it starts diagnostics itself.
    liveSignals->trigger();
    auto* live = window.findChild<LiveSignalsWindow*>();
    if (live == nullptr || !waitForRounds(controller, 3)) {
        std::fprintf(stderr, "the live-signals window did not plot rounds\n");
        return 1;
    }
    // Measured once the plots hold the whole span they show, as they do after half a minute.
    QTest::qWait(static_cast<int>(spanLength(kDefaultLiveSpan).count()));
    connections += controller.liveSignalsArrived.connect([&](const LiveSignals&) {
        if (app.takingRound) {
            takingNs += roundClock.nsecsElapsed() - roundStart;
        }
        app.takingRound = false;
    });
    app.watched = live;
    app.spentNs = 0;
    const Rate with = countRounds(controller, seconds);
    const qint64 spentNs = app.spentNs + takingNs;
    app.watched = nullptr;
    live->reject();

    std::printf(
        "diagnostics at 9600 baud, %.0f s each, simulated gyro behind the simulated "
        "D2XX library\n",
        seconds);
    std::printf("%-28s %14s %14s\n", "", "without window", "with window");
    std::printf("%-28s %14d %14d\n", "rounds", without.rounds, with.rounds);
    std::printf("%-28s %14.2f %14.2f\n", "rounds per second", without.perSecond, with.perSecond);
    std::printf("ratio with / without: %.3f (goal >= 0.95)\n",
                without.perSecond > 0 ? with.perSecond / without.perSecond : 0.0);
    const double rounds = std::max(with.rounds, 1);
    std::printf(
        "redraw per round: %.3f ms (goal <= 2 ms), of which %.3f ms taking the round "
        "into the plots and %.3f ms drawing them\n",
        spentNs / 1e6 / rounds, takingNs / 1e6 / rounds, app.spentNs / 1e6 / rounds);
    return 0;
}
