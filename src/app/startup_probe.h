#pragma once

#include <QString>
#include <functional>

// The figures the probe prints: monotonicNanoseconds() and residentKilobytes().
#include "base/process_facts.h"

class QWidget;

namespace vn340 {

// Hidden start-up options for the run script and the start-up benchmark; the pilot never sets
// them. Both act once the window has been painted for the first time, then close it:
//   VN340_SCREENSHOT=<file>  saves the window as a PNG file and prints the file's path;
//   VN340_FIRST_PAINT=1      prints "first-paint-ns=<CLOCK_MONOTONIC in ns> rss-kb=<resident
//                            memory in KiB>", the figures the benchmark compares.
//   VN340_READ_BEFORE_SCREENSHOT=1  with a screenshot: presses "Read from gyro" after the first
//                            paint and takes the picture once the status line says "Read
//                            complete", so it shows a gyro's values. A read that cannot start
//                            or does not complete within readTimeoutMs fails the probe.
//   VN340_LIVE_SIGNALS_SECONDS=<n>  with a screenshot: then opens "Live signals…", lets it
//                            plot for n seconds and pictures it to the right of the window.
struct StartupProbeOptions {
    QString screenshotPath;
    bool reportFirstPaint = false;
    bool readBeforeScreenshot = false;
    int liveSignalsSeconds = 0;
    int readTimeoutMs = 30000;

    static StartupProbeOptions fromEnvironment();
    bool active() const { return reportFirstPaint || !screenshotPath.isEmpty(); }
};

// Watches `window` for its first paint and, once the whole window is on screen, does what
// `options` ask and calls `finish` with whether all of it succeeded. Does nothing when no
// option is set.
void installStartupProbe(QWidget& window, const StartupProbeOptions& options,
                         std::function<void(bool ok)> finish);

}  // namespace vn340
