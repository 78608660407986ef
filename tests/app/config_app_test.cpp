#include "app/config_app.h"
#include "desktop/desktop_platform.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

#include <sys/types.h>

#include "eventually.h"

#include "app/config_dialog.h"
#include "app/demo_session.h"
#include "config/preferences.h"
#include "session/platform.h"

namespace vn340 {
namespace {

TEST(ConfigApp, IconIsDrawnAt16And32And48Pixels) {
    const QIcon icon = ConfigApp::applicationIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (int size : {16, 32, 48}) {
        SCOPED_TRACE(size);
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // A rounded square: the corners are (nearly, at 16 px) see-through, the middle solid.
        EXPECT_LT(qAlpha(image.pixel(0, 0)), 32);
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
}

// A file's bytes; "(none)" when there is no such file.
QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

struct ProgramRun {
    int exitCode = -1;
    QString output;
    QString error;
};

// The built program (or `program`, a copy of it), run with `environment` added to this
// process's own.
ProgramRun runProgram(const QStringList& arguments, const QProcessEnvironment& added = {},
                      const QStringList& removed = {},
                      const QString& program = QStringLiteral(VN340_CONFIG_PROGRAM)) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : removed) {
        environment.remove(name);
    }
    for (const QString& name : added.keys()) {
        environment.insert(name, added.value(name));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return run;
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.error = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The icon is no part of the first paint, which it would only delay.
TEST(ConfigApp, EveryWindowGetsTheIconAfterTheFirstPaint) {
    ASSERT_TRUE(QApplication::windowIcon().isNull());
    QWidget window;
    ConfigApp::iconAfterFirstPaint(window);
    QApplication::processEvents();
    EXPECT_TRUE(QApplication::windowIcon().isNull());
    window.show();
    EXPECT_TRUE(testing::eventually([] {
        return QApplication::windowIcon().availableSizes() ==
               ConfigApp::applicationIcon().availableSizes();
    }));
}

// The program started as the run script starts it without a display: it paints its window,
// saves the screenshot, prints the path and ends with status 0. It runs from a folder of its
// own, where it keeps its preferences file. A screenshot that cannot be saved ends it with
// status 1.
TEST(ConfigApp, ProgramSavesAScreenshotOfItsWindowAndEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath("vn340-config");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VN340_CONFIG_PROGRAM), program));
    const QString screenshot = dir.filePath("screenshot.png");
    QProcessEnvironment environment;
    environment.insert("VN340_SCREENSHOT", screenshot);
    const ProgramRun run = runProgram({}, environment, {}, program);
    EXPECT_EQ(run.exitCode, 0) << "a normal exit, status 0";
    EXPECT_EQ(run.output, screenshot + "\n");

    const QImage image(screenshot, "PNG");
    ASSERT_FALSE(image.isNull());
    // The main window is near the 644 x 484 of its design.
    EXPECT_GT(image.width(), 600);
    EXPECT_GT(image.height(), 400);
    EXPECT_TRUE(QFile::exists(dir.filePath("TarvelRCGyro.ini")));

    environment.insert("VN340_SCREENSHOT", dir.filePath("missing folder/screenshot.png"));
    const ProgramRun failed = runProgram({}, environment, {}, program);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.output.isEmpty());
}

