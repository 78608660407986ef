#include "app/startup_probe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

namespace vn340 {
namespace {

// Everything the code under test prints to standard output while `body` runs.
template <typename Body>
std::string captureStdout(const QString& file, Body body) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int target =
        open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(target, STDOUT_FILENO);
    close(target);
    body();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    QFile captured(file);
    if (!captured.open(QIODevice::ReadOnly)) {
        return {};
    }
    return captured.readAll().toStdString();
}

struct ProbeRun {
    bool ok = false;
    int finishedCount = 0;  // reports of the end: one, or none when the probe never ended
    int result = 0;
    std::string printed;
};

// A small dialog with a button, run modally with the probe; a guard ends it with the result 42
// should the probe never finish.
void runDialog(const StartupProbeOptions& options, ProbeRun& run) {
    QDialog dialog;
    dialog.resize(200, 120);
    new QPushButton(QStringLiteral("OK"), &dialog);
    installStartupProbe(dialog, options, [&](bool ok) {
        run.ok = ok;
        ++run.finishedCount;
        dialog.done(QDialog::Accepted);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] { dialog.done(42); });
    guard.start(10000);
    run.result = dialog.exec();
    // Later paints must not report again.
    dialog.show();
    dialog.repaint();
    QCoreApplication::processEvents();
}

// The same, and what it printed.
ProbeRun runProbed(const StartupProbeOptions& options) {
    QTemporaryDir dir;
    ProbeRun run;
    run.printed = captureStdout(dir.filePath("out.txt"), [&] { runDialog(options, run); });
    return run;
}

TEST(StartupProbeOptions, ReadFromTheEnvironment) {
    struct Case {
        const char* screenshot;  // nullptr: unset
        const char* firstPaint;
        QString path;
        bool report;
        bool active;
    };
    const Case cases[] = {
        {nullptr, nullptr, {}, false, false},
        {"/tmp/shot.png", nullptr, "/tmp/shot.png", false, true},
        {nullptr, "1", {}, true, true},
        {nullptr, "0", {}, false, false},
        {"", "", {}, false, false},
        {"/tmp/a.png", "yes", "/tmp/a.png", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.screenshot ? c.screenshot : "-") + " / " +
                     (c.firstPaint ? c.firstPaint : "-"));
        for (const auto& [name, value] : {std::pair{"VN340_SCREENSHOT", c.screenshot},
                                          std::pair{"VN340_FIRST_PAINT", c.firstPaint}}) {
            if (value) {
                qputenv(name, value);
            } else {
                qunsetenv(name);
            }
        }
        const StartupProbeOptions options = StartupProbeOptions::fromEnvironment();
        EXPECT_EQ(options.screenshotPath, c.path);
        EXPECT_EQ(options.reportFirstPaint, c.report);
        EXPECT_EQ(options.active(), c.active);
    }
    qunsetenv("VN340_SCREENSHOT");
    qunsetenv("VN340_FIRST_PAINT");
}

TEST(StartupProbe, SavesTheWindowAfterItsFirstPaintAndPrintsThePath) {
    QTemporaryDir dir;
    StartupProbeOptions options;
    options.screenshotPath = dir.filePath("shot.png");
    const ProbeRun run = runProbed(options);
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.finishedCount, 1);
    EXPECT_EQ(run.result, QDialog::Accepted);
    EXPECT_EQ(run.printed, options.screenshotPath.toStdString() + "\n");
    QImage picture(options.screenshotPath, "PNG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(200, 120));
}

TEST(StartupProbe, ReportsTheFirstPaintTimeAndResidentMemory) {
    StartupProbeOptions options;
    options.reportFirstPaint = true;
    const long long before = monotonicNanoseconds();
    const ProbeRun run = runProbed(options);
    const long long after = monotonicNanoseconds();
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.finishedCount, 1);
    long long paintedAt = 0;
    long long rssKb = 0;
    ASSERT_EQ(
        std::sscanf(run.printed.c_str(), "first-paint-ns=%lld rss-kb=%lld", &paintedAt, &rssKb), 2)
        << run.printed;
    EXPECT_GE(paintedAt, before);
    EXPECT_LE(paintedAt, after);
    EXPECT_GT(rssKb, 1000);
}

TEST(StartupProbe, AScreenshotThatCannotBeSavedIsAFailure) {
    QTemporaryDir dir;
    StartupProbeOptions options;
    options.screenshotPath = dir.filePath("no such folder/shot.png");
    const ProbeRun run = runProbed(options);
    EXPECT_EQ(run.finishedCount, 1);
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.printed, "");
}

TEST(StartupProbe, WithoutOptionsTheWindowIsLeftAlone) {
    QDialog dialog;
    const qsizetype childrenBefore = dialog.children().size();
    bool finished = false;
    installStartupProbe(dialog, StartupProbeOptions{}, [&](bool) { finished = true; });
    EXPECT_EQ(dialog.children().size(), childrenBefore);
    dialog.show();
    dialog.repaint();
    QCoreApplication::processEvents();
    EXPECT_FALSE(finished);
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace vn340