// The command line is read before the window system is reached: none of these may need a
// display, so they run with none (an application object would end the program without one).
TEST(CommandLine, AnswersWithoutADisplayAndRefusesWhatItDoesNotKnow) {
    struct Case {
        QStringList arguments;
        int exitCode;
        QString output;  // a pattern; empty: nothing printed
        QString error;
    };
    const QString version = QStringLiteral("^vn340-config %1\n$")
                                .arg(QRegularExpression::escape(VN340_PROJECT_VERSION));
    const Case cases[] = {
        {{"--version"}, 0, version, {}},
        {{"-v"}, 0, version, {}},
        // The window system's own options are no mistakes.
        {{"-style", "fusion", "--version"}, 0, version, {}},
        {{"--help"}, 0, "^Usage: vn340-config \\[options\\] \\[FILE\\]\n(.|\n)*--demo", {}},
        {{"--bogus"}, 2, {}, "^vn340-config: Unknown option 'bogus'.\nTry 'vn340-config --help'"},
        // One settings file at most.
        {{"a.tsf", "gyro.tsf"}, 2, {}, "^vn340-config: unexpected argument 'gyro.tsf'"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const ProgramRun run = runProgram(row.arguments, {}, {"DISPLAY", "WAYLAND_DISPLAY"});
        EXPECT_EQ(run.exitCode, row.exitCode);
        for (const auto& [printed, pattern] :
             {std::pair{run.output, row.output}, std::pair{run.error, row.error}}) {
            if (pattern.isEmpty()) {
                EXPECT_EQ(printed, QString());
            } else {
                EXPECT_TRUE(printed.contains(QRegularExpression(pattern))) << printed.toStdString();
            }
        }
    }
}

// The file reaches the window as a full path: the window that loads it may be one already
// running, started from another folder.
TEST(CommandLine, TakesOneSettingsFileAsAFullPath) {
    struct Case {
        QStringList arguments;
        QString file;
    };
    const Case cases[] = {
        {{"vn340-config"}, {}},
        {{"vn340-config", "models/trex.tsf"}, QDir::current().filePath("models/trex.tsf")},
        {{"vn340-config", "/media/stick/trex.tsf", "--demo"}, "/media/stick/trex.tsf"},
    };
    for (const Case& row : cases) {
        const CommandLineRequest request = parseCommandLine(row.arguments);
        EXPECT_FALSE(request.exitStatus) << request.error.toStdString();
        EXPECT_EQ(request.options.file, row.file) << row.arguments.join(' ').toStdString();
    }
}

// Every option the help lists is explained in the manual page, and the help hides the window
// system's options.
TEST(CommandLine, ManualExplainsEveryOptionOfTheHelp) {
    const ProgramRun run = runProgram({"--help"});
    QFile manual(QStringLiteral(VN340_MANUAL_SOURCE));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(manual.readAll());
    QStringList options;
    for (const auto& match : QRegularExpression("--([a-z-]+)").globalMatch(run.output)) {
        options << match.captured(1);
    }
    EXPECT_GE(options.size(), 3);
    for (const QString& option : options) {
        EXPECT_TRUE(page.contains("\\-\\-" + option)) << option.toStdString();
    }
    EXPECT_FALSE(run.output.contains("platform"));
}

// The demo, started as the desktop menu's "Try without a gyro" starts it: the window reads the
// simulated gyro through the simulated USB adapter (the probe fails unless the status line
// says "Read complete"), and neither the preferences beside the program nor those in the
// configuration home are touched, nor the history; the demo's own go with it.
TEST(Demo, ReadsTheSimulatedGyroAndLeavesNoPreferences) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* folder : {"config", "data", "tmp", "runtime"}) {
        ASSERT_TRUE(
            QDir(dir.path()).mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const QString beside =
        QFileInfo(QStringLiteral(VN340_CONFIG_PROGRAM))
            .dir()
            .filePath(QString::fromUtf8(kPreferencesFileName.data(), kPreferencesFileName.size()));
    const QByteArray besideBefore = bytesOf(beside);

    QProcessEnvironment environment;
    environment.insert("VN340_SCREENSHOT", dir.filePath("demo.png"));
    environment.insert("VN340_READ_BEFORE_SCREENSHOT", "1");
    environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    environment.insert("XDG_DATA_HOME", dir.filePath("data"));
    environment.insert("TMPDIR", dir.filePath("tmp"));
    // Else Qt makes its runtime folder in TMPDIR.
    environment.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    const ProgramRun run = runProgram({"--demo"}, environment, {"VN340_D2XX_LIBRARY"});
    EXPECT_EQ(run.exitCode, 0) << run.error.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("demo.png")));
    EXPECT_EQ(bytesOf(beside), besideBefore);
    EXPECT_TRUE(QDir(dir.filePath("config")).isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("data")).isEmpty());
    EXPECT_TRUE(QDir(dir.filePath("tmp")).isEmpty());
}

// A copy of the program in a folder of the test's own, run with a home and a runtime folder
// there, and none of the test run's own VN340_ or XDG_ settings. The runtime folder is the
// person's alone: one others may write in is no place for the socket, whatever the umask.
struct OwnFolders {
    OwnFolders() {
        for (const QString folder : {"bin", "home", "runtime"}) {
            EXPECT_TRUE(QDir(dir.path())
                            .mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        EXPECT_TRUE(QFile::copy(QStringLiteral(VN340_CONFIG_PROGRAM), program));
        for (const QString& name : environment.keys()) {
            if (name.startsWith("VN340_") || name.startsWith("XDG_")) {
                environment.remove(name);
            }
        }
        environment.insert("HOME", dir.filePath("home"));
        environment.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    }
    void start(QProcess& process, const QStringList& arguments = {}) const {
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
    }

    QTemporaryDir dir;
    const QString program = dir.filePath("bin/vn340-config");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// Two starts of the program, as a pilot double-clicks a second settings file: the second hands
// the file to the first, which loads it (and remembers its folder as "Load from file" does),
// and ends at once. The runtime folder, where the program's socket lies, is the test's own.
TEST(SingleWindow, ASecondStartHandsItsFileToTheRunningWindow) {
    const OwnFolders own;
    const QTemporaryDir& dir = own.dir;
    // A folder name as a file manager hands it over: blanks and letters beyond ASCII.
    ASSERT_TRUE(QDir(dir.path()).mkdir("models ölig"));
    const QString settings = dir.filePath("models ölig/Trex 450.tsf");
    QFile(settings).open(QIODevice::WriteOnly);

    QProcess first;
    own.start(first);
    ASSERT_TRUE(testing::eventually(
        [&] { return QFile::exists(dir.filePath("runtime/vn340-config.socket")); },
        std::chrono::seconds(30)));
    for (const QStringList& arguments : {QStringList{}, QStringList{settings}}) {
        QProcess second;
        own.start(second, arguments);
        ASSERT_TRUE(second.waitForFinished(30000)) << arguments.join(' ').toStdString();
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_EQ(first.state(), QProcess::Running);
    }
    const auto preferences = [&] { return bytesOf(dir.filePath("bin/TarvelRCGyro.ini")); };
    EXPECT_TRUE(testing::eventually([&] {
        return preferences().contains("LAST DIRECTORY=" + dir.filePath("models ölig").toUtf8());
    })) << preferences().toStdString();
    first.kill();
    first.waitForFinished();
}

// The system's request to end the program (here a shutdown's SIGTERM) closes the window with
// its closing steps, as Quit does, and the program ends normally, with status 0, instead of
// being killed on the spot.
TEST(SingleWindow, TheSystemsRequestToEndClosesTheWindow) {
    const OwnFolders own;
    QProcess process;
    own.start(process);
    // The window's start writes the preferences; by then the program listens.
    ASSERT_TRUE(
        testing::eventually([&] { return QFile::exists(own.dir.filePath("bin/TarvelRCGyro.ini")); },
                            std::chrono::seconds(30)));
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGTERM), 0);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

// A window that hangs keeps the socket: a second start opens no second window on the same
// adapter, but says why it ends, and ends with a failure.
TEST(SingleWindow, ASecondStartEndsWhenTheRunningWindowDoesNotAnswer) {
    const OwnFolders own;
    // Never served: this thread only waits for the program below.
    QLocalServer hanging;
    ASSERT_TRUE(hanging.listen(own.dir.filePath("runtime/vn340-config.socket")));
    QProcess second;
    own.start(second);
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("already running but does not answer"));
}

// The demo's title outlives the window's start-up steps, which set the title themselves.
TEST(Demo, TitleSaysDemo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProgramPaths paths;
    paths.programFolder = paths.configHome = dir.path().toStdString();
    paths.sysClassTty = dir.filePath("no-tty-class").toStdString();
    paths.d2xxLibrary = dir.filePath("no-libftd2xx.so").toStdString();
    DesktopPlatform platform(paths);
    ConfigDialog window(platform, paths);
    window.setTitleSuffix(kDemoTitleSuffix);
    window.initDialog();
    EXPECT_EQ(window.windowTitle(), configDialogTitle() + " (demo)");
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    // The application object under test stands in for the test's QApplication.
    vn340::ConfigApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
